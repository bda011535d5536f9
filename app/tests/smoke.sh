#!/usr/bin/env bash
# Whole-program check of the real binary on a real X display (run under xvfb-run): the splash
# appears, the radio window follows with the stations of its list file, a double click plays a
# station from a loopback server, and the close mark ends the program.
set -u
exe=$1
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
mkdir "$work/www"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=30" \
  -c:a libmp3lame -b:a 128k "$work/www/tone.mp3" || fail "ffmpeg could not make test media"
port=$(free_port)
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >"$work/http.log" 2>&1 &
pids+=($!)
printf '%s ==> http://127.0.0.1:%s/tone.mp3\r\n%s ==> http://127.0.0.1:%s/none.mp3\r\n' \
  "$(printf '测试电台' | iconv -f UTF-8 -t GBK)" "$port" "Second" "$port" >"$work/fmstacionet.dat"

"$work/kelvane" >"$work/kelvane.log" 2>&1 &
app=$!
pids+=($app)

wait_for 15 xdotool search --name '^Splash Kelvane$' || fail "no splash window"
ok "splash window appeared"

wait_for 20 radio_window || fail "no radio window of 351 x 312"
win=$(radio_window)
ok "radio window 351 x 312 appeared"
wait_for 10 bash -c "! xdotool search --name '^Splash Kelvane$' | grep -q ." || fail "splash did not close"
ok "splash closed"

eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$Y" -lt 0 ] || fail "the radio window is not docked at the top edge (y $Y)"
ok "radio window docked at the top edge, y $Y"
# Over its visible strip the window slides into view.
xdotool mousemove $((X + 175)) 1
at_top() { eval "$(xdotool getwindowgeometry --shell "$win")"; [ "$Y" -ge 0 ]; }
wait_for 10 at_top || fail "the docked window did not slide into view under the pointer"
eval "$(xdotool getwindowgeometry --shell "$win")"
ok "slid into view at y $Y"
# The first station row of the list (list at 72,104 inside the window).
xdotool mousemove $((X + 100)) $((Y + 112)) click 1 sleep 0.2 click --repeat 2 --delay 80 1
wait_for 15 grep -q 'GET /tone.mp3' "$work/http.log" || fail "the double-clicked station was not requested"
ok "the first bundled station was requested by the player"

# Away from the window it slides back to its strip; over the strip it comes again.
xdotool mousemove $((X + 175)) 700
docked() { eval "$(xdotool getwindowgeometry --shell "$win")"; [ "$Y" -le -300 ]; }
wait_for 10 docked || fail "the window did not slide back when the pointer left"
ok "slid back to y $Y when the pointer left"
xdotool mousemove $((X + 175)) 1
wait_for 10 at_top || fail "the window did not slide into view again"
eval "$(xdotool getwindowgeometry --shell "$win")"

# The close mark at the top-right corner ends the program.
xdotool mousemove $((X + 344)) $((Y + 8)) click 1
wait_for 10 bash -c "! kill -0 $app" || fail "program did not end after its last window closed"
ok "program ended"
echo "$passed passed, 0 failed"
