#!/usr/bin/env bash
# A scenario folder that cannot be written (a disc, an installed copy): qvl.ini and
# the saves go to $XDG_DATA_HOME/quorvel/<ProgramID>, and the next run finds them.
# Root writes through missing write bits, so as root the runs are made as nobody.
#   readonly_folder_test.sh QUORVEL
set -euo pipefail
quorvel=$(readlink -f "$1")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY

as_player=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "skipped: root without setpriv cannot make a folder read-only"; exit 77; }
  as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  # nobody must reach the program (and the sanitizer's libraries) to run it.
  "${as_player[@]}" test -x "$quorvel" || { echo "skipped: nobody cannot run $quorvel"; exit 77; }
fi

scenario="$work/disc"
mkdir -p "$scenario" "$work/xdg"
printf 'ProgramID=ReadOnlyTale\r\nSavePath=save\\\r\nTextMaxIndex=4\r\n' >"$scenario/qvl.cfg"
# Run one: no slot to load yet, set a global flag, save slot 1, end normally.
# Run two: load slot 1 (found only in the player folder), then end.
printf '_textclear\r\nfirst page\r\n_winload\r\n_$flg[300]=7\r\n_winsave\r\n_winexit\r\n' >"$scenario/autorun.txt"
printf 'menu 高速文字表示\nclick\ncancel\nslot 1\n' >"$work/input1"
printf 'click\nslot 1\n' >"$work/input2"
chmod -R a-w "$scenario"
chmod 777 "$work/xdg"

run() {  # run N: one headless run of the read-only scenario
  (cd "$work" && "${as_player[@]}" env HOME="$work/nohome" XDG_DATA_HOME="$work/xdg" \
     "$quorvel" --headless --auto --input "$work/input$1" --dump-state "$work/state$1.json" "$scenario") \
     >"$work/out$1" 2>"$work/err$1" || { echo "run $1 failed"; cat "$work/out$1" "$work/err$1"; exit 1; }
  echo "run $1:"; sed 's/^/  /' "$work/out$1"
}
chmod 777 "$work"
run 1
player="$work/xdg/quorvel/ReadOnlyTale"
grep -q "^notice: .*$player" "$work/out1" || { echo "no notice of the player folder"; exit 1; }
grep -q '^save: slot 1$' "$work/out1" || { echo "run 1 did not save"; exit 1; }
for f in qvl.ini save/data1.hsd save/data1.hfd save/data1.hld save/data0.hfd save/textid.dat; do
  [ -f "$player/$f" ] || { echo "missing in the player folder: $f"; ls -R "$work/xdg"; exit 1; }
done
grep -q '^HighSpeedText=1' "$player/qvl.ini" || { echo "qvl.ini lacks the menu choice"; exit 1; }
[ -z "$(ls -A "$scenario" | grep -v -x -e qvl.cfg -e autorun.txt)" ] || { echo "wrote into the scenario"; exit 1; }

run 2
grep -q '^load: slot 1$' "$work/out2" || { echo "run 2 did not find slot 1"; exit 1; }
# qvl.ini and the global flags of run one came back.
grep -q '"HighSpeedText": *true' "$work/state2.json" || { echo "run 2 lost qvl.ini"; exit 1; }
# The flags are the first array of the dump, one per line: flag 300 is line 303.
[ "$(sed -n '303p' "$work/state2.json" | tr -d ' ,"')" = 7 ] || { echo "run 2 lost the global flags"; exit 1; }
echo "read-only folder test: ok"
