#!/usr/bin/env bash
# The real program against a real notification server (dunst on a private session bus, on a
# display without a tray): the first start says once where the window docked, the second start
# says nothing; with song notices on, the docked window's new song is one notice. With a tray
# (a stand-in status notifier watcher) the first start's notice comes from the tray icon, and a
# click on the icon brings the docked window into view.
set -u
exe=$1
[ -n "${KELVANE_OWN_BUS:-}" ] || KELVANE_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=30" -c:a libmp3lame -b:a 128k \
  "$work/tone.mp3" || fail "ffmpeg"
port=$(free_port)
# A paced live station whose ICY title is "Song One".
python3 - "$port" "$work/tone.mp3" >"$work/icy.log" 2>&1 <<'PY' &
import socketserver, sys, time
port, mp3 = int(sys.argv[1]), open(sys.argv[2], "rb").read()
body = b"StreamTitle='Song One';"
meta = bytes([(len(body) + 15) // 16]) + body.ljust(16 * ((len(body) + 15) // 16), b"\0")
class H(socketserver.StreamRequestHandler):
    def handle(self):
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        self.wfile.write(b"ICY 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint: 8000\r\n\r\n")
        pos, start, sent = 0, time.time(), 0
        try:
            while True:
                chunk = (mp3 + mp3)[pos:pos + 8000]
                pos = (pos + 8000) % len(mp3)
                self.wfile.write(chunk + meta)
                sent += 8000
                ahead = (sent - 65536) / 16000 - (time.time() - start)
                if ahead > 0:
                    time.sleep(ahead)
        except OSError:
            pass
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer.daemon_threads = True
socketserver.ThreadingTCPServer(("127.0.0.1", port), H).serve_forever()
PY
pids+=($!)
printf 'A ==> http://127.0.0.1:%s/a\r\n' "$port" >"$work/fmstacionet.dat"
touch "$work/tvstacionet.dat" "$work/tvadult.dat"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
settings="$XDG_CONFIG_HOME/Kelvane/Kelvane.conf"

dunst -config /dev/null >"$work/dunst.log" 2>&1 &
pids+=($!)
wait_for 15 dunstctl count history || fail "dunst did not start"
notice="Kelvane 停靠在屏幕顶部：把鼠标移到屏幕顶部中间，窗口就会滑出。"
# How many notices dunst was sent with that body (shown ones are closed into its history first).
sent() {
  dunstctl close-all
  dunstctl history | python3 -c '
import json, sys
want = sys.argv[1]
print(sum(1 for n in json.load(sys.stdin)["data"][0] if n["body"]["data"] == want))' "$1"
}
count_is() { [ "$(sent "$2")" = "$1" ]; }

app=""
start() {
  "$work/kelvane" >>"$work/kelvane.log" 2>&1 &
  app=$!
  pids+=($app)
  wait_for 60 radio_window || fail "no radio window"
  # The splash hands over to the docked window.
  wait_for 30 bash -c "! xdotool search --name '^Splash Kelvane\$'" || fail "the splash stayed"
}
quit() {
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.kelvane \
    /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit || fail "Quit was refused"
  wait_for 15 bash -c "! kill -0 $app" || fail "the program did not end on Quit"
}

start
wait_for 15 count_is 1 "$notice" || fail "the first start sent $(sent "$notice") notices, not one"
ok "the first start says where the window docked, once"
quit

# Song notices on: the song of the docked window comes after the splash has gone, so by then any
# notice of the start would have arrived.
grep -q '^\[desktop\]$' "$settings" || fail "nothing was remembered: $(cat "$settings")"
sed -i 's/^\[desktop\]$/[desktop]\nsongNotices=true/' "$settings"
start
playerctl -p kelvane play
wait_for 30 count_is 1 "A" || fail "no song notice: $(dunstctl history)"
count_is 1 "$notice" || fail "the second start said again where the window docked"
ok "the second start says nothing; the docked window's song is one notice"
quit

# A new user on a desktop with a tray.
export HOME="$work/home2" XDG_CONFIG_HOME="$work/home2/.config" XDG_DATA_HOME="$work/home2/.local/share"
/usr/bin/python3 "$(dirname "$0")/tray_watcher.py" >"$work/watcher.log" 2>&1 &
pids+=($!)
wait_for 15 grep -q '^ready' "$work/watcher.log" || fail "the tray stand-in did not start"
start
wait_for 15 grep -q '^item ' "$work/watcher.log" || fail "no tray icon: $(cat "$work/watcher.log")"
wait_for 15 count_is 2 "$notice" || fail "the tray said $(($(sent "$notice") - 1)) times where the window docked"
ok "with a tray, the tray icon appears and says once where the window docked"
read -r _ item path < <(grep '^item ' "$work/watcher.log")
xdotool mousemove 640 1000
dbus-send --session --type=method_call --dest="$item" "$path" \
  org.kde.StatusNotifierItem.Activate int32:0 int32:0 || fail "the tray icon refused a click"
win=$(radio_window)
wait_for 5 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=0$'" ||
  fail "a click on the tray icon did not bring the docked window into view"
ok "a click on the tray icon shows the window"
quit
echo "$passed passed, 0 failed"
