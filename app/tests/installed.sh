#!/usr/bin/env bash
# The installed program (cmake --install into a DESTDIR), run by a user who cannot write to the
# program's folder (run under xvfb-run): the lists are seeded into the user's data folder, an
# update lands there and leaves the installed list alone, and a second start keeps the update.
set -u
exe=$1
build=$2
source "$(dirname "$0")/desktop.sh"

root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || fail "install"
program="$root/usr/bin/kelvane"
bundled="$root/usr/share/kelvane/fmstacionet.dat"
[ -x "$program" ] && [ -f "$bundled" ] || fail "the install lacks the program or its lists"
cp "$bundled" "$work/bundled-before.dat"

# The list server, behind the proxy the program takes from the environment.
printf 'Updated ==> http://127.0.0.1:9/none.mp3\r\n' >"$work/new-list.dat"
proxy=$(free_port)
python3 - "$proxy" "$work/new-list.dat" >"$work/proxy.log" 2>&1 <<'PY' &
import socketserver, sys
body = open(sys.argv[2], "rb").read()
class H(socketserver.StreamRequestHandler):
    def handle(self):
        line = self.rfile.readline()
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        if b"fmstacionet.dat" in line:
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body)
        else:
            self.wfile.write(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer(("127.0.0.1", int(sys.argv[1])), H).serve_forever()
PY
pids+=($!)

# Root writes anywhere: then the program runs as nobody, which cannot write to the install.
home="$work/home"
mkdir -p "$home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown nobody "$home"
  cp "${XAUTHORITY:-$HOME/.Xauthority}" "$work/xauth" 2>/dev/null && chmod 644 "$work/xauth" &&
    export XAUTHORITY="$work/xauth"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod -R a-w "$root/usr"
fi
data="$home/.local/share/Kelvane"

app=""
start() {
  env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
    no_proxy=127.0.0.1 http_proxy="http://127.0.0.1:$proxy" \
    "${as_user[@]}" "$program" >>"$work/kelvane.log" 2>&1 &
  app=$!
  pids+=($app)
  wait_for 120 radio_window || fail "the installed program shows no radio window"
}

start
for f in fmstacionet.dat tvstacionet.dat tvadult.dat; do
  cmp -s "$data/$f" "$root/usr/share/kelvane/$f" || fail "$f was not seeded into the data folder"
done
ok "the bundled lists are seeded into the user's data folder"

win=$(radio_window)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 175)) 1
wait_for 10 bash -c "xdotool getwindowgeometry --shell $win | grep -q '^Y=0$'" || fail "no slide-in"
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 52)) $((Y + 66)) click 1 sleep 0.5 click 1 # arm, then start
wait_for 15 xdotool search --onlyvisible --name '^成功$' || fail "the update did not succeed"
cmp -s "$data/fmstacionet.dat" "$work/new-list.dat" || fail "the update did not land in the data folder"
cmp -s "$bundled" "$work/bundled-before.dat" || fail "the installed list was changed"
ok "an update lands in the data folder and leaves the installed list alone"

kill "$app"
wait "$app" 2>/dev/null
start
cmp -s "$data/fmstacionet.dat" "$work/new-list.dat" || fail "a second start replaced the updated list"
ok "a second start keeps the updated list"
echo "$passed passed, 0 failed"
