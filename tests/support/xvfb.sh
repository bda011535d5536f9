#!/usr/bin/env bash
# Runs a command on a fresh Xvfb (1280 x 1024) whose display number the server picks itself and
# reports once it accepts clients (-displayfd): tests started side by side never race for one.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$dir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$dir/display" ]; then
  echo "Xvfb did not start:"
  cat "$dir/xvfb.log"
  kill "$xvfb" 2>/dev/null
  rm -rf "$dir"
  exit 1
fi
export DISPLAY=":$(head -1 "$dir/display")"
"$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$dir"
exit $rc
