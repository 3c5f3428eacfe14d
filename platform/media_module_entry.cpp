// The media module's one exported symbol: the table the program reaches it by.
#include "platform/media_module.h"
#include "platform/movie_container.h"

namespace {

const qvl::platform::MediaModule kTable{
    qvl::platform::movie::openMovie,       qvl::platform::movie::openMovieBytes,
    qvl::platform::movie::probeMovie,      qvl::platform::movie::probeMovieBytes,
    qvl::platform::movie::makeSoundDecoder,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const qvl::platform::MediaModule* qvl_media_module() {
    return &kTable;
}
