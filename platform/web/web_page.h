#pragma once
// The page's half of the browser backend (platform/web/library.js), as C calls.
#include <cstdint>

extern "C" {
// Sleeps until ms have passed (-1: no limit) or the page queues an event. kind,
// answer and choice are the wait's WaitHint, which the page shows to tests (what
// the engine waits for, and a patient reader's reply).
void qvl_web_sleep(int ms, int kind, int answer, int choice);
// Takes the oldest queued event: fields receives type, x, y, button, wheel, mods,
// id, status; text the key name or typed text (NUL-terminated). 0 when none.
int qvl_web_take_event(int* fields, char* text, int textCapacity);
void qvl_web_present(const uint8_t* rgba, int x, int y, int w, int h);
void qvl_web_set_caption(const char* utf8);
void qvl_web_set_cursor(int cursor);
int qvl_web_full_screen(int on);
void qvl_web_text_input(int on);
double qvl_web_now_ms();
// Wall-clock seconds since 1970. A page started with a fixed clock (?clock=SECONDS,
// for reproducible runs) counts from there and tells the time in UTC, as headless
// runs do; clock_fixed says which.
double qvl_web_wall_clock();
int qvl_web_clock_fixed();
// The engine has ended its run; the page goes back to its start screen.
void qvl_web_finished(int code);

// Decoding runs in the background; silent: a piece the page cannot play (MIDI),
// which then only keeps its time.
void qvl_web_audio_open(int device, const char* path, int silent, uint32_t lengthMs);
void qvl_web_audio_play(int device, int notify);
void qvl_web_audio_stop(int device);
void qvl_web_audio_close(int device);
void qvl_web_audio_set_volume(int device, int percent);
// A piece the engine rendered itself (MIDI): interleaved stereo 16-bit samples.
void qvl_web_audio_open_pcm(int device, const char* path, const int16_t* samples, uint32_t frames, int rate,
                            uint32_t lengthMs);
// Fetches the file the page serves under the same name (path starts with a
// folder beside the page) into the engine's file system; 0 when there is none.
int qvl_web_fetch_beside(const char* path);
// A movie's sound, 44100 Hz stereo: queued after what is already queued;
// stop drops all of it.
void qvl_web_movie_sound(const int16_t* samples, int frames);
void qvl_web_movie_sound_stop();
}

namespace qvl::platform::web {

// The page's event kinds, as library.js queues them.
enum EventKind : int {
    kMouseDown = 1, kMouseUp = 2, kMouseMove = 3, kWheel = 4, kKeyDown = 5, kText = 6,
    kFocusGained = 7, kFocusLost = 8, kExposed = 9, kMediaDone = 10, kQuit = 11,
};

}  // namespace qvl::platform::web
