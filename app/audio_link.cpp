#include "app/audio_link.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "formats/media_probe.h"
#include "platform/encoding.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace qvl {

std::string AudioLink::resolve(const std::string& sjisName) {
    if (auto path = main_.files.resolve(sjisName)) return path->string();
    return platform::FileSystem::fromSjis(sjisName).string();
}

std::string AudioLink::cdTrack(int32_t track) {
    // A disc's tracks ripped to files: trackNN, NN or "Track NN", in the scenario
    // folder, a cdaudio folder in it or beside it, or on the data drive.
    char number[16];
    std::snprintf(number, sizeof number, "%02d", int(track));
    const std::string n = number;
    const std::string root = main_.settings.dataDriveRoot;
    for (const std::string& folder : {std::string(), std::string("cdaudio\\"), std::string("..\\cdaudio\\"), root}) {
        if (&folder == &root && root.empty()) continue;
        for (const std::string& stem : {"track" + n, n, "Track " + n})
            for (const char* ext : {".ogg", ".flac", ".mp3", ".wav"})
                if (auto path = main_.files.resolve(folder + stem + ext)) return path->string();
    }
    return {};
}

int32_t AudioLink::cdTrackStart(int32_t track) {
    // Files past this size are not read just to time them (a whole disc as one WAV).
    constexpr std::size_t kMaxTimedBytes = std::size_t(256) << 20;
    int64_t start = 0;
    // A track that was not ripped (the data track of a mixed disc) counts as empty.
    for (int32_t n = 1; n < track && n < 100; ++n) {
        const std::string file = cdTrack(n);
        if (file.empty()) continue;
        auto known = trackLengths_.find(file);
        if (known == trackLengths_.end()) {
            const std::optional<std::string> bytes = platform::readRegularFile(file, kMaxTimedBytes - 1);
            const std::optional<MediaInfo> info = bytes ? probeMedia(*bytes) : std::nullopt;
            known = trackLengths_.emplace(file, info ? info->durationMs : 0).first;
        }
        start += known->second;
    }
    return int32_t(std::min<int64_t>(start, INT32_MAX));
}

void AudioLink::mediaFailed(const std::string& utf8Reason) {
    // Reported like a script failure; the story goes on without the piece.
    main_.boxes.scriptError(platform::utf8ToSjis(utf8Reason));
}

void AudioLink::played(std::string_view kind, std::string_view sjisText) {
    main_.transcript.write(kind, sjisText);
}

void AudioLink::playWaveToEnd(const std::string& name) {
    const uint32_t length = main_.playback.playWave(name);
    if (length > 0) main_.cycle.delayMs(int32_t(std::min<uint32_t>(length, INT32_MAX)));
}

}  // namespace qvl
