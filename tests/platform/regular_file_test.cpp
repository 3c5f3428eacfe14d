// Whatever stands where a media file should be, only a regular file is read: a FIFO,
// a device or a folder is refused at once by every opener, as a missing file is.
#include "platform/headless/headless_audio.h"
#include "platform/movie.h"
#include "platform/regular_file.h"
#include "platform/sound_decoder.h"
#include "tests/common/file_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace qvl::platform;

TEST(RegularFile, OnlyRegularFilesAreReadAndNothingElseWaits) {
    const fs::path dir = fs::temp_directory_path() / ("qvl-regular-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder.wav");
    qvl_test_files::writeAll(dir / "file.wav", "RIFF1234");
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0600), 0);

    const std::string file = (dir / "file.wav").string();
    EXPECT_EQ(readRegularFile(file, 100), "RIFF1234");
    EXPECT_EQ(readRegularFile(file, 3), "RIFF") << "one byte past the limit tells a longer file";
    EXPECT_TRUE(isRegularFile(file));

    for (const std::string& path : {(dir / "fifo.wav").string(), (dir / "folder.wav").string(),
                                   std::string("/dev/zero"), (dir / "missing.wav").string()}) {
        std::string reason;
        EXPECT_FALSE(readRegularFile(path, 100, &reason)) << path;
        EXPECT_NE(reason.find(path), std::string::npos) << reason;
        EXPECT_FALSE(isRegularFile(path)) << path;
        EXPECT_EQ(openRegularFile(path), -1) << path;
        EXPECT_EQ(openRegularStream(path), nullptr) << path;
        SoundDecoder decoder;
        EXPECT_EQ(decoder.open(path, nullptr), nullptr) << path;
        EXPECT_EQ(MovieDecoder::open(path, nullptr), nullptr) << path;
        HeadlessAudio audio([] { return uint64_t(0); });
        EXPECT_NE(audio.open(MediaDevice::Music, path), 0) << path;
    }
    fs::remove_all(dir);
}

}  // namespace
