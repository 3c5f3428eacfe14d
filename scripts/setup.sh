#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, run and test, and only the
# ones that are missing. Safe to run again: it stays quiet when nothing is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-mixer-dev
  libfreetype-dev libfontconfig-dev
  libjpeg62-turbo-dev libpng-dev
  libavcodec-dev libavformat-dev libswscale-dev libswresample-dev
  libfluidsynth-dev
  nlohmann-json3-dev libcli11-dev
  libgraphviz-dev
  libgtest-dev libbenchmark-dev
  timgm6mb-soundfont fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xdotool openbox
  libx11-dev libxtst-dev
  help2man
  neovim zip nodejs
  libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
