#!/usr/bin/env bash
# The real window's costs, on a private virtual display:
#   - start-up: process start to the first presented frame, headless and windowed
#     (median of 10 runs each);
#   - idle CPU: the share of one core quorvel uses over 10 seconds at the demo's
#     first click wait (the wait icon animating), with the demo's music and without,
#     and while a choice waits for the pointer.
# usage: bench/window_bench.sh PATH/TO/quorvel [DEMO_DIR]
set -euo pipefail
quorvel=$(realpath "$1")
demo=$(realpath "${2:-$(dirname "$0")/../demo}")
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
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

# Start-up, windowed: each run is stopped once it has shown its first frame.
for i in $(seq 10); do
  log="$work/start$i.log"
  QVL_LAUNCH_NS=$(date +%s%N) "$quorvel" --startup-time "$demo" >/dev/null 2>"$log" &
  pid=$!
  for _ in $(seq 100); do grep -qs '^startup:' "$log" && break; sleep 0.05; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sed -n 's/^startup: \([0-9.]*\) ms.*/\1/p' "$log"
done | median > "$work/windowed"
echo "startup, windowed: $(cat "$work/windowed") ms to the first frame (median of 10)"

# Idle CPU: the program started on a scenario, measured once it waits.
hz=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
idle() { # label scenario-dir transcript-line-to-wait-for
  "$quorvel" --transcript "$2" >"$work/idle.out" 2>/dev/null &
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
# synthesiser rendering the demo's MIDI tune (about 2 % of a core on its own).
cp -r "$demo" "$work/quiet"
printf 'Version=1.20\r\n[System]\r\nSavePath=save\\\r\nEnableMusic=0\r\n' > "$work/quiet/qvl.ini"
idle "at the first click wait, music off" "$work/quiet" '^text:'

# Transitions in the window: how long each took against the sum of its waits.
cp -r "$demo" "$work/fade"
printf '_bgload "bg_sky.jpg"\r\n_fade #BLEND0\r\n_bgload "bg_room.mag"\r\n_fade #TILE0\r\n_winexit\r\n' \
  > "$work/fade/autorun.txt"
"$quorvel" --verbose "$work/fade" 2>"$work/fade.log" >/dev/null &
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
