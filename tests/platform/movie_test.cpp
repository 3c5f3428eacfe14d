#include "platform/movie.h"
#include "graphics/png_io.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qvl::platform {
namespace {

namespace fs = std::filesystem;

const std::string kMovies = std::string(QVL_TEST_DATA) + "/movies/";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Mean difference of the colour channels, 0..255; 255 when the sizes differ.
double meanDifference(const Surface& a, const Surface& b) {
    if (a.width() != b.width() || a.height() != b.height()) return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift = 0; shift < 24; shift += 8)
                sum += std::abs(int((a.row(y)[x] >> shift) & 0xFF) - int((b.row(y)[x] >> shift) & 0xFF));
    return sum / (3.0 * a.width() * a.height());
}

struct Decoded {
    std::vector<uint32_t> times;
    Surface kept;
};

// Every frame at the movie's own size, keeping frame `keep`; `target` may be given
// another size.
Decoded decodeAll(MovieDecoder& movie, int keep = -1, Surface* target = nullptr) {
    Decoded out;
    Surface own(movie.info().width, movie.info().height);
    Surface& into = target ? *target : own;
    uint32_t ms = 0;
    while (movie.nextFrame(into, ms)) {
        if (int(out.times.size()) == keep) out.kept = into.clone();
        out.times.push_back(ms);
    }
    return out;
}

struct MovieCase {
    const char* file;
    int width, height, frames;
    double fps;
    const char* codec;
    bool hasAudio;
    int refFrame;
    const char* refPicture;
    double tolerance;  // mean channel difference from FFmpeg's own picture
};

void PrintTo(const MovieCase& c, std::ostream* os) {
    *os << c.file;
}

class MovieFile : public ::testing::TestWithParam<MovieCase> {};

TEST_P(MovieFile, DecodesEveryFrameOnTimeAsFfmpegDoes) {
    const MovieCase& c = GetParam();
    std::string reason;
    auto movie = MovieDecoder::open(kMovies + c.file, &reason);
    ASSERT_TRUE(movie) << reason;
    const MovieInfo& info = movie->info();
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.frameCount, c.frames);
    EXPECT_EQ(info.durationMs, 1000u);
    EXPECT_DOUBLE_EQ(info.frameRate, c.fps);
    EXPECT_EQ(info.videoCodec, c.codec);
    EXPECT_EQ(info.hasAudio, c.hasAudio);

    const Decoded decoded = decodeAll(*movie, c.refFrame);
    EXPECT_EQ(movie->error(), "");
    ASSERT_EQ(int(decoded.times.size()), c.frames);
    for (int i = 0; i < c.frames; ++i) EXPECT_NEAR(decoded.times[i], i * 1000.0 / c.fps, 1.0) << "frame " << i;
    Surface after(8, 8);
    uint32_t ms = 0;
    EXPECT_FALSE(movie->nextFrame(after, ms));  // stays at its end

    const auto ref = readPngFile(kMovies + c.refPicture);
    ASSERT_TRUE(ref);
    const double difference = meanDifference(decoded.kept, *ref);
    EXPECT_LE(difference, c.tolerance);
    if (difference > c.tolerance)
        writePngFile((fs::temp_directory_path() / ("actual_" + std::string(c.refPicture))).string(), decoded.kept);

    // The probe tells the same without decoding, from the file or from its bytes.
    const auto probed = probeMovie(kMovies + c.file, &reason);
    ASSERT_TRUE(probed) << reason;
    const auto fromBytes = probeMovieBytes(readFile(kMovies + c.file), &reason);
    ASSERT_TRUE(fromBytes) << reason;
    for (const MovieInfo* p : {&*probed, &*fromBytes}) {
        EXPECT_EQ(p->width, c.width);
        EXPECT_EQ(p->height, c.height);
        EXPECT_EQ(p->frameCount, c.frames);
        EXPECT_EQ(p->durationMs, 1000u);
        EXPECT_EQ(p->hasAudio, c.hasAudio);
    }
}

// Every picture matches FFmpeg's own; the MPEG ones may differ by the rounding of
// the colour conversion between builds, far less than from one frame to the next
// (about 1.3). The MPEG-1 program stream keeps no frame count, so that one is
// counted, and its times start at its first picture's, not at 0.
INSTANTIATE_TEST_SUITE_P(
    Movie, MovieFile,
    ::testing::Values(MovieCase{"cinepak.avi", 160, 120, 10, 10, "cinepak", false, 3, "cinepak_frame3.png", 0},
                      MovieCase{"msvideo1.avi", 160, 120, 10, 10, "msvideo1", false, 5, "msvideo1_frame5.png", 0},
                      MovieCase{"pal8.avi", 64, 48, 5, 5, "rawvideo", false, 0, "pal8_frame0.png", 0},
                      MovieCase{"mpeg4_pcm.avi", 96, 64, 12, 12, "mpeg4", true, 7, "mpeg4_frame7.png", 0.3},
                      MovieCase{"mpeg1.mpg", 96, 64, 25, 25, "mpeg1video", false, 20, "mpeg1_frame20.png", 0.3}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(Movie, ScalesFramesToFillAnyTarget) {
    // The test card, stretched out of proportion, blown up to the screen, and shrunk.
    const auto ref = readPngFile(kMovies + "msvideo1_frame5.png");
    ASSERT_TRUE(ref);
    for (const auto& [w, h] : {std::pair{200, 90}, std::pair{640, 480}, std::pair{13, 7}}) {
        auto movie = MovieDecoder::open(kMovies + "msvideo1.avi", nullptr);
        ASSERT_TRUE(movie);
        Surface target(w, h, 0xFF123456);
        const Decoded decoded = decodeAll(*movie, 5, &target);
        EXPECT_EQ(decoded.times.size(), 10u);
        // Every pixel written, none with the top byte set.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(decoded.kept.row(y)[x] >> 24, 0u) << x << "," << y;
        if (w < 64) continue;
        // Wherever the source is flat around a point, the scaled picture shows that
        // colour at the same place.
        int flat = 0;
        for (int sy = 2; sy < ref->height() - 2; sy += 3)
            for (int sx = 2; sx < ref->width() - 2; sx += 3) {
                const uint32_t colour = ref->pixel(sx, sy);
                bool same = true;
                for (int y = sy - 2; y <= sy + 2; ++y)
                    for (int x = sx - 2; x <= sx + 2; ++x) same = same && ref->pixel(x, y) == colour;
                if (!same) continue;
                ++flat;
                const uint32_t got =
                    decoded.kept.pixel((2 * sx + 1) * w / (2 * ref->width()), (2 * sy + 1) * h / (2 * ref->height()));
                for (int shift = 0; shift < 24; shift += 8)
                    ASSERT_NEAR(int((got >> shift) & 0xFF), int((colour >> shift) & 0xFF), 3)
                        << w << "x" << h << " at source " << sx << "," << sy;
            }
        EXPECT_GT(flat, 300);
    }
}

TEST(Movie, SoundComesOutAs44100HzStereoBesideTheFrames) {
    auto movie = MovieDecoder::open(kMovies + "mpeg4_pcm.avi", nullptr);
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->info().audioCodec, "pcm_s16le");
    std::vector<int16_t> sound;
    std::vector<int16_t> chunk(2 * 11025);
    // A quarter of a second ahead of any picture reads on past the first frames,
    // which must still come, in order.
    ASSERT_EQ(movie->readAudio(std::span(chunk).first(2 * 11025)), 11025u);
    sound.insert(sound.end(), chunk.begin(), chunk.begin() + 2 * 11025);
    Surface frame(96, 64);
    uint32_t ms = 0;
    std::vector<uint32_t> times;
    while (movie->nextFrame(frame, ms)) {
        times.push_back(ms);
        const std::size_t n = movie->readAudio(chunk);
        sound.insert(sound.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(2 * n));
    }
    EXPECT_EQ(times.size(), 12u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    for (std::size_t n; (n = movie->readAudio(chunk)) > 0;)
        sound.insert(sound.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(2 * n));

    // One second of a 440 Hz sine at FFmpeg's 1/8 of full scale, the mono sound on
    // both sides at its own level.
    const std::size_t frames = sound.size() / 2;
    EXPECT_NEAR(double(frames), 44100, 100);
    int crossings = 0, peak = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        ASSERT_EQ(sound[2 * i], sound[2 * i + 1]) << i;
        peak = std::max(peak, std::abs(int(sound[2 * i])));
        if (i > 0 && (sound[2 * i - 2] < 0) != (sound[2 * i] < 0)) ++crossings;
    }
    EXPECT_NEAR(crossings, 880, 4);
    EXPECT_NEAR(peak, 32768 / 8, 300);

    auto silent = MovieDecoder::open(kMovies + "cinepak.avi", nullptr);
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->readAudio(chunk), 0u);
}

TEST(Movie, OpensOnlyMoviesWithVideoAndSaysWhyNot) {
    std::string reason;
    EXPECT_FALSE(MovieDecoder::open(kMovies + "missing.avi", &reason));
    EXPECT_NE(reason.find("missing.avi"), std::string::npos) << reason;
    EXPECT_FALSE(probeMovie(kMovies + "sound_only.avi", &reason));
    EXPECT_EQ(reason, "no video stream");
    EXPECT_FALSE(MovieDecoder::open(kMovies + "sound_only.avi", &reason));
    EXPECT_EQ(reason, "no video stream");
    // A picture is not a movie, nor is an audio file of a kind we do not open as one.
    EXPECT_FALSE(MovieDecoder::open(kMovies + "pal8_frame0.png", &reason));
    EXPECT_NE(reason.find("not a movie"), std::string::npos) << reason;
    EXPECT_FALSE(probeMovieBytes("", &reason));
    EXPECT_FALSE(MovieDecoder::openBytes("RIFF\x10\0\0\0AVI LIST", &reason));

    // Names are UTF-8 host paths, Japanese ones included.
    const fs::path dir = fs::temp_directory_path() / ("qvl-movie-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::copy_file(kMovies + "pal8.avi", dir / "オープニング 動画.avi", fs::copy_options::overwrite_existing);
    auto movie = MovieDecoder::open((dir / "オープニング 動画.avi").string(), &reason);
    EXPECT_TRUE(movie) << reason;
    fs::remove_all(dir);
}

// Sets a little-endian 32-bit field.
void put32(std::string& bytes, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(v >> (8 * i));
}

TEST(Movie, RefusesPicturesLargerThanTheLimit) {
    std::string bytes = readFile(kMovies + "pal8.avi");
    // The main header's width and the video format's width.
    const std::size_t avih = bytes.find("avih"), strf = bytes.find("strf");
    ASSERT_NE(avih, std::string::npos);
    ASSERT_NE(strf, std::string::npos);
    for (const uint32_t width : {4096u, 4097u}) {
        put32(bytes, avih + 8 + 32, width);
        put32(bytes, strf + 8 + 4, width);
        std::string reason;
        const auto info = probeMovieBytes(bytes, &reason);
        if (width <= uint32_t(kMaxMovieSide)) {
            ASSERT_TRUE(info) << reason;
            EXPECT_EQ(info->width, 4096);
        } else {
            EXPECT_FALSE(info);
            EXPECT_EQ(reason, "pictures of 4097x48 are larger than 4096 a side");
            EXPECT_FALSE(MovieDecoder::openBytes(bytes, &reason));
        }
    }
}

// Whatever a damaged file holds, opening it fails or its frames end, no more of
// them than the whole file has; the sound ends too. Sanitizers catch the rest.
int framesOfDamaged(const std::string& bytes, int wholeCount) {
    std::string reason;
    const auto probed = probeMovieBytes(bytes, &reason);
    if (probed) {
        EXPECT_LE(probed->width, kMaxMovieSide);
        EXPECT_LE(probed->height, kMaxMovieSide);
    }
    auto movie = MovieDecoder::openBytes(bytes, &reason);
    if (!movie) return -1;
    Surface target(32, 24);
    uint32_t ms = 0;
    int frames = 0;
    std::vector<int16_t> sound(4096);
    while (movie->nextFrame(target, ms) && frames <= wholeCount) {
        ++frames;
        movie->readAudio(sound);
    }
    while (movie->readAudio(sound) > 0) {
    }
    return frames;
}

TEST(Movie, CutFilesFailOrEndEarly) {
    for (const auto& [file, frames] : {std::pair{"mpeg4_pcm.avi", 12}, std::pair{"mpeg1.mpg", 25}}) {
        const std::string whole = readFile(kMovies + file);
        // Every length through the headers, then a sample of lengths through the data.
        // A cut inside the index at the end may still leave every frame.
        int short_ = 0;
        for (std::size_t n = 0; n < whole.size(); n += n < 1024 ? 1 : 61) {
            const int got = framesOfDamaged(whole.substr(0, n), frames);
            EXPECT_LE(got, frames) << file << " cut to " << n;
            short_ += got >= 1 && got < frames;
        }
        EXPECT_GT(short_, 10) << file << ": cut files that play their first frames";
    }
}

TEST(Movie, CorruptedBytesFailOrEndEarly) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245 + 12345, seed >> 8; };
    for (const auto& [file, frames] :
         {std::pair{"mpeg4_pcm.avi", 12}, std::pair{"cinepak.avi", 10}, std::pair{"mpeg1.mpg", 25}}) {
        const std::string whole = readFile(kMovies + file);
        // In turn: the headers, where one byte changes the most; the frames and
        // their chunk headers; anywhere.
        const std::size_t movi = whole.find("movi");
        const std::size_t data = movi == std::string::npos ? 0 : movi;
        for (int copy = 0; copy < 60; ++copy) {
            std::string bytes = whole;
            const std::size_t from = copy % 3 == 1 ? data : 0;
            const std::size_t span = copy % 3 == 0 ? 512 : bytes.size() - from;
            const int changes = 1 + int(next() % 16);
            for (int i = 0; i < changes; ++i) bytes[from + next() % span] = char(next());
            EXPECT_LE(framesOfDamaged(bytes, frames), frames) << file << " copy " << copy;
        }
    }
}

}  // namespace
}  // namespace qvl::platform
