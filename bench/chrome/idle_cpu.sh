#!/usr/bin/env bash
# CPU used by an idle program with a docked, hidden window, in percent of one core.
# Run under a display with a window manager, for example:
#   xvfb-run -a -s "-screen 0 1280x1024x24" bench/chrome/idle_cpu.sh build/bench/chrome/dock_idle 30
# Any program can be measured the same way (its own arguments follow the seconds).
# Starts openbox itself when no window manager is running.
set -euo pipefail
exe=$1
seconds=${2:-30}
shift $(($# < 2 ? $# : 2))
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
fi
# The pointer well away from the docked window.
xdotool mousemove 640 900 2>/dev/null || true

QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb} "$exe" "$@" >/dev/null 2>&1 &
app=$!
pids+=($app)
sleep 3 # start-up and docking are not idle time
ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "idle CPU: %.3f %% of one core over %d s (%d clock ticks of 1/%d s)\n", 100 * d / (hz * s), s, d, hz }'
