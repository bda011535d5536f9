#!/usr/bin/env bash
# Whole-program check (run under xvfb-run) against a stand-in station directory on the loopback,
# answering from recorded JSON (the folder given as the second argument). The directory's address
# is fixed at build time; KELVANE_DIRECTORY_URL points the program at the stand-in.
# Ctrl+F, "中国", Enter, Enter on the first result: the click call and the stream are requested.
# Ctrl+H, Enter: the same stream is requested again.
set -u
exe=$1
data=$2
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
printf 'Station ==> http://127.0.0.1:9/none.mp3\r\n' >"$work/fmstacionet.dat"
port=$(free_port)
base="http://127.0.0.1:$port"
www="$work/www"
mkdir -p "$www/json/stations" "$www/json/url" "$www/live"
uuid=960e57c5-0601-11e8-ae97-52543be04c81
printf '[{"name":"127.0.0.1","ip":"127.0.0.1"}]' >"$www/json/servers"
sed -e "s|{{BASE}}|$base|g" -e "s|{{LONG}}|Long|g" "$data/search.json" >"$www/json/stations/search"
sed -e "s|{{BASE}}|$base|g" "$data/click.json" >"$www/json/url/$uuid"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=60" \
  -c:a libmp3lame -b:a 64k "$www/live/voc-clicked.mp3" || fail "ffmpeg could not make test media"
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$www" >"$work/http.log" 2>&1 &
pids+=($!)

KELVANE_DIRECTORY_URL="$base/" "$work/kelvane" >"$work/kelvane.log" 2>&1 &
pids+=($!)

wait_for 60 radio_window || fail "no radio window"
win=$(radio_window)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 175)) 1
at_top() { eval "$(xdotool getwindowgeometry --shell "$win")"; [ "$Y" -ge 0 ]; }
wait_for 10 at_top || fail "the docked window did not slide into view"
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 100)) $((Y + 112)) click 1 # the keyboard goes to the radio window

xdotool key ctrl+f
wait_for 10 xdotool search --onlyvisible --name '^电台目录$' || fail "Ctrl+F opened no directory window"
ok "Ctrl+F opened the directory window"
sleep 0.5
xdotool type --delay 50 '中国'
xdotool key Return
wait_for 15 grep -q 'GET /json/stations/search?name=%E4%B8%AD%E5%9B%BD&' "$work/http.log" ||
  fail "no search for 中国 reached the directory"
ok "the search for 中国 reached the directory"
sleep 1 # the results take the keyboard, the first row selected
xdotool key Return
wait_for 15 grep -q "GET /json/url/$uuid" "$work/http.log" || fail "the click call was not made"
ok "the click call was made"
wait_for 15 grep -q 'GET /live/voc-clicked.mp3' "$work/http.log" ||
  fail "the clicked station's stream was not requested"
ok "the station's stream was requested"

sleep 3 # the player's own requests settle
before=$(grep -c 'GET /live/voc-clicked.mp3' "$work/http.log")
xdotool key ctrl+h
wait_for 10 xdotool search --onlyvisible --name '^最近播放$' || fail "Ctrl+H opened no history window"
ok "Ctrl+H opened the history window"
sleep 0.5
xdotool key Return
again() { [ "$(grep -c 'GET /live/voc-clicked.mp3' "$work/http.log")" -gt "$before" ]; }
wait_for 15 again || fail "Enter in the history did not play the station again"
ok "Enter in the history requested the same stream again"
echo "$passed passed, 0 failed"
