#!/usr/bin/env bash
# Checks a .deb made by CPack: its control data and dependencies, its contents, an
# install into an empty root with dpkg, the installed program playing the demo with
# the system's libraries, and that apt can resolve its dependencies.
#   deb_test.sh PACKAGE.deb
set -euo pipefail
deb=$(readlink -f "$1")
command -v dpkg-deb >/dev/null || { echo "skipped: no dpkg-deb"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY

echo "== dpkg-deb --info $(basename "$deb")"
dpkg-deb --info "$deb"
depends=$(dpkg-deb --field "$deb" Depends)
for want in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libfreetype6 libfontconfig1 libjpeg62-turbo libpng16-16 \
            libavcodec libavformat libswscale libswresample libavutil libfluidsynth \
            libgvc6 fonts-ipafont-gothic timgm6mb-soundfont libspeechd2; do
  grep -q "$want" <<<"$depends" || { echo "Depends lacks $want"; exit 1; }
done
dpkg-deb --field "$deb" Recommends | grep -q speech-dispatcher || { echo "Recommends lacks speech-dispatcher"; exit 1; }

echo "== dpkg-deb --contents"
dpkg-deb --contents "$deb" | tee "$work/contents"
for f in ./usr/bin/quorvel ./usr/bin/qvl-txd ./usr/bin/qvl-img ./usr/lib/quorvel/quorvel-media.so \
         ./usr/lib/quorvel/quorvel-mixer.so ./usr/share/applications/quorvel.desktop \
         ./usr/share/mime/packages/quorvel.xml ./usr/share/icons/hicolor/48x48/apps/quorvel.png \
         ./usr/share/man/man1/quorvel.1.gz ./usr/share/quorvel/demo/autorun.txt; do
  grep -q " $f\$" "$work/contents" || { echo "not in the package: $f"; exit 1; }
done

echo "== dpkg --root: install into an empty root"
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The empty root has none of the libraries; they come from this system below.
dpkg --root="$root" --log=/dev/null --force-depends --force-script-chrootless -i "$deb" 2>&1 | grep -v '^dpkg: warning' || true
dpkg --root="$root" -s quorvel | grep -q '^Status: install ok installed' || { echo "dpkg did not install it"; exit 1; }
if ldd "$root/usr/bin/quorvel" | grep 'not found'; then echo "libraries missing on this system"; exit 1; fi
"$root/usr/bin/quorvel" --version | head -n 1
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && XDG_DATA_HOME="$work/xdg" "$root/usr/bin/quorvel" --demo --headless --auto >"$work/demo.out") ||
  { echo "the installed demo failed"; tail "$work/demo.out"; exit 1; }
echo "installed demo: $(grep -c '^text: ' "$work/demo.out") text lines, ended with '$(tail -n 1 "$work/demo.out")'"
"$root/usr/bin/qvl-txd" --version
man -l "$root/usr/share/man/man1/quorvel.1.gz" >/dev/null 2>&1 || zcat "$root/usr/share/man/man1/quorvel.1.gz" | head -n 5 >/dev/null

echo "== apt: can the dependencies be resolved from the archive?"
if command -v apt-get >/dev/null && [ -n "$(ls /var/lib/apt/lists/ 2>/dev/null | grep _Packages)" ]; then
  if ! apt-get -s -o Debug::NoLocking=1 install "$deb" >"$work/apt.log" 2>&1; then
    cat "$work/apt.log"; echo "apt cannot install the package"; exit 1
  fi
  grep -E '^(Inst|Conf) ' "$work/apt.log" | head -n 40 || true
  tail -n 1 "$work/apt.log"
else
  echo "no package lists here (apt-get update): dependency resolution not checked"
fi
echo "deb test: ok"
