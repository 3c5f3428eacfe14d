// The program's side of the media module: finding and opening it, and the entry
// points of movie.h and sound_decoder.h, which lead into it.
#include "platform/media_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <system_error>

#ifndef QVL_MODULES_FROM_BIN
#define QVL_MODULES_FROM_BIN "../lib/quorvel"
#endif

// A program linked with the module's code (fuzzers) has the entry in itself.
extern "C" const qvl::platform::MediaModule* qvl_media_module() __attribute__((weak));

namespace qvl::platform {

namespace fs = std::filesystem;

namespace {

bool inside(const fs::path& child, const fs::path& parent) {
    auto [end, _] = std::mismatch(parent.begin(), parent.end(), child.begin(), child.end());
    return end == parent.end();
}

std::vector<fs::path> moduleFolders() {
    std::vector<fs::path> folders;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return folders;
    folders.push_back(exe.parent_path() / QVL_MODULES_FROM_BIN);
#ifdef QVL_MODULES_BUILD_DIR
    // Run from its build folder (tests, benchmarks): the modules built with it. An
    // installed program never looks there.
    if (inside(exe, fs::path(QVL_BUILD_DIR))) folders.emplace_back(QVL_MODULES_BUILD_DIR);
#endif
    return folders;
}

}  // namespace

void* openOwnModule(const char* file, const char* entry, std::string* reason) {
    std::string why = std::string("no ") + file + " beside the program";
    for (const fs::path& folder : moduleFolders()) {
        const fs::path path = folder / file;
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) continue;
        // Never closed: what it made (decoders, streams) may outlive any owner here.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* error = dlerror();
            why = error ? error : "cannot open " + path.string();
            continue;
        }
        if (void* symbol = dlsym(handle, entry)) return symbol;
        why = path.string() + " has no " + entry;
    }
    if (reason) *reason = why;
    return nullptr;
}

const MediaModule* mediaModule(std::string* reason) {
    static std::once_flag once;
    static const MediaModule* module = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        if (qvl_media_module) {
            module = qvl_media_module();
            return;
        }
        using Entry = const MediaModule* (*)();
        if (auto entry = reinterpret_cast<Entry>(openOwnModule(kMediaModuleFile, kMediaModuleEntry, &failure)))
            module = entry();
    });
    if (!module && reason) *reason = "the movie and sound decoders are missing: " + failure;
    return module;
}

std::unique_ptr<MovieDecoder> MovieDecoder::open(const std::string& path, std::string* reason) {
    const MediaModule* m = mediaModule(reason);
    return m ? m->openMovie(path, reason) : nullptr;
}

std::unique_ptr<MovieDecoder> MovieDecoder::openBytes(std::string bytes, std::string* reason) {
    const MediaModule* m = mediaModule(reason);
    return m ? m->openMovieBytes(std::move(bytes), reason) : nullptr;
}

std::optional<MovieInfo> probeMovie(const std::string& path, std::string* reason) {
    const MediaModule* m = mediaModule(reason);
    return m ? m->probeMovie(path, reason) : std::nullopt;
}

std::optional<MovieInfo> probeMovieBytes(std::string_view bytes, std::string* reason) {
    const MediaModule* m = mediaModule(reason);
    return m ? m->probeMovieBytes(bytes, reason) : std::nullopt;
}

SoundDecoder::SoundDecoder(std::string soundFont) : soundFont_(std::move(soundFont)) {}

SoundDecoder::~SoundDecoder() = default;

SoundDecoder::Backend* SoundDecoder::backend(std::string* reason) {
    if (!backend_)
        if (const MediaModule* m = mediaModule(reason)) backend_ = m->soundDecoder(soundFont_);
    return backend_.get();
}

std::unique_ptr<SoundStream> SoundDecoder::open(const std::string& path, std::string* reason) {
    Backend* b = backend(reason);
    return b ? b->open(path, reason) : nullptr;
}

std::unique_ptr<SoundStream> SoundDecoder::openBytes(std::string bytes, std::string* reason) {
    Backend* b = backend(reason);
    return b ? b->openBytes(std::move(bytes), reason) : nullptr;
}

}  // namespace qvl::platform
