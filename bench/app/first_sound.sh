#!/usr/bin/env bash
# Time from the second click of a double click on a local station to its first audible sound:
# the program plays into a private PulseAudio server's null sink, whose monitor is recorded, and
# the clicks are sent through XTest. ROUNDS fresh starts of the real program (default 7), each
# time printed, then the median.
# Needs pulseaudio and pulseaudio-utils, which no test uses: apt-get install pulseaudio
# pulseaudio-utils.
# Usage: bench/app/first_sound.sh build/bin/kelvane   (runs itself under xvfb-run when needed)
set -euo pipefail
exe=$(realpath "$1")
rounds=${ROUNDS:-7}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env ROUNDS="$rounds" bash "$0" "$exe"
fi
command -v pulseaudio parec >/dev/null || { echo "needs pulseaudio and pulseaudio-utils"; exit 1; }
# shellcheck source=bench/app/live_station.sh
source "$(dirname "$0")/live_station.sh"

mkdir "$work/pulse"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -F /dev/null \
  --load="module-null-sink sink_name=bench rate=44100" \
  --load="module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
  >"$work/pulse.log" 2>&1 &
pids+=($!)
export PULSE_SERVER="unix:$work/pulse/native"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null || { echo "no sound server"; cat "$work/pulse.log"; exit 1; }
# Silence played all along keeps the sink rendering in short blocks: an idle null sink wakes at
# its own long period, which would add up to a fifth of a second to a sound just begun.
pacat --raw --format=s16le --rate=44100 --channels=1 --latency-msec=2 -d bench </dev/zero &
pids+=($!)

times=()
for round in $(seq "$rounds"); do
  start_kelvane
  find_radio_window
  sleep 2
  slide_into_view
  ms=$(python3 - $((X + 100)) $((Y + 112)) <<'PY'
import ctypes, os, struct, subprocess, sys, threading, time

x, y = int(sys.argv[1]), int(sys.argv[2])
xlib, xtest = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XFlush.argtypes = [ctypes.c_void_p]
xtest.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_ulong]
xtest.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
display = xlib.XOpenDisplay(None)

# Whatever reaches the sink, as it arrives: the first block with a sample above the noise is
# the first sound.
rec = subprocess.Popen(["parec", "-d", "bench.monitor", "--raw", "--format=s16le",
                        "--rate=44100", "--channels=1", "--latency-msec=2"],
                       stdout=subprocess.PIPE, bufsize=0)
heard = []
def listen():
    while True:
        block = os.read(rec.stdout.fileno(), 4096)
        now = time.monotonic()
        n = len(block) // 2
        if n == 0:
            return
        if max(abs(v) for v in struct.unpack("<%dh" % n, block[:2 * n])) > 300:
            heard.append(now)
            return
listener = threading.Thread(target=listen, daemon=True)
listener.start()
time.sleep(0.5)

def click():
    xtest.XTestFakeButtonEvent(display, 1, 1, 0)
    xtest.XTestFakeButtonEvent(display, 1, 0, 0)
    xlib.XFlush(display)

xtest.XTestFakeMotionEvent(display, -1, x, y, 0)
xlib.XFlush(display)
time.sleep(0.2)
click()  # selects the row
time.sleep(1.0)  # longer than a double click
click()
time.sleep(0.08)
clicked = time.monotonic()
click()
listener.join(10)
rec.kill()
print("%.1f" % ((heard[0] - clicked) * 1000) if heard else "none")
PY
)
  echo "round $round: ${ms} ms"
  [ "$ms" != none ] && times+=("$ms")
  kill "$app"
  wait "$app" 2>/dev/null || true
done
[ ${#times[@]} -gt 0 ] || { echo "no sound in any round"; exit 1; }
printf '%s\n' "${times[@]}" | sort -n |
  awk '{v[NR] = $1} END {printf "first sound: median %.1f ms over %d rounds (min %.1f, max %.1f)\n",
    v[int((NR + 1) / 2)], NR, v[1], v[NR]}'
