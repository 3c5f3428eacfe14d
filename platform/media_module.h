#pragma once
// The media module: the movie decoder and the sound decoders, with FFmpeg and
// FluidSynth, built as a library of our own that the program opens on first use.
// A scenario that never plays a movie and never mixes its sound down never loads
// those libraries (a hundred-odd of them) nor pays for their start. The module is
// found from the program's own place (../lib/quorvel beside bin/), as installed.
// Only platform/ includes this header.
#include "platform/movie.h"
#include "platform/sound_decoder.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qvl::platform {

// What the module hands out: one table, looked up by the name below.
struct MediaModule {
    std::unique_ptr<MovieDecoder> (*openMovie)(const std::string& path, std::string* reason);
    std::unique_ptr<MovieDecoder> (*openMovieBytes)(std::string bytes, std::string* reason);
    std::optional<MovieInfo> (*probeMovie)(const std::string& path, std::string* reason);
    std::optional<MovieInfo> (*probeMovieBytes)(std::string_view bytes, std::string* reason);
    std::unique_ptr<SoundDecoder::Backend> (*soundDecoder)(std::string soundFont);
};

inline constexpr const char* kMediaModuleFile = "quorvel-media.so";
inline constexpr const char* kMediaModuleEntry = "qvl_media_module";

// The module's table, the module opened at the first call. Nothing, and the
// reason, when it cannot be found or opened.
const MediaModule* mediaModule(std::string* reason);

// Opens one of the program's own modules by file name and looks up its entry: the
// module is looked for beside the program as installed, then in the build folder
// the program was built in. Nothing, and the reason, on failure. A module once
// opened stays for the life of the process.
void* openOwnModule(const char* file, const char* entry, std::string* reason);

}  // namespace qvl::platform
