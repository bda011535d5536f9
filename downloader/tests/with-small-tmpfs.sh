#!/usr/bin/env bash
# Runs a test executable with KELVANE_SMALL_TMPFS naming a fresh 64 KiB tmpfs, mounted in a
# private mount namespace of its own (nothing outside sees it; it goes when the test ends).
# Where no such namespace can be had, the test runs without it and its small-disk cases skip.
set -u
exe=$1
shift
mnt=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-small.XXXXXX")
trap 'rmdir "$mnt" 2>/dev/null' EXIT
if unshare --mount --map-root-user true 2>/dev/null; then
  unshare --mount --map-root-user bash -c '
    mount -t tmpfs -o size=64k kelvane-small "$1" || exit 1
    dir=$1
    shift
    KELVANE_SMALL_TMPFS=$dir "$@"' bash "$mnt" "$exe" "$@"
else
  echo "with-small-tmpfs: no private mount namespace here; the small-disk cases skip"
  "$exe" "$@"
fi
