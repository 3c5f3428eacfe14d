#!/usr/bin/env python3
"""Writes the sound files of tests/data/audio and prints the lengths other programs give them.

Needs sox and ffmpeg (Debian packages of the same names). Every wave file is sox's
sine of a given number of samples; the MPEG and Ogg files are ffmpeg's sine of a
given length through libmp3lame, the mp2 encoder, libshine, libvorbis and libopus.
Two files are built here byte by byte from the MPEG audio frame layout, since
no encoder at hand writes them: layer I frames (44.1 kHz, 32 kbit/s, every third
frame padded), and layer III frames behind a VBRI header; their frames code
silence. cut_*.wav are ADPCM files with the fact chunk taken out and the data
cut inside a block.

Run from anywhere: python3 make_files.py
"""

import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def run(*args):
    subprocess.run(args, check=True, cwd=HERE)


def out(*args):
    return subprocess.run(args, cwd=HERE, capture_output=True, text=True).stdout.strip()


def sox_sine(name, rate, channels, samples, *coding):
    run("sox", "-r", str(rate), "-n", "-c", str(channels), *coding, name,
        "synth", f"{samples}s", "sine", "440", "vol", "0.5")


def ffmpeg_sine(name, seconds, rate, channels, *coding):
    run("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi",
        "-i", f"sine=frequency=440:duration={seconds}:sample_rate={rate}",
        "-ac", str(channels), *coding, name)


def strip_fact(src, dst, keep):
    """Copies a wave file without its fact chunk, its data cut to `keep` bytes."""
    with open(os.path.join(HERE, src), "rb") as f:
        b = f.read()
    pos, chunks = 12, b""
    while pos + 8 <= len(b):
        cid, size = b[pos:pos + 4], struct.unpack("<I", b[pos + 4:pos + 8])[0]
        body = b[pos + 8:pos + 8 + size]
        if cid == b"data":
            body = body[:keep]
        if cid != b"fact":
            chunks += cid + struct.pack("<I", len(body)) + body + b"\0" * (len(body) & 1)
        pos += 8 + size + (size & 1)
    with open(os.path.join(HERE, dst), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(chunks) + 4) + b"WAVE" + chunks)


def layer1():
    frames = b""
    for i in range(30):
        pad = 1 if i % 3 == 2 else 0
        # MPEG-1 layer I, no CRC; 32 kbit/s, 44.1 kHz; mono. Zero allocation: silence.
        header = bytes([0xFF, 0xFF, 0x10 | pad << 1, 0xC0])
        frames += header + bytes((12 * 32000 // 44100 + pad) * 4 - 4)
    return frames


def vbri():
    # MPEG-1 layer III, no CRC; 32 kbit/s, 32 kHz; mono: 144 bytes a frame.
    header = bytes([0xFF, 0xFB, 0x18, 0xC0])
    count = 20
    tag = b"VBRI" + struct.pack(">HHHII", 1, 0, 75, 144 * (count + 1), count) + struct.pack(">HHHH", 0, 1, 2, 0)
    first = header + bytes(32) + tag
    first += bytes(144 - len(first))
    return first + (header + bytes(140)) * count


sox_sine("pcm_u8_mono.wav", 4000, 1, 3001, "-b", "8", "-e", "unsigned-integer")
sox_sine("pcm_s16_stereo.wav", 8000, 2, 1005, "-b", "16")
sox_sine("pcm_s24_mono.wav", 6000, 1, 1000, "-b", "24")
sox_sine("float32_mono.wav", 4000, 1, 701, "-b", "32", "-e", "floating-point")
sox_sine("adpcm_ms_mono.wav", 8000, 1, 4001, "-e", "ms-adpcm")
sox_sine("adpcm_ms_stereo.wav", 8000, 2, 2001, "-e", "ms-adpcm")
sox_sine("adpcm_ima_mono.wav", 8000, 1, 4003, "-e", "ima-adpcm")
sox_sine("adpcm_ima_stereo.wav", 8000, 2, 3333, "-e", "ima-adpcm")
strip_fact("adpcm_ms_stereo.wav", "cut_adpcm_ms_stereo.wav", 1900)
strip_fact("adpcm_ima_stereo.wav", "cut_adpcm_ima_stereo.wav", 3001)

ffmpeg_sine("lame_cbr_8k_mono.mp3", 1.5, 8000, 1, "-c:a", "libmp3lame", "-b:a", "8k")
ffmpeg_sine("lame_vbr_32k_mono.mp3", 1.2, 32000, 1, "-c:a", "libmp3lame", "-q:a", "9", "-id3v2_version", "0")
ffmpeg_sine("lame_noxing_16k_id3v1.mp3", 1.3, 16000, 1, "-c:a", "libmp3lame", "-b:a", "8k",
            "-write_xing", "0", "-id3v2_version", "0", "-write_id3v1", "1", "-metadata", "title=probe")
ffmpeg_sine("mp2_16k_mono.mp2", 1.1, 16000, 1, "-c:a", "mp2", "-b:a", "32k", "-f", "mp2")
ffmpeg_sine("shine_32k_stereo.mp3", 0.7, 32000, 2, "-c:a", "libshine", "-b:a", "32k", "-id3v2_version", "0")
ffmpeg_sine("vorbis_8k_mono.ogg", 1.25, 8000, 1, "-c:a", "libvorbis", "-q:a", "0")
ffmpeg_sine("vorbis_11k_stereo.ogg", 0.9, 11025, 2, "-c:a", "libvorbis", "-q:a", "0")
ffmpeg_sine("opus_mono.opus", 1.1, 48000, 1, "-c:a", "libopus", "-b:a", "8k")
with open(os.path.join(HERE, "layer1_44k.mp1"), "wb") as f:
    f.write(layer1())
with open(os.path.join(HERE, "vbri_32k.mp3"), "wb") as f:
    f.write(vbri())

for name in sorted(os.listdir(HERE)):
    if name.endswith(".py"):
        continue
    channels = int(out("ffprobe", "-v", "error", "-show_entries", "stream=channels", "-of", "csv=p=0", name))
    decoded = subprocess.run(["ffmpeg", "-v", "quiet", "-i", name, "-f", "s16le", "-"], cwd=HERE,
                             capture_output=True).stdout
    sox_decoded = subprocess.run(["sox", name, "-t", "s16", "-"], cwd=HERE, capture_output=True).stdout
    print(f"{name}: ffprobe {out('ffprobe', '-v', 'error', '-show_entries', 'format=duration', '-of', 'csv=p=0', name)} s,"
          f" ffmpeg decodes {len(decoded) // 2 // channels},"
          f" soxi {out('soxi', '-s', name) or '-'}, sox decodes {len(sox_decoded) // 2 // channels or '-'}")
