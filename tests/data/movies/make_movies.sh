#!/bin/sh
# Makes the small movies of the movie tests from FFmpeg's own test patterns, and a
# picture of one frame of each as FFmpeg itself decodes it. Run from this folder.
set -eu

movie() {  # file, then how to make it
    out=$1
    shift
    ffmpeg -hide_banner -loglevel error -y "$@" -fflags +bitexact -flags:v +bitexact -flags:a +bitexact "$out"
}
movie cinepak.avi -f lavfi -i testsrc=size=160x120:rate=10:duration=1 -c:v cinepak
movie msvideo1.avi -f lavfi -i testsrc=size=160x120:rate=10:duration=1 -c:v msvideo1
movie pal8.avi -f lavfi -i smptebars=size=64x48:rate=5:duration=1 -c:v rawvideo -pix_fmt pal8
movie mpeg4_pcm.avi -f lavfi -i testsrc=size=96x64:rate=12:duration=1 \
    -f lavfi -i sine=frequency=440:sample_rate=11025:duration=1 -c:v mpeg4 -q:v 5 -c:a pcm_s16le
movie mpeg1.mpg -f lavfi -i testsrc=size=96x64:rate=25:duration=1 -c:v mpeg1video -q:v 8 -f mpeg
movie sound_only.avi -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.1 -c:a pcm_u8
movie red_4s.avi -f lavfi -i color=c=red:size=80x60:rate=5:duration=4 -c:v msvideo1

frame() {  # movie, frame number counted from 0, picture
    ffmpeg -hide_banner -loglevel error -y -i "$1" -vf "select=eq(n\,$2)" -vsync 0 -frames:v 1 -pix_fmt rgb24 "$3"
}
frame cinepak.avi 3 cinepak_frame3.png
frame msvideo1.avi 5 msvideo1_frame5.png
frame pal8.avi 0 pal8_frame0.png
frame mpeg4_pcm.avi 7 mpeg4_frame7.png
frame mpeg1.mpg 20 mpeg1_frame20.png
