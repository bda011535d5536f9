# Shared by the whole-program benchmarks: a local live MP3 station listed first in the radio
# list, the program started beside that list, its radio window found and slid into view.
# Source it after setting exe; it sets work, port, app, win and the cleanup trap.

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT

ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=60" \
  -c:a libmp3lame -b:a 128k "$work/tone.mp3"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
# A live stream: the file looped at its real rate, forever.
python3 - "$port" "$work/tone.mp3" >"$work/server.log" 2>&1 <<'PY' &
import socket, socketserver, sys, time
data = open(sys.argv[2], "rb").read()
class H(socketserver.StreamRequestHandler):
    def handle(self):
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        print(self.rfile.readline().decode().strip(), flush=True)
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        # The head and a burst of four seconds at once, as a streaming server sends them.
        self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n" + data[:64000])
        pos, start, sent = 64000, time.time(), 64000
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

# Starts the program (again) beside the list; $app is its process.
start_kelvane() {
  [ -f "$work/kelvane" ] || cp "$exe" "$work/kelvane"
  if [ ! -f "$work/fmstacionet.dat" ]; then
    printf 'Live ==> http://127.0.0.1:%s/live.mp3\r\n' "$port" >"$work/fmstacionet.dat"
    # The bundled stations after it, as a listener has them (their names are indexed for typing).
    cat "$(dirname "${BASH_SOURCE[0]}")/../../data/fmstacionet.dat" >>"$work/fmstacionet.dat"
  fi
  ${BENCH_WRAP:-} "$work/kelvane" >/dev/null 2>&1 &
  app=$!
  pids+=($app)
}

# Sets $win to the radio window, or fails.
find_radio_window() {
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --name '^Kelvane$' 2>/dev/null | while read -r w; do
      xdotool getwindowgeometry "$w" | grep -q "Geometry: 351x312" && echo "$w"; done | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.2
  done
  [ -n "$win" ] || { echo "no radio window"; exit 1; }
}

# Sets X and Y to the window's place once it is in view.
slide_into_view() {
  # The window rests docked above the top edge: slide it into view over its strip first.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + 175)) 1
  for _ in $(seq 50); do
    eval "$(xdotool getwindowgeometry --shell "$win")"
    [ "$Y" -ge 0 ] && break
    sleep 0.1
  done
}
