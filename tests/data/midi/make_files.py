#!/usr/bin/env python3
"""Writes the Standard MIDI Files of tests/data/midi that are made here (standard
library only); the test-*.mid files are copies of public ones, see SOURCES.

tempo_map.mid     format 1, 480 ticks a quarter; tempo changes in both tracks,
                  running status, note-offs as zero-velocity note-ons, sysex (F0 and
                  an F7 escape), one- and two-byte channel messages, meta events
                  between notes. 1920 ticks at 500000 us, 1920 at 666667 us, then
                  2160 at 400000 us: 6.466668 s.
smpte_25fps.mid   format 0, time-code division of 25 frames of 40 ticks (1000
                  ticks a second); its tempo event does not count: 2.345 s.
format2.mid       format 2, 96 ticks a quarter: the first piece sets 1000000 us and
                  ends at tick 192 (2 s); the second has no tempo event and ends at
                  tick 288 (1.5 s at the default tempo).

Run from anywhere: python3 make_files.py. With python3-mido installed it prints
mido's lengths beside the ones above.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def track(events):
    """events: (delta, raw bytes after the delta)."""
    body = b"".join(vlq(d) + e for d, e in events)
    return b"MTrk" + struct.pack(">I", len(body)) + body


def smf(fmt, division, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division) + b"".join(tracks)


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def tempo(us):
    return meta(0x51, us.to_bytes(3, "big"))


END = meta(0x2F, b"")


def tempo_map():
    conductor = track([
        (0, meta(0x03, b"conductor")),
        (0, meta(0x58, bytes([4, 2, 24, 8]))),
        (0, tempo(500000)),
        (1920, tempo(666667)),
        (1920, END),  # ends before the music does
    ])
    music = [
        (0, bytes([0xC0, 5])),                                     # program change: one data byte
        (0, bytes([0xF0]) + vlq(5) + bytes([0x7E, 0x7F, 0x09, 0x01, 0xF7])),
        (0, bytes([0xB0, 7, 100])),
        (0, bytes([0x90, 60, 100])),
        (480, bytes([62, 100])),                                   # running status
        (480, bytes([60, 0])),                                     # note-on at zero velocity
        (0, bytes([0xE0, 0, 0x40])),
        (480, bytes([0xD0, 30])),                                  # channel pressure: one data byte
        (0, meta(0x01, b"a text event ends running status")),
        (480, bytes([0x90, 62, 0])),
        (0, bytes([0xF7]) + vlq(3) + bytes([0x43, 0x10, 0x4C])),  # an escape packet
        (1920, bytes([0x90, 64, 90])),
        (0, tempo(400000)),                                        # at tick 3840, in this track
        (1920, bytes([0x80, 64, 64])),
        (240, END),                                                # tick 6000
    ]
    return smf(1, 480, [conductor, track(music)])


def smpte():
    division = ((256 - 25) << 8) | 40
    return smf(0, division, [track([
        (0, tempo(250000)),
        (0, bytes([0x90, 60, 100])),
        (2000, bytes([0x80, 60, 0])),
        (345, END),
    ])])


def format2():
    first = track([(0, tempo(1000000)), (0, bytes([0x90, 60, 100])), (192, bytes([0x80, 60, 0])), (0, END)])
    second = track([(0, bytes([0x91, 67, 100])), (288, bytes([0x81, 67, 0])), (0, END)])
    return smf(2, 96, [first, second])


FILES = {"tempo_map.mid": tempo_map(), "smpte_25fps.mid": smpte(), "format2.mid": format2()}

for name, data in FILES.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)

try:
    import mido
except ImportError:
    mido = None
if mido:
    for name in sorted(os.listdir(HERE)):
        if not name.endswith(".mid"):
            continue
        m = mido.MidiFile(os.path.join(HERE, name))
        if m.ticks_per_beat & 0x8000:
            print(name, "mido does not read time-code division")
        elif m.type == 2:
            # mido times only formats 0 and 1; time each piece with its own tempo.
            lengths = []
            for t in m.tracks:
                us, seconds = 500000, 0.0
                for msg in t:
                    seconds += mido.tick2second(msg.time, m.ticks_per_beat, us)
                    if msg.type == "set_tempo":
                        us = msg.tempo
                lengths.append(seconds)
            print(name, "mido, piece by piece:", lengths)
        else:
            print(name, "mido:", m.length)
