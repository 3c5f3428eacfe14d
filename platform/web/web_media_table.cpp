// The media table of the browser build: there is no module to open, so the movie
// code of the native module is linked into the program and reached through the
// same table. Sound files are decoded by the page (web_audio.h), so the table's
// sound decoder has nothing to give.
#include "platform/media_module.h"
#include "platform/movie_container.h"

namespace {

std::unique_ptr<qvl::platform::SoundDecoder::Backend> noSoundDecoder(std::string) { return nullptr; }

const qvl::platform::MediaModule kTable{
    qvl::platform::movie::openMovie,  qvl::platform::movie::openMovieBytes, qvl::platform::movie::probeMovie,
    qvl::platform::movie::probeMovieBytes, noSoundDecoder,
};

}  // namespace

extern "C" const qvl::platform::MediaModule* qvl_media_module() { return &kTable; }
