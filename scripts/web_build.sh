#!/usr/bin/env bash
# make web: the browser build in BUILD (default build-web/): quorvel.js, .wasm,
# .data (the demo and the fonts) and the page, index.html. The first run builds
# the C libraries from Debian's sources (scripts/web_deps.sh) and takes longest.
# Everything runs at low priority on two jobs, so the machine stays usable.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-web}"
prefix="${QVL_WEB_PREFIX:-$HOME/.cache/quorvel-web/prefix}"

./scripts/web_setup.sh
./scripts/web_deps.sh "$prefix"
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
if [ ! -f "$build/CMakeCache.txt" ]; then
  nice -n 15 emcmake cmake -S . -B "$build" -DQVL_WEB=ON -DCMAKE_BUILD_TYPE=Release \
    -DQVL_WEB_PREFIX="$prefix" >/dev/null
fi
nice -n 15 cmake --build "$build" -j"${QVL_WEB_JOBS:-2}" --target quorvel
echo "web: built in $build/; serve it (python3 -m http.server -d $build 8000) and open index.html, or index.html?demo"
