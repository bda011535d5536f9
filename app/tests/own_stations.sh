#!/usr/bin/env bash
# The listener's own stations in the real program (run under xvfb-run, on a private session
# bus): a station starred with Ctrl+D comes first after a restart and plays with Enter; it stays
# when the list file drops it; a playlist opened with a second start while the program runs is
# imported into it, found by typing its name, and plays. A second start without files brings
# the radio window into view. A damaged file of the listener's is said once and set aside.
set -u
exe=$1
[ -n "${KELVANE_OWN_BUS:-}" ] || KELVANE_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
source "$(dirname "$0")/desktop.sh"

cp "$exe" "$work/kelvane"
mkdir "$work/www"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=60" \
  -c:a libmp3lame -b:a 128k "$work/www/tone.mp3" || fail "ffmpeg could not make test media"
for s in a b c d; do ln -s tone.mp3 "$work/www/$s.mp3"; done
port=$(free_port)
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >"$work/http.log" 2>&1 &
pids+=($!)
list() { # name... : one station per name, name ==> its address
  for n in "$@"; do printf '%s ==> http://127.0.0.1:%s/%s.mp3\r\n' "$n" "$port" "$(echo "$n" | tr A-Z a-z)"; done
}
list A B C >"$work/fmstacionet.dat"
touch "$work/tvstacionet.dat" "$work/tvadult.dat"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"

app=""
win=""
start() {
  "$work/kelvane" >>"$work/kelvane.log" 2>&1 &
  app=$!
  pids+=($app)
  wait_for 60 radio_window || fail "no radio window"
  win=$(radio_window)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + 175)) 1
  wait_for 10 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=0$'" || fail "no slide-in"
}
quit() {
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.kelvane \
    /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit || fail "Quit was refused"
  wait_for 15 bash -c "! kill -0 $app" || fail "the program did not end on Quit"
}
first_row() { xdotool mousemove $((X + 100)) $((112)) click 1; }
requests() { grep -c "GET /$1.mp3" "$work/http.log"; }
plays() { # station, requests before
  wait_for 20 bash -c "[ \$(grep -c 'GET /$1.mp3' '$work/http.log') -gt $2 ]" || fail "$1 was not requested"
  wait_for 20 bash -c "[ \"\$(playerctl -p kelvane status)\" = Playing ]" || fail "$1 does not play"
}
# Answers the box of that title with Enter (its default button).
answer() {
  wait_for 15 xdotool search --onlyvisible --name "^$1\$" || fail "no box \"$1\""
  local box
  box=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  xdotool windowfocus --sync "$box" key Return
  wait_for 10 bash -c "! xdotool search --onlyvisible --name '^$1\$' | grep -qx $box" || fail "the box \"$1\" stayed"
}

start
first_row
xdotool key Down ctrl+d # B
favourites="$work/收藏-收音机.m3u8"
wait_for 10 grep -q "/b.mp3" "$favourites" || fail "Ctrl+D did not keep B as a favourite"
quit
start
before=$(requests b)
first_row
xdotool key Return
plays b "$before"
ok "a station starred with Ctrl+D is the first row after a restart and plays with Enter"
quit

list A C >"$work/fmstacionet.dat"
start
before=$(requests b)
first_row
xdotool key Return
plays b "$before"
ok "a favourite the list file dropped stays first and plays"

printf '#EXTM3U\n#EXTINF:-1 group-title="Tests",Imported One\nhttp://127.0.0.1:%s/d.mp3\n' "$port" \
  >"$work/list.m3u"
timeout 20 "$work/kelvane" "$work/list.m3u" >>"$work/second.log" 2>&1 || fail "the second start did not hand over and end"
answer 导入播放列表 # into 收音机, the default
wait_for 10 grep -q "/d.mp3" "$work/我的电台-收音机.m3u8" || fail "the playlist was not imported"
answer 导入播放列表 # the report
first_row
xdotool type --delay 50 "Imported"
xdotool key Return
plays d 0
ok "a playlist opened with a second start is imported, found by typing its name, and plays"

xdotool mousemove $((X + 175)) 700
wait_for 10 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=-'" || fail "no docking"
timeout 20 "$work/kelvane" || fail "the second start without files did not end"
wait_for 5 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=0$'" ||
  fail "a second start did not bring the radio window into view"
ok "a second start without files brings the radio window into view"
quit

head -c 3000 /dev/urandom >"$favourites"
start
answer 我的电台和收藏
ls "$work" | grep -v '^收藏-收音机.m3u8$' | grep -q '^收藏-收音机' || fail "the damaged file was not set aside"
ok "a damaged favourites file is said once, in a box, and set aside"
quit
echo "$passed passed, 0 failed"
