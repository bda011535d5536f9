#!/usr/bin/env bash
# The real program used by hand (run under xvfb-run), on a desktop with a window manager
# (openbox), driven by xdotool as a person would: a click then Down and Enter plays the next
# station; the error box of a failed update shows above the docked window and takes Enter; the
# switch corner opens the other window in view; a dead TV station shows its reason over the
# picture; a double click makes the video window cover the screen and Esc restores it.
set -u
exe=$1
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
mkdir "$work/www"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=60" -c:a libmp3lame -b:a 128k \
  "$work/www/a.mp3" || fail "ffmpeg"
cp "$work/www/a.mp3" "$work/www/b.mp3"
ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25:duration=60" \
  -f lavfi -i "sine=duration=60" -c:v mpeg2video -q:v 5 -c:a mp2 -f mpegts "$work/www/tv.ts" ||
  fail "ffmpeg"
port=$(free_port)
dead=$(free_port) # nothing listens there
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >"$work/http.log" 2>&1 &
pids+=($!)
printf 'A ==> http://127.0.0.1:%s/a.mp3\r\nB ==> http://127.0.0.1:%s/b.mp3\r\n' "$port" "$port" \
  >"$work/fmstacionet.dat"
printf 'Dead ||> http://127.0.0.1:%s/x.ts\r\nBars ||> http://127.0.0.1:%s/tv.ts\r\n' "$dead" "$port" \
  >"$work/tvstacionet.dat"
printf 'More ||> http://127.0.0.1:%s/tv.ts\r\n' "$port" >"$work/tvadult.dat"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "openbox did not start"

# The list address is fixed at build time: the update goes through this proxy, which has no list.
proxy=$(free_port)
python3 - "$proxy" >"$work/proxy.log" 2>&1 <<'PY' &
import socketserver, sys
class H(socketserver.StreamRequestHandler):
    def handle(self):
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        self.wfile.write(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer(("127.0.0.1", int(sys.argv[1])), H).serve_forever()
PY
pids+=($!)

# Streams are fetched directly; only the list server is behind the proxy.
no_proxy=127.0.0.1 http_proxy="http://127.0.0.1:$proxy" "$work/kelvane" >"$work/kelvane.log" 2>&1 &
pids+=($!)

top_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^Y=//p'; }
in_view() { [ "$(top_of "$1")" -ge 0 ]; }
docked() { [ "$(top_of "$1")" -lt 0 ]; }
slide_in() { # hover the strip until the window rests at the top
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + 175)) 1
  wait_for 10 bash -c "xdotool getwindowgeometry --shell $1 | grep -q '^Y=0$'"
}
served() { grep -q "GET /$1 " "$work/http.log"; }

wait_for 30 window Kelvane 351x312 || fail "no radio window"
radio=$(window Kelvane 351x312)
slide_in "$radio" || fail "the radio window did not slide into view"
eval "$(xdotool getwindowgeometry --shell "$radio")"

# 1. One click on a station gives the window the keyboard.
xdotool mousemove $((X + 100)) $((Y + 110)) click 1
has_focus() { [ "$(xdotool getwindowfocus)" = "$1" ]; }
wait_for 5 has_focus "$radio" || fail "a click on a station did not give its window the keyboard"
xdotool key Down Return
wait_for 10 served b.mp3 || fail "Down and Enter after one click did not play the second station"
served a.mp3 && fail "the first station was played instead"
ok "a click on a station, then Down and Enter, plays the next station"

# 2. A failed update: its box lies above the docked window, which stays in view.
xdotool mousemove $((X + 52)) $((Y + 66)) click 1 sleep 0.5 click 1
wait_for 15 xdotool search --onlyvisible --name '^错误$' || fail "no error box after a failed update"
box=$(xdotool search --onlyvisible --name '^错误$' | head -1)
xdotool mousemove 640 1000 # away from the window: it must not slide away now
sleep 1
eval "$(xdotool getwindowgeometry --shell "$box")"
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" "$work/screen.png"
import -window "$box" "$work/box.png"
differ=$(compare -metric AE "$work/screen.png" "$work/box.png" null: 2>&1)
[ "${differ%% *}" = 0 ] || fail "the error box is covered at its place ($differ pixels differ)"
in_view "$radio" || fail "the radio window slid away while its box was open"
ok "the error box is the topmost window at its place; the window stays in view"
xdotool key Return
wait_for 5 bash -c "! xdotool search --onlyvisible --name '^错误$' | grep -q ." ||
  fail "Enter did not close the error box"
wait_for 10 docked "$radio" || fail "the radio window did not dock after its box closed"
ok "Enter closes the box; the window docks again"

# 3. The switch corner opens the TV window in view under the pointer.
slide_in "$radio" || fail "the radio window did not slide into view again"
eval "$(xdotool getwindowgeometry --shell "$radio")"
xdotool mousemove $((X + 300)) $((Y + 260)) click 1
wait_for 10 window Kelvane 352x313 || fail "no TV window after the switch"
tv=$(window Kelvane 352x313)
sleep 0.5
in_view "$tv" || fail "the TV window opened out of sight"
ok "the TV window opens in view under the pointer"

# 4. A dead TV station says why over the picture.
eval "$(xdotool getwindowgeometry --shell "$tv")"
xdotool mousemove $((X + 150)) $((Y + 104)) click --repeat 2 --delay 80 1
wait_for 10 window "  Sorrelin" 497x424 || fail "no video window"
video=$(window "  Sorrelin" 497x424)
has_white() {
  eval "$(xdotool getwindowgeometry --shell "$video")"
  import -window root -crop "497x300+$X+$((Y + 48))" "$work/picture.png"
  convert "$work/picture.png" -depth 8 txt:- | grep -q '(255,255,255)\|#FFFFFF'
}
wait_for 15 has_white || fail "the dead TV station left the picture without a word"
ok "a dead TV station shows its reason over the picture"

# 5. Full screen by a double click on the picture; Esc restores.
eval "$(xdotool getwindowgeometry --shell "$tv")"
in_view "$tv" || slide_in "$tv"
eval "$(xdotool getwindowgeometry --shell "$tv")"
xdotool mousemove $((X + 150)) $((Y + 118)) click --repeat 2 --delay 80 1 # "Bars"
wait_for 10 served tv.ts || fail "the second TV station was not played"
eval "$(xdotool getwindowgeometry --shell "$video")"
xdotool mousemove $((X + 250)) $((Y + 200)) click --repeat 2 --delay 80 1
wait_for 10 window "  Sorrelin" 1280x1024 || fail "a double click on the picture did not fill the screen"
ok "a double click on the picture fills the screen"
xdotool key Escape
wait_for 10 window "  Sorrelin" 497x424 || fail "Esc did not restore the video window"
ok "Esc restores the video window"
echo "$passed passed, 0 failed"
