#!/usr/bin/env bash
# Redraws the demo's pictures and converts them into the formats the engine reads:
# JPEG, BMP, MAG and FRL all appear. Needs a built qvl-img (make build).
set -euo pipefail
cd "$(dirname "$0")/.."
img=${QVL_IMG:-build/tools/qvl-img}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 scripts/make_demo_pictures.py "$tmp"
"$img" convert "$tmp/bg_sky.png" demo/bg_sky.jpg
"$img" convert "$tmp/bg_room.png" demo/bg_room.mag --colours 16
"$img" convert "$tmp/girl.png" demo/girl.mag --colours 256
"$img" convert "$tmp/boy.png" demo/boy.frl --frl-format 24
"$img" convert "$tmp/boy_mask.png" demo/boy_mask.bmp
"$img" convert "$tmp/light.png" demo/light.frl --frl-format 12
"$img" convert "$tmp/stars.png" demo/stars.bmp
"$img" convert "$tmp/icon.png" demo/icon.bmp
"$img" convert "$tmp/buttons.png" demo/buttons.bmp
"$img" convert "$tmp/gallery.png" demo/gallery.jpg
