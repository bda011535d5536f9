# Shared by the whole-program tests (sourced): a work folder removed at exit (kept when KEEP is
# set), background processes ended at exit, pass/fail counting and polling with a bound.
work=$(mktemp -d)
pids=()
passed=0
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "$passed passed, 1 failed"
  exit 1
}
ok() {
  echo "ok: $*"
  passed=$((passed + 1))
}
# Polls a condition command every 100 ms for at most $1 seconds.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}
# A free loopback port.
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}
# The shown window of that exact name and size (xdotool's id), if there is one.
window() { # name WxH
  for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    xdotool getwindowgeometry "$w" | grep -q "Geometry: $2\$" && { echo "$w"; return 0; }
  done
  return 1
}
radio_window() { window Kelvane 351x312; }
