#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR), checks that every installed
# part is there, and plays the installed demo from somewhere else: the staged copy
# must find its data by itself, and so must the same copy moved elsewhere.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >"$work/install.log"
root="$work/stage/usr"
missing=0
for f in bin/quorvel bin/qvl-txd bin/qvl-img lib/quorvel/quorvel-media.so lib/quorvel/quorvel-mixer.so \
         share/applications/quorvel.desktop share/mime/packages/quorvel.xml \
         share/icons/hicolor/scalable/apps/quorvel.svg \
         share/icons/hicolor/16x16/apps/quorvel.png share/icons/hicolor/256x256/apps/quorvel.png \
         share/man/man1/quorvel.1.gz share/man/man1/qvl-txd.1.gz share/man/man1/qvl-img.1.gz \
         share/doc/quorvel/README.md share/doc/quorvel/docs/headless.md \
         share/quorvel/demo/qvl.cfg share/quorvel/demo/autorun.txt; do
  [ -e "$root/$f" ] || { echo "not installed: $f"; missing=1; }
done
[ $missing -eq 0 ]
echo "installed files:"
(cd "$work/stage" && find . -type f | sort | sed 's/^/  /')

# The manual page carries the options of --help.
zcat "$root/share/man/man1/quorvel.1.gz" | grep -q -- 'demo' || { echo "manual page lacks --demo"; exit 1; }

play() {  # play BIN NAME: the installed demo, started from an unrelated folder
  mkdir -p "$work/elsewhere" "$work/xdg"
  (cd "$work/elsewhere" && XDG_DATA_HOME="$work/xdg" "$1" --demo --headless --auto) >"$work/$2.out" 2>"$work/$2.err" || {
    echo "$2: exit code $?"; cat "$work/$2.err"; tail -n 5 "$work/$2.out"; exit 1; }
  grep -q '^text: ' "$work/$2.out" || { echo "$2: no text shown"; exit 1; }
  # Files installed with the program are never written: the player's go to the data folder.
  grep -q "^notice: .*$work/xdg/quorvel/demo" "$work/$2.out" || { echo "$2: no notice"; cat "$work/$2.out"; exit 1; }
  [ ! -e "$(dirname "$(dirname "$1")")/share/quorvel/demo/qvl.ini" ] || { echo "$2: wrote into the install"; exit 1; }
  echo "$2: $(grep -c '^text: ' "$work/$2.out") text lines, ended with '$(tail -n 1 "$work/$2.out")'"
}
play "$root/bin/quorvel" staged
mv "$work/stage/usr" "$work/moved"
play "$work/moved/bin/quorvel" moved
"$work/moved/bin/quorvel" --version | head -n 1
echo "install test: ok"
