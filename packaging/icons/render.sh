#!/usr/bin/env bash
# Renders the PNG sizes of the icon from quorvel.svg. The PNGs are kept in the tree
# so a build needs no SVG renderer; run this after changing the picture
# (apt-get install librsvg2-bin) and look at the results before committing them.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" quorvel.svg -o "quorvel-$size.png"
done
