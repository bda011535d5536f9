#!/usr/bin/env bash
# Resident memory and CPU of the real program with the radio window shown: idle, then while a
# local 128 kbit/s stream plays for PLAY_SECONDS (default 600).
# Usage: bench/app/memory_cpu.sh build/bin/kelvane   (runs itself under xvfb-run when needed)
set -euo pipefail
exe=$(realpath "$1")
play_seconds=${PLAY_SECONDS:-600}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env PLAY_SECONDS="$play_seconds" bash "$0" "$exe"
fi
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT

ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=60" \
  -c:a libmp3lame -b:a 128k "$work/tone.mp3"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
# A live stream: the file looped at its real rate, forever.
python3 - "$port" "$work/tone.mp3" >"$work/server.log" 2>&1 <<'PY' &
import socketserver, sys, time
data = open(sys.argv[2], "rb").read()
class H(socketserver.StreamRequestHandler):
    def handle(self):
        print(self.rfile.readline().decode().strip(), flush=True)
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n")
        pos, start, sent = 0, time.time(), 0
        while True:
            due = int((time.time() - start) * 16000) + 64000 - sent
            if due > 0:
                chunk = (data[pos:] + data)[:due]
                pos = (pos + due) % len(data)
                self.wfile.write(chunk)
                sent += due
            time.sleep(0.05)
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer(("127.0.0.1", int(sys.argv[1])), H).serve_forever()
PY
pids+=($!)
cp "$exe" "$work/kelvane"
printf 'Live ==> http://127.0.0.1:%s/live.mp3\r\n' "$port" >"$work/fmstacionet.dat"
# The bundled stations after it, as a listener has them (their names are indexed for typing).
cat "$(dirname "$0")/../../data/fmstacionet.dat" >>"$work/fmstacionet.dat"
${BENCH_WRAP:-} "$work/kelvane" >/dev/null 2>&1 &
app=$!
pids+=($app)

rss() { awk '/VmRSS/ {print $2}' "/proc/$app/status"; }
# What no other process shares: the heap, stacks, written data.
dirty() { awk '/^Private_Dirty/ {print $2}' "/proc/$app/smaps_rollup"; }
mib() { awk -v k="$1" 'BEGIN{printf "%.1f", k/1024}'; }
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)

for _ in $(seq 100); do
  win=$(xdotool search --name '^Kelvane$' 2>/dev/null | while read -r w; do
    xdotool getwindowgeometry "$w" | grep -q "Geometry: 351x312" && echo "$w"; done | head -1 || true)
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || { echo "no radio window"; exit 1; }
sleep 3
t0=$(ticks)
sleep 30
t1=$(ticks)
[ -z "${SMAPS_IDLE_TO:-}" ] || cp "/proc/$app/smaps" "$SMAPS_IDLE_TO"
echo "idle: RSS $(mib "$(rss)") MiB, private dirty $(mib "$(dirty)") MiB, CPU $(awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN{printf "%.2f", 100*d/hz/30}') % of a core over 30 s"

# The window rests docked above the top edge: slide it into view over its strip first.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 175)) 1
for _ in $(seq 50); do
  eval "$(xdotool getwindowgeometry --shell "$win")"
  [ "$Y" -ge 0 ] && break
  sleep 0.1
done
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
echo "playing $((play_seconds + 30)) s: RSS $(mib "$end_rss") MiB, growth $(mib $((end_rss - start_rss))) MiB over ${play_seconds} s, private dirty $(mib "$end_dirty") MiB (growth $(mib $((end_dirty - start_dirty))) MiB), CPU $(awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$play_seconds" 'BEGIN{printf "%.2f", 100*d/hz/s}') % of a core"
