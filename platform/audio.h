#pragma once
// Sound for the engine: a few playback devices, each with one piece open at a time,
// that play with or without a completion report. Reports arrive as
// Event::Type::MediaDone events on the engine's thread (id: the device, status:
// how the play ended), never as calls from the audio thread.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qvl::platform {

enum class MediaDevice : int {
    Music = 1,  // MIDI, and MP3 or WAV music when the music mode asks for them
    Sound = 2,  // sound effects
    Cd = 3,     // CD tracks
    Mp3 = 4,    // the MP3 player of music mode 2
    Wave = 5,   // waves of the text window's sound codes
};

// How a play ended, as reported.
enum class MediaStatus : int { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Opens a file (a file-system path) on the device, closing what it had.
    // 0 on success; otherwise an error code, and lastError() says why.
    virtual int open(MediaDevice device, const std::string& path) = 0;
    // Plays the open piece from its start; with notify a MediaDone event follows
    // its end. A device standing at the end of its piece plays it again.
    virtual int play(MediaDevice device, bool notify) = 0;
    // Stops without a report.
    virtual int stop(MediaDevice device) = 0;
    virtual int close(MediaDevice device) = 0;
    virtual bool isOpen(MediaDevice device) const = 0;
    // The open piece's length in ms, 0 when unknown.
    virtual uint32_t length(MediaDevice device) const = 0;
    // The reason of the last failed open (UTF-8).
    virtual std::string lastError() const = 0;
    // How many plays in all (0: for ever) the next play() that starts a piece is the
    // first of. A device that repeats by itself goes on from one play to the next
    // without a gap, still reports the end of each play, and takes the play() the
    // engine answers such a report with as the repeat it already made. Devices
    // that do not repeat by themselves ignore it and start again on that play().
    virtual void setPlays(MediaDevice /*device*/, int32_t /*plays*/) {}
    // The loudness of a device from 0 to 100 percent, kept for every later play.
    virtual void setVolume(MediaDevice device, int percent) {
        (void)device, (void)percent;
    }

    // A movie's sound, 44100 Hz stereo signed 16-bit, queued to play as it comes;
    // stopMovieSound drops what is still queued. Backends without sound ignore it.
    virtual void queueMovieSound(const int16_t* /*samples*/, std::size_t /*frames*/) {}
    virtual void stopMovieSound() {}
};

}  // namespace qvl::platform
