#!/usr/bin/env bash
# The Debian packages the browser build and its tests need, beyond scripts/setup.sh:
# emscripten (with the node modules its tools use), the source-package tools for
# scripts/web_deps.sh, the fonts bundled with the page, and headless Chromium with
# a DevTools client for make web-test. Quiet when nothing is missing.
set -euo pipefail

packages=(emscripten node-acorn dpkg-dev cmake fonts-ipafont-gothic fonts-ipafont-mincho
          nlohmann-json3-dev chromium python3-websocket python3-pil freepats)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "web-setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
