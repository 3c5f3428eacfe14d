#pragma once
// The engine's side of playback: file names resolved as scripts write them, ripped
// CD tracks found, failures reported and transcript lines written.
#include "audio/playback.h"

#include <map>

namespace qvl {

class TFmain;

class AudioLink final : public PlaybackHost {
public:
    explicit AudioLink(TFmain& main) : main_(main) {}
    std::string resolve(const std::string& sjisName) override;
    std::string cdTrack(int32_t track) override;
    int32_t cdTrackStart(int32_t track) override;
    void mediaFailed(const std::string& utf8Reason) override;
    void played(std::string_view kind, std::string_view sjisText) override;

    // A wave played to its end: the caller waits for it, and clicks do not cut it.
    void playWaveToEnd(const std::string& name);

private:
    TFmain& main_;
    // Track lengths in ms by file, measured once a run.
    std::map<std::string, uint32_t> trackLengths_;
};

}  // namespace qvl
