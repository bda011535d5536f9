#!/usr/bin/env bash
# Whole-program check of the Debian package made from a build folder (run under xvfb-run): its
# files, its dependencies, the desktop entry and AppStream data, and the packaged program
# starting from a scratch root until the radio window shows.
set -u
build=$2
source "$(dirname "$0")/desktop.sh"

id=example.kelvane.Kelvane
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not make the package"; }
debs=("$work"/pkg/kelvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single kelvane_*.deb: ${debs[*]}"
deb=${debs[0]}
ok "package ${deb##*/} made"

dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files" || fail "dpkg-deb cannot list the package"
expected=(
  usr/bin/kelvane
  usr/share/kelvane/fmstacionet.dat usr/share/kelvane/tvstacionet.dat usr/share/kelvane/tvadult.dat
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg"
)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("usr/share/icons/hicolor/${s}x$s/apps/$id.png"); done
for f in "${expected[@]}"; do
  grep -qx "./$f" "$work/files" || fail "the package lacks $f"
done
ok "the package holds the program, the three lists, the desktop entry, the metainfo and ${#sizes[@]}+1 icons"
! grep -Ei 'test|bench' "$work/files" || fail "the package holds tests or benchmarks"
ok "no tests or benchmarks in the package"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libmpv' <<<"$depends" || fail "Depends does not name libmpv"
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends does not name the Qt libraries"
ok "Depends names libmpv and Qt"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb cannot unpack the package"
readelf -d "$root/usr/bin/kelvane" | grep -E 'RPATH|RUNPATH' && fail "the packaged program has a run path"
ok "the packaged program has no run path into the build"
for s in "${sizes[@]}"; do
  got=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${s}x$s/apps/$id.png")
  [ "$got" = "${s}x$s" ] || fail "the ${s}x$s icon is $got"
done
ok "every icon has its size"
report=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$report" ] || fail "desktop-file-validate: $report"
ok "the desktop entry is valid"
report=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" 2>&1)
[ $? -eq 0 ] && ! grep -q '^[EW]:' <<<"$report" || fail "appstreamcli validate: $report"
ok "the AppStream metainfo is valid, without warnings"

mkdir -p "$work/home" "$work/config" "$work/data" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache \
  XDG_RUNTIME_DIR=$work/runtime "$root/usr/bin/kelvane" >"$work/kelvane.log" 2>&1 &
app=$!
pids+=($app)
wait_for 60 radio_window || { cat "$work/kelvane.log"; fail "the packaged program showed no radio window of 351 x 312"; }
ok "the packaged program started and showed the radio window"
echo "$passed passed, 0 failed"
