#!/usr/bin/env python3
"""Writes the demo scenario's music and sound effect (no libraries needed).

    scripts/make_demo_sounds.py OUTDIR

theme.mid: a short tune of our own for General MIDI (piano and strings);
chime.wav: a two-note chime, 16-bit mono PCM at 22050 Hz.
"""
import math
import struct
import sys


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def track(events):
    data = b"".join(vlq(delta) + body for delta, body in events)
    data += vlq(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data


def theme(path):
    tpq = 96
    melody = [72, 74, 76, 79, 77, 76, 74, 72, 74, 76, 74, 72, 71, 72]
    lengths = [1, 1, 1, 2, 1, 1, 1, 2, 1, 1, 1, 1, 1, 3]
    events = [(0, b"\xff\x51\x03" + (600000).to_bytes(3, "big")), (0, b"\xc0\x00"), (0, b"\xc1\x30")]
    chords = [[48, 55, 64], [53, 57, 65], [55, 59, 62], [48, 55, 64]]
    # Melody on channel 0, a held chord a bar on channel 1.
    timeline = []
    t = 0
    for note, beats in zip(melody, lengths):
        timeline.append((t, b"\x90" + bytes([note, 90])))
        timeline.append((t + beats * tpq - 8, b"\x80" + bytes([note, 0])))
        t += beats * tpq
    for bar, chord in enumerate(chords):
        for n in chord:
            timeline.append((bar * 4 * tpq, b"\x91" + bytes([n, 50])))
            timeline.append((bar * 4 * tpq + 4 * tpq - 4, b"\x81" + bytes([n, 0])))
    timeline.sort(key=lambda e: e[0])
    last = 0
    for at, body in timeline:
        events.append((at - last, body))
        last = at
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, tpq) + track(events))


def chime(path):
    rate = 22050
    samples = []
    for i in range(int(rate * 0.6)):
        t = i / rate
        f = 880.0 if t < 0.2 else 1318.5
        start = 0.0 if t < 0.2 else 0.2
        env = math.exp(-(t - start) * 6.0)
        samples.append(int(12000 * env * math.sin(2 * math.pi * f * t)))
    data = struct.pack("<%dh" % len(samples), *samples)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16))
        f.write(b"data" + struct.pack("<I", len(data)) + data)


if __name__ == "__main__":
    theme(sys.argv[1] + "/theme.mid")
    chime(sys.argv[1] + "/chime.wav")
