/* The few SDL pieces that SDL_mixer's TiMidity uses, over the C library, so the
   synthesiser builds for the browser without SDL itself (scripts/web_deps.sh).
   Files open through a hook: the page fetches a patch only when a piece needs it. */
#ifndef QVL_TIMIDITY_SDL_H
#define QVL_TIMIDITY_SDL_H

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int8_t Sint8;
typedef uint8_t Uint8;
typedef int16_t Sint16;
typedef uint16_t Uint16;
typedef int32_t Sint32;
typedef uint32_t Uint32;
typedef int64_t Sint64;
typedef uint64_t Uint64;
typedef enum { SDL_FALSE = 0, SDL_TRUE = 1 } SDL_bool;

#define SDL_INLINE inline
#define SDL_LIL_ENDIAN 1234
#define SDL_BIG_ENDIAN 4321
#define SDL_BYTEORDER SDL_LIL_ENDIAN
#define SDL_VERSION_ATLEAST(x, y, z) 1

#define AUDIO_U8 0x0008
#define AUDIO_S8 0x8008
#define AUDIO_U16LSB 0x0010
#define AUDIO_S16LSB 0x8010
#define AUDIO_U16MSB 0x1010
#define AUDIO_S16MSB 0x9010
#define AUDIO_S32LSB 0x8020
#define AUDIO_S32MSB 0x9020
#define AUDIO_F32LSB 0x8120
#define AUDIO_S16SYS AUDIO_S16LSB
#define AUDIO_F32SYS AUDIO_F32LSB

typedef struct SDL_AudioSpec {
    int freq;
    Uint16 format;
    Uint8 channels;
    Uint8 silence;
    Uint16 samples;
} SDL_AudioSpec;

/* A file or a block of memory being read. */
typedef struct SDL_RWops {
    FILE* file;
    const Uint8* data;
    size_t size, at;
} SDL_RWops;

#define RW_SEEK_SET 0
#define RW_SEEK_CUR 1
#define RW_SEEK_END 2

/* Called with each name before it is opened; the engine sets it to fetch files
   that are not there yet. */
extern void (*qvl_timidity_before_open)(const char* path);

SDL_RWops* SDL_RWFromFile(const char* path, const char* mode);
SDL_RWops* SDL_RWFromConstMem(const void* data, int size);
size_t SDL_RWread(SDL_RWops* rw, void* to, size_t size, size_t count);
Sint64 SDL_RWseek(SDL_RWops* rw, Sint64 offset, int whence);
Sint64 SDL_RWtell(SDL_RWops* rw);
int SDL_RWclose(SDL_RWops* rw);
int SDL_SetError(const char* fmt, ...);

#define SDL_malloc malloc
#define SDL_calloc calloc
#define SDL_free free
#define SDL_memset memset
#define SDL_memcpy memcpy
#define SDL_memcmp memcmp
#define SDL_strcmp strcmp
#define SDL_strlen strlen
#define SDL_strchr strchr
#define SDL_strrchr strrchr
#define SDL_strtokr strtok_r
#define SDL_atoi atoi
#define SDL_sin sin
#define SDL_snprintf snprintf
#define SDL_Log(...) fprintf(stderr, __VA_ARGS__)

static inline size_t SDL_strlcpy(char* to, const char* from, size_t capacity) {
    size_t n = strlen(from);
    if (capacity) {
        size_t c = n < capacity - 1 ? n : capacity - 1;
        memcpy(to, from, c);
        to[c] = 0;
    }
    return n;
}

static inline Uint16 SDL_Swap16(Uint16 x) { return (Uint16)((x << 8) | (x >> 8)); }
static inline Uint32 SDL_Swap32(Uint32 x) {
    return (x << 24) | ((x << 8) & 0x00FF0000u) | ((x >> 8) & 0x0000FF00u) | (x >> 24);
}
#define SDL_SwapLE16(x) (x)
#define SDL_SwapLE32(x) (x)
#define SDL_SwapBE16(x) SDL_Swap16(x)
#define SDL_SwapBE32(x) SDL_Swap32(x)

#ifdef __cplusplus
}
#endif

#endif
