#!/usr/bin/env bash
# Every window of the real program on a real X display (run under xvfb-run), checked on
# screenshots: window sizes, the banner strip's colour, the skinned buttons, the About picture,
# the TV window and the video window with its picture revealed.
set -u
exe=$1
source "$(dirname "$0")/desktop.sh"

shot() { import -window root "$work/shot.png"; }
# "r,g,b" of one screen pixel of the last shot.
pixel() { convert "$work/shot.png" -crop "1x1+$1+$2" -format '%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]' info:; }
# True when some pixel of the rectangle is a neutral grey (the style 9 face).
has_grey() { # x y w h
  convert "$work/shot.png" -crop "$3x$4+$1+$2" -depth 8 txt:- | tail -n +2 |
    awk -F'[(),]' '{ r=$3; g=$4; b=$5; if (r > 90 && r < 250 && (r-g)^2 < 150 && (g-b)^2 < 150) f=1 } END { exit !f }'
}
# True when some pixel of the rectangle has exactly that colour.
has_colour() { # x y w h r,g,b
  convert "$work/shot.png" -crop "$3x$4+$1+$2" -depth 8 txt:- | grep -q "($5)\|(${5//,/, })"
}
slide_in() { # window id: hover its strip until it rests at the top
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + 175)) 1
  wait_for 10 bash -c "xdotool getwindowgeometry --shell $1 | grep -q '^Y=0$'"
}

cp "$exe" "$work/kelvane"
mkdir "$work/www"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=60" -c:a libmp3lame -b:a 128k \
  "$work/www/tone.mp3" || fail "ffmpeg"
ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25:duration=60" \
  -f lavfi -i "sine=duration=60" -c:v mpeg2video -q:v 5 -c:a mp2 -f mpegts "$work/www/tv.ts" ||
  fail "ffmpeg"
port=$(free_port)
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >"$work/http.log" 2>&1 &
pids+=($!)
printf 'Tone ==> http://127.0.0.1:%s/tone.mp3\r\n' "$port" >"$work/fmstacionet.dat"
printf 'Bars ||> http://127.0.0.1:%s/tv.ts\r\n' "$port" >"$work/tvstacionet.dat"
printf 'More ||> http://127.0.0.1:%s/tv.ts\r\n' "$port" >"$work/tvadult.dat"

"$work/kelvane" >"$work/kelvane.log" 2>&1 &
pids+=($!)

wait_for 15 window "Splash Kelvane" 259x86 || fail "no splash window of 259 x 86"
ok "splash 259 x 86"

wait_for 20 window Kelvane 351x312 || fail "no radio window of 351 x 312"
radio=$(window Kelvane 351x312)
slide_in "$radio" || fail "the radio window did not slide into view"
eval "$(xdotool getwindowgeometry --shell "$radio")"
shot
has_colour $((X + 0)) $((Y + 281)) 353 31 "0,153,255" || fail "no banner strip of RGB 0,153,255 at its place"
ok "radio window 351 x 312 with the banner strip at 0,280"
has_grey $((X + 297)) $((Y + 217)) 39 18 || fail "bbStop is not drawn as a style 9 face"
has_grey $((X + 1)) $((Y + 57)) 103 18 || fail "bbUpdate is not drawn as a style 9 face"
ok "style 9 buttons at their rectangles"

xdotool mousemove $((X + 290)) $((Y + 64)) click 1 # "关于"
wait_for 10 window " About Kelvane" 352x279 || fail "no About window of 352 x 279"
about=$(window " About Kelvane" 352x279)
eval "$(xdotool getwindowgeometry --shell "$about")"
shot
[ "$(pixel $((X + 10)) $((Y + 200)))" = "255,255,255" ] || fail "the About picture's white panel is missing"
ok "About window 352 x 279 showing its picture"
wait_for 20 bash -c "! xdotool search --onlyvisible --name '^ About Kelvane$' | grep -q ." ||
  fail "the About window did not close after its cycle"
ok "About window closed itself"

eval "$(xdotool getwindowgeometry --shell "$radio")"
xdotool mousemove $((X + 300)) $((Y + 260)) click 1 # the switch to TV
wait_for 10 window Kelvane 352x313 || fail "no TV window of 352 x 313"
tv=$(window Kelvane 352x313)
slide_in "$tv" || fail "the TV window did not slide into view"
eval "$(xdotool getwindowgeometry --shell "$tv")"
shot
has_colour $((X + 0)) $((Y + 281)) 353 31 "0,153,255" || fail "no banner strip on the TV window"
has_grey $((X + 105)) $((Y + 209)) 231 23 || fail "sAdult is not drawn as a style 9 face"
ok "TV window 352 x 313 with its banner and buttons"
xdotool mousemove $((X + 150)) $((Y + 104)) click 1 sleep 0.2 click --repeat 2 --delay 80 1
wait_for 10 window "  Sorrelin" 497x424 || fail "no video window of 497 x 424"
video=$(window "  Sorrelin" 497x424)
eval "$(xdotool getwindowgeometry --shell "$video")"
# A window is mapped before its controls have drawn: wait for the banner, then look.
banner_drawn() { shot && has_colour $((X + 0)) $((Y + 393)) 497 31 "0,153,255"; }
wait_for 10 banner_drawn || fail "no banner strip on the video window"
[ "$(pixel $((X + 20)) $((Y + 100)))" = "0,0,0" ] || fail "picture B's black panel is not showing while the video waits"
ok "video window 497 x 424 showing picture B while it waits"
sleep 16
shot
# The test pattern's bars fill the revealed video area.
has_colour $((X + 0)) $((Y + 48)) 497 280 "255,255,0" || has_colour $((X + 0)) $((Y + 48)) 497 280 "0,255,255" ||
  convert "$work/shot.png" -crop "497x280+$X+$((Y + 48))" -colorspace HSL -channel G -separate -format '%[fx:mean]' info: |
  awk '{ exit !($1 > 0.3) }' || fail "the video area did not show the picture after the reveal"
ok "video revealed after 15 seconds"
echo "$passed passed, 0 failed"
