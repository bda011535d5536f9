#!/usr/bin/env bash
# Whole-program check (run under xvfb-run): a list server that drips one byte every 2 s cannot
# hold the update button hostage. The list address is fixed at build time, so the server stands
# in as the HTTP proxy the program takes from the environment.
set -u
exe=$1
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
printf 'Station ==> http://127.0.0.1:9/none.mp3\r\n' >"$work/fmstacionet.dat"
port=$(free_port)
python3 - "$port" >"$work/proxy.log" 2>&1 <<'PY' &
import select, socketserver, sys, time
class H(socketserver.StreamRequestHandler):
    def handle(self):
        line = self.rfile.readline().decode(errors="replace").strip()
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        if "fmstacionet.dat" not in line:
            self.wfile.write(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
            return
        print("open %.3f" % time.time(), flush=True)
        self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n")
        try:
            for _ in range(1000):
                self.wfile.write(b"x")
                self.wfile.flush()
                # Between drips, notice at once when the program closes the connection.
                if select.select([self.connection], [], [], 2)[0] and not self.connection.recv(1):
                    break
        except OSError:
            pass
        print("closed %.3f" % time.time(), flush=True)
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer(("127.0.0.1", int(sys.argv[1])), H).serve_forever()
PY
pids+=($!)

http_proxy="http://127.0.0.1:$port" "$work/kelvane" >"$work/kelvane.log" 2>&1 &
pids+=($!)

wait_for 60 radio_window || fail "no radio window"
win=$(radio_window)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 175)) 1
at_top() { eval "$(xdotool getwindowgeometry --shell "$win")"; [ "$Y" -ge 0 ]; }
wait_for 10 at_top || fail "the docked window did not slide into view"
eval "$(xdotool getwindowgeometry --shell "$win")"
ok "radio window in view"

# The update button (0,56 105x20): arm, then start.
button() { xdotool mousemove $((X + 52)) $((Y + 66)) click 1; }
button
sleep 0.5
button
wait_for 10 grep -q '^open' "$work/proxy.log" || fail "the list was not requested"
ok "the list transfer started"
sleep 3 # well inside the drip
start=$(date +%s.%N)
button # cancels
wait_for 5 grep -q '^closed' "$work/proxy.log" || fail "the connection stayed open after cancel"
closed=$(awk '/^closed/ {print $2}' "$work/proxy.log")
took=$(awk -v a="$start" -v b="$closed" 'BEGIN {printf "%.2f", b - a}')
awk -v t="$took" 'BEGIN {exit !(t < 1.0)}' || fail "the connection closed ${took} s after the click"
ok "cancel closed the connection ${took} s after the click"
echo "$passed passed, 0 failed"
