#!/usr/bin/env bash
# Starting quorvel the ways a desktop starts it: with a file of a scenario (as a file
# manager passes it), with a folder that holds no scenario, and for --help/--version.
#   launch_test.sh QUORVEL QVL_TXD
set -euo pipefail
quorvel=$(readlink -f "$1")
txd=$(readlink -f "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$work/tale" "$work/empty" "$work/elsewhere"
printf 'SavePath=save\\\r\n' >"$work/tale/qvl.cfg"
printf 'hello\r\n' >"$work/tale/autorun.txt"
cd "$work/elsewhere"

# A file chosen in a file manager opens its folder.
for file in qvl.cfg autorun.txt; do
  out=$("$quorvel" --headless --auto "$work/tale/$file")
  grep -q '^text: hello$' <<<"$out" || { echo "opening $file did not play its folder:"; echo "$out"; exit 1; }
done

# A folder without a scenario: one plain message in the window, exit code 1.
set +e
out=$("$quorvel" --headless --auto "$work/empty")
code=$?
set -e
echo "$out"
[ $code -eq 1 ] || { echo "exit code $code"; exit 1; }
grep -q "^box: Quorvel | このフォルダにはシナリオがありません.*$work/empty -> ok$" <<<"$out" || { echo "no message"; exit 1; }
[ "$(grep -c '^box: ' <<<"$out")" -eq 1 ] || { echo "more than the one message"; exit 1; }

"$quorvel" --help | grep -q -- '^  --demo ' || { echo "--help lacks --demo"; exit 1; }
"$quorvel" --version | head -n 1 | grep -qE '^quorvel \(Quorvel\) [0-9]+\.[0-9]+\.[0-9]+$' || { echo "bad --version"; exit 1; }
"$txd" --help | grep -q '^Usage: qvl-txd' || { echo "qvl-txd --help"; exit 1; }
if "$quorvel" --no-such-option 2>/dev/null; then echo "a bad option was taken"; exit 1; fi
echo "launch test: ok"
