#include "app/audio_link.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "platform/encoding.h"

#include <cstdio>

namespace qvl {

std::string AudioLink::resolve(const std::string& sjisName) {
    if (auto path = main_.files().resolve(sjisName)) return path->string();
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
                if (auto path = main_.files().resolve(folder + stem + ext)) return path->string();
    }
    return {};
}

void AudioLink::mediaFailed(const std::string& utf8Reason) {
    // Reported like a script failure; the story goes on without the piece.
    main_.scriptError(platform::utf8ToSjis(utf8Reason));
}

void AudioLink::played(std::string_view kind, std::string_view sjisText) {
    main_.transcript().write(kind, sjisText);
}

}  // namespace qvl
