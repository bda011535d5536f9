#!/usr/bin/env bash
# The real program as a desktop citizen (run under xvfb-run, on a private session bus): the
# desktop's media controls through a client nobody here wrote (playerctl): play, status, the
# title after the stream's title changes, volume, play-pause, next station; what is remembered
# between runs (volume, the last station); a damaged settings file; Quit over an open box.
set -u
exe=$1
[ -n "${KELVANE_OWN_BUS:-}" ] || KELVANE_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=60" -c:a libmp3lame -b:a 128k \
  "$work/tone.mp3" || fail "ffmpeg"
port=$(free_port)
# A live station with ICY titles, paced like a real one; its title becomes "Song Two" once the
# file next-title exists.
python3 - "$port" "$work" >"$work/icy.log" 2>&1 <<'PY' &
import os, socketserver, sys, time
port, work = int(sys.argv[1]), sys.argv[2]
mp3 = open(os.path.join(work, "tone.mp3"), "rb").read()
METAINT = 8000
def meta():
    title = "Song Two" if os.path.exists(os.path.join(work, "next-title")) else "Song One"
    body = ("StreamTitle='%s';" % title).encode()
    n = (len(body) + 15) // 16
    return bytes([n]) + body.ljust(16 * n, b"\0")
class H(socketserver.StreamRequestHandler):
    def handle(self):
        path = self.rfile.readline().split()[1].decode()
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        print("GET", path, flush=True)
        self.wfile.write(b"ICY 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint: %d\r\n\r\n" % METAINT)
        pos, start, sent = 0, time.time(), 0
        try:
            while True:
                chunk = mp3[pos:pos + METAINT]
                pos = (pos + METAINT) % len(mp3)
                if len(chunk) < METAINT:
                    chunk += mp3[:METAINT - len(chunk)]
                self.wfile.write(chunk + meta())
                sent += METAINT
                # 16 kB a second after a 64 kB head start, as a 128 kbit/s station sends.
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
printf 'A ==> http://127.0.0.1:%s/a\r\nB ==> http://127.0.0.1:%s/b\r\n' "$port" "$port" \
  >"$work/fmstacionet.dat"
touch "$work/tvstacionet.dat" "$work/tvadult.dat"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
settings="$XDG_CONFIG_HOME/Kelvane/Kelvane.conf"

app=""
start() {
  "$work/kelvane" >>"$work/kelvane.log" 2>&1 &
  app=$!
  pids+=($app)
  wait_for 30 playerctl -p kelvane status || fail "the program did not appear on the session bus"
  wait_for 60 radio_window || fail "no radio window"
}
quit() {
  call Quit
  wait_for 15 bash -c "! kill -0 $app" || fail "the program did not end on Quit"
}
is() { [ "$(playerctl -p kelvane "${@:2}" 2>/dev/null)" = "$1" ]; }
requested() { grep -q "GET /$1\$" "$work/icy.log"; }

start
is Stopped status || fail "a fresh program is not Stopped"
playerctl -p kelvane play
wait_for 20 is Playing status || fail "Play did not start the first station"
requested a || fail "Play did not play the first station"
wait_for 20 is "Song One" metadata xesam:title || fail "no title from the stream"
is A metadata xesam:album || fail "the station's name is not in the metadata"
ok "play, status and the stream's title through playerctl"

touch "$work/next-title"
wait_for 20 is "Song Two" metadata xesam:title || fail "the title did not follow the stream"
ok "the title follows the stream's title change"

playerctl -p kelvane volume 0.8
wait_for 5 is 0.800000 volume || fail "the volume was not set"
playerctl -p kelvane play-pause
wait_for 10 is Paused status || fail "play-pause did not pause"
playerctl -p kelvane play-pause
wait_for 10 is Playing status || fail "play-pause did not resume"
ok "volume and play-pause"

playerctl -p kelvane next
wait_for 20 requested b || fail "next did not play the next station"
wait_for 20 is B metadata xesam:album || fail "the metadata does not name the next station"
ok "next plays the next station of the list"

xdotool mousemove 640 1000
call() {
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.kelvane \
    /org/mpris/MediaPlayer2 "org.mpris.MediaPlayer2.$1" || fail "$1 was refused"
}
call Raise
win=$(radio_window)
wait_for 5 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=0$'" ||
  fail "Raise did not bring the docked window into view"
ok "Raise brings the docked window into view"

quit
grep -q '^volume=80$' "$settings" || fail "the volume was not remembered: $(cat "$settings")"
start
is Stopped status || fail "a restarted program played by itself"
is 0.800000 volume || fail "before anything played, the volume read $(playerctl -p kelvane volume)"
playerctl -p kelvane play # plays the selected station: the one that played last
wait_for 20 is B metadata xesam:album || fail "the last station was not selected at start"
is 0.800000 volume || fail "the volume was not restored: $(playerctl -p kelvane volume)"
ok "volume and last station survive a restart"
quit

head -c 3000 /dev/urandom >"$settings"
start
playerctl -p kelvane play
wait_for 20 is Playing status || fail "a damaged settings file stopped the program from playing"
is 0.500000 volume || fail "a damaged settings file did not give the default volume"
ok "a damaged settings file gives the defaults and a working program"
quit

# Quit while a box is open (Ctrl+R with nothing playing): the box closes first, then the program
# ends, at once and cleanly.
start
call Raise
win=$(radio_window)
wait_for 5 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=0$'" || fail "no window in view"
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 100)) $((Y + 110)) click 1 key ctrl+r
wait_for 10 xdotool search --onlyvisible --name '^录音$' || fail "Ctrl+R with nothing playing showed no box"
call Quit
wait_for 2 bash -c "! kill -0 $app" || fail "the program did not end within two seconds of Quit over a box"
wait "$app"
rc=$?
[ $rc -eq 0 ] || fail "Quit over an open box ended the program with status $rc"
ok "Quit over an open box closes it and ends the program cleanly"
echo "$passed passed, 0 failed"
