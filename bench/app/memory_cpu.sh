#!/usr/bin/env bash
# Resident memory and CPU of the real program with the radio window shown: idle, then while a
# local 128 kbit/s stream plays for PLAY_SECONDS (default 600).
# Usage: bench/app/memory_cpu.sh build/bin/kelvane   (runs itself under xvfb-run when needed)
# SMAPS_IDLE_TO, SMAPS_TO and SMAPS_END_TO name files for /proc/PID/smaps when idle, after 30 s
# of playing and at the end; BENCH_WRAP runs the program under a tool (heaptrack ...).
set -euo pipefail
exe=$(realpath "$1")
play_seconds=${PLAY_SECONDS:-600}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env PLAY_SECONDS="$play_seconds" bash "$0" "$exe"
fi
# shellcheck source=bench/app/live_station.sh
source "$(dirname "$0")/live_station.sh"
start_kelvane

rss() { awk '/VmRSS/ {print $2}' "/proc/$app/status"; }
# What no other process shares: the heap, stacks, written data.
dirty() { awk '/^Private_Dirty/ {print $2}' "/proc/$app/smaps_rollup"; }
mib() { awk -v k="$1" 'BEGIN{printf "%.1f", k/1024}'; }
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)

find_radio_window
sleep 3
t0=$(ticks)
sleep 30
t1=$(ticks)
[ -z "${SMAPS_IDLE_TO:-}" ] || cp "/proc/$app/smaps" "$SMAPS_IDLE_TO"
echo "idle: RSS $(mib "$(rss)") MiB, private dirty $(mib "$(dirty)") MiB, CPU $(awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN{printf "%.2f", 100*d/hz/30}') % of a core over 30 s"

slide_into_view
xdotool mousemove $((X + 100)) $((Y + 112)) click 1 sleep 0.2 click --repeat 2 --delay 80 1
sleep 2
grep -q 'GET /live.mp3' "$work/server.log" || { echo "the station was not requested"; exit 1; }
sleep 28
start_rss=$(rss)
start_dirty=$(dirty)
t0=$(ticks)
echo "playing 30 s: RSS $(mib "$start_rss") MiB, private dirty $(mib "$start_dirty") MiB"
[ -z "${SMAPS_TO:-}" ] || cp "/proc/$app/smaps" "$SMAPS_TO"
sleep "$play_seconds"
t1=$(ticks)
end_rss=$(rss)
end_dirty=$(dirty)
[ -z "${SMAPS_END_TO:-}" ] || cp "/proc/$app/smaps" "$SMAPS_END_TO"
echo "playing $((play_seconds + 30)) s: RSS $(mib "$end_rss") MiB, growth $(mib $((end_rss - start_rss))) MiB over ${play_seconds} s, private dirty $(mib "$end_dirty") MiB (growth $(mib $((end_dirty - start_dirty))) MiB), CPU $(awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$play_seconds" 'BEGIN{printf "%.2f", 100*d/hz/s}') % of a core"
