#!/usr/bin/env bash
# The real window's costs, on a private virtual display:
#   - start-up: process start to the first presented frame, headless and windowed
#     (median of 10 runs each), and headless for a one-line scenario;
#   - side by side with onscripter (installed here when missing and we may): the
#     same 640x480 picture and one line of text in both, rounds interleaved, timed
#     from outside by qvl_window_watch: launch to window mapped, launch to the
#     picture shown, memory once the line is out, idle CPU at that click wait,
#     and a click to the next line changing the window;
#   - idle CPU: the share of one core quorvel uses over 10 seconds at the demo's
#     first click wait (the wait icon animating), with the demo's music and without,
#     and while a choice waits for the pointer.
# usage: bench/window_bench.sh PATH/TO/quorvel [DEMO_DIR]
set -euo pipefail
quorvel=$(realpath "$1")
demo=$(realpath "${2:-$(dirname "$0")/../demo}")
watch="$(dirname "$quorvel")/../bench/qvl_window_watch"
rounds=${QVL_BENCH_ROUNDS:-7}
work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "n/a" }'; }

# Start-up, headless: the run ends at its first timed wait.
for _ in $(seq 10); do
  QVL_LAUNCH_NS=$(date +%s%N) "$quorvel" --headless --startup-time --max-ms 1 "$demo" 2>&1 >/dev/null |
    sed -n 's/^startup: \([0-9.]*\) ms.*/\1/p'
done | median > "$work/headless"
echo "startup, headless: $(cat "$work/headless") ms to the first frame (median of 10; target under 150)"

# The same picture and line for both engines: a 640x480 BMP of one colour.
python3 - "$work/bg.bmp" <<'PY'
import struct, sys
w, h = 640, 480
pixels = bytes([0xCC, 0x66, 0x33]) * (w * h)  # blue, green, red: #3366CC
head = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(head + info + pixels)
PY
line=$(printf 'こんにちは、世界。' | iconv -f UTF-8 -t SHIFT_JIS)
line2=$(printf 'クリックで次の行へ。' | iconv -f UTF-8 -t SHIFT_JIS)
mkdir -p "$work/one"
cp "$work/bg.bmp" "$work/one/"
printf '[System]\r\nVersion=1.00\r\nSavePath=save\\\r\nBackGround=bg.bmp\r\n' > "$work/one/qvl.cfg"
printf '%s\r\n%s\r\n' "$line" "$line2" > "$work/one/autorun.txt"

# Start-up, headless, of that one-line scenario (the run ends at its click wait).
for _ in $(seq 10); do
  "$quorvel" --headless --startup-time "$work/one" 2>&1 >/dev/null | sed -n 's/^startup: \([0-9.]*\) ms.*/\1/p'
done | median > "$work/headless1"
echo "startup, headless, one-line scenario: $(cat "$work/headless1") ms to the first frame (median of 10; target 25)"

# A display of our own.
exec 3> >(cat > "$work/display")
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
  echo "window measurements skipped: Xvfb did not start"
  exit 0
fi
export DISPLAY=":$(head -n1 "$work/display")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"
# A window manager, as on a desktop: it gives a clicked window the input.
if command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  sleep 1
fi

# Start-up, windowed: each run is stopped once it has shown its first frame.
for i in $(seq 10); do
  log="$work/start$i.log"
  QVL_LAUNCH_NS=$(date +%s%N) "$quorvel" --scale 1 --startup-time "$demo" >/dev/null 2>"$log" &
  pid=$!
  for _ in $(seq 100); do grep -qs '^startup:' "$log" && break; sleep 0.05; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sed -n 's/^startup: \([0-9.]*\) ms.*/\1/p' "$log"
done | median > "$work/windowed"
echo "startup, windowed: $(cat "$work/windowed") ms to the first frame (median of 10)"

# Side by side with onscripter.
if ! command -v onscripter >/dev/null && [ ! -x /usr/games/onscripter ] && [ "$(id -u)" = 0 ] &&
   command -v apt-get >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq onscripter >/dev/null 2>&1 || true
fi
ons=$(command -v onscripter || echo /usr/games/onscripter)
if [ ! -x "$ons" ]; then
  echo "side by side with onscripter skipped: not installed"
elif [ ! -x "$watch" ]; then
  echo "side by side with onscripter skipped: no $watch (libx11-dev missing at build time?)"
else
  mkdir -p "$work/ons"
  cp "$work/bg.bmp" "$work/ons/"
  ln -s "$(fc-match -f '%{file}' 'IPAGothic:lang=ja')" "$work/ons/default.ttf"
  printf '*define\ngame\n*start\nbg "bg.bmp",1\n%s@\n%s@\nend\n' "$line" "$line2" > "$work/ons/0.txt"
  : > "$work/side.q"
  : > "$work/side.o"
  for _ in $(seq "$rounds"); do
    rm -rf "$work/q"; cp -r "$work/one" "$work/q"
    "$watch" 600 20 3366CC 1500 3000 -- "$quorvel" --scale 1 "$work/q" >> "$work/side.q" 2>/dev/null || true
    "$watch" 600 20 3366CC 1500 3000 -- "$ons" --root "$work/ons" >> "$work/side.o" 2>/dev/null || true
  done
  col() { awk -v c="$2" 'NF == 6 && $2 >= 0 && $c >= 0 { print $c }' "$1" | median; }
  awk -v rounds="$rounds" \
      -v qm="$(col "$work/side.q" 1)" -v om="$(col "$work/side.o" 1)" \
      -v qs="$(col "$work/side.q" 2)" -v os="$(col "$work/side.o" 2)" \
      -v qr="$(col "$work/side.q" 3)" -v or="$(col "$work/side.o" 3)" \
      -v qp="$(col "$work/side.q" 4)" -v op="$(col "$work/side.o" 4)" \
      -v qc="$(col "$work/side.q" 5)" -v oc="$(col "$work/side.o" 5)" \
      -v qk="$(col "$work/side.q" 6)" -v ok="$(col "$work/side.o" 6)" 'BEGIN {
    printf "side by side with onscripter, the same picture and line, medians of %d interleaved rounds:\n", rounds
    printf "  launch -> window mapped:     quorvel %6.1f ms, onscripter %6.1f ms, ratio %.2f\n", qm, om, qm / om
    printf "  launch -> picture shown:     quorvel %6.1f ms, onscripter %6.1f ms, ratio %.2f (target <= 1.0)\n", qs, os, qs / os
    printf "  RSS at the click wait:       quorvel %6.1f MiB, onscripter %6.1f MiB, ratio %.2f (target <= 1.2)\n", qr / 1024, or / 1024, qr / or
    printf "  PSS at the click wait:       quorvel %6.1f MiB, onscripter %6.1f MiB, ratio %.2f\n", qp / 1024, op / 1024, qp / op
    printf "  idle CPU at the click wait:  quorvel %6.2f %%,   onscripter %6.2f %% of a core (target <= 0.5 %%)\n", qc, oc
    printf "  click -> next line changes the window: quorvel %.1f ms, onscripter %.1f ms (target within a frame, 16.7 ms)\n", qk, ok
  }'
fi

# Idle CPU: the program started on a scenario, measured once it waits.
hz=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
idle() { # label scenario-dir transcript-line-to-wait-for
  "$quorvel" --scale "${QVL_BENCH_SCALE:-1}" --transcript "$2" >"$work/idle.out" 2>/dev/null &
  local pid=$!
  for _ in $(seq 100); do grep -qs "$3" "$work/idle.out" && break; sleep 0.1; done
  sleep 3  # a line is written out a character at a time
  local q0 x0 t0 q1 x1 t1
  q0=$(cpu "$pid"); x0=$(cpu "$xvfb_pid"); t0=$(date +%s%N)
  sleep 10
  q1=$(cpu "$pid"); x1=$(cpu "$xvfb_pid"); t1=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v q=$((q1 - q0)) -v x=$((x1 - x0)) -v hz="$hz" -v ns=$((t1 - t0)) -v what="$1" 'BEGIN {
    s = ns / 1e9
    printf "idle CPU %s: %.2f %% of a core (quorvel; target under 1 %%), %.2f %% (the X server)\n",
           what, 100 * q / hz / s, 100 * x / hz / s
  }'
}
idle "at the first click wait, the demo's MIDI tune playing" "$demo" '^text:'
# The same wait with the music switched off: what is left is the wait itself, not the
# synthesiser rendering the demo's MIDI tune (about 1.5 % of a core on its own, nearly all of
# it FluidSynth rendering voices on the audio thread, not its wake-ups).
cp -r "$demo" "$work/quiet"
printf 'Version=1.20\r\n[System]\r\nSavePath=save\\\r\nEnableMusic=0\r\n' > "$work/quiet/qvl.ini"
idle "at the first click wait, music off" "$work/quiet" '^text:'
# The same in a window twice the scene, its text drawn at the window's resolution.
QVL_BENCH_SCALE=2 idle "at the first click wait, music off, window x2 with sharp text" "$work/quiet" '^text:'

# Transitions in the window: how long each took against the sum of its waits.
cp -r "$demo" "$work/fade"
printf '_bgload "bg_sky.jpg"\r\n_fade #BLEND0\r\n_bgload "bg_room.mag"\r\n_fade #TILE0\r\n_winexit\r\n' \
  > "$work/fade/autorun.txt"
"$quorvel" --scale 1 --verbose "$work/fade" 2>"$work/fade.log" >/dev/null &
pid=$!
for _ in $(seq 100); do [ "$(grep -c '^transition:' "$work/fade.log" 2>/dev/null)" -ge 2 ] && break; sleep 0.1; done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
grep '^transition:' "$work/fade.log" | awk '{
  printf "transition %s in the window: %d ms against %d ms of waits (%+.0f %%; target within 20 %%)\n",
         $2, $3, $6, 100 * ($3 - $6) / $6 }'

cp -r "$demo" "$work/choice"
printf '_selmenu 100,100\r\nfirst\r\nsecond\r\n_endsel\r\n' > "$work/choice/autorun.txt"
idle "while a choice waits for the pointer" "$work/choice" '^chapter:'
