/* Reading files and memory for TiMidity (SDL.h here). */
#include "SDL.h"

#include <stdarg.h>

void (*qvl_timidity_before_open)(const char* path) = 0;

SDL_RWops* SDL_RWFromFile(const char* path, const char* mode) {
    if (qvl_timidity_before_open) qvl_timidity_before_open(path);
    FILE* file = fopen(path, mode);
    if (!file) return 0;
    SDL_RWops* rw = calloc(1, sizeof *rw);
    if (!rw) {
        fclose(file);
        return 0;
    }
    rw->file = file;
    return rw;
}

SDL_RWops* SDL_RWFromConstMem(const void* data, int size) {
    SDL_RWops* rw = calloc(1, sizeof *rw);
    if (!rw) return 0;
    rw->data = data;
    rw->size = size < 0 ? 0 : (size_t)size;
    return rw;
}

size_t SDL_RWread(SDL_RWops* rw, void* to, size_t size, size_t count) {
    if (rw->file) return fread(to, size, count, rw->file);
    if (size == 0) return 0;
    size_t n = (rw->size - rw->at) / size;
    if (n > count) n = count;
    memcpy(to, rw->data + rw->at, n * size);
    rw->at += n * size;
    return n;
}

Sint64 SDL_RWseek(SDL_RWops* rw, Sint64 offset, int whence) {
    if (rw->file) return fseek(rw->file, (long)offset, whence) == 0 ? ftell(rw->file) : -1;
    Sint64 base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? (Sint64)rw->at : (Sint64)rw->size;
    Sint64 to = base + offset;
    if (to < 0 || to > (Sint64)rw->size) return -1;
    rw->at = (size_t)to;
    return to;
}

Sint64 SDL_RWtell(SDL_RWops* rw) { return rw->file ? ftell(rw->file) : (Sint64)rw->at; }

int SDL_RWclose(SDL_RWops* rw) {
    if (rw->file) fclose(rw->file);
    free(rw);
    return 0;
}

int SDL_SetError(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    fputs("timidity: ", stderr);
    vfprintf(stderr, fmt, args);
    fputc('\n', stderr);
    va_end(args);
    return -1;
}
