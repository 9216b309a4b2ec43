#!/usr/bin/env bash
# What the tests under Wine share, set up before them (start) and taken down after them (stop):
#
#   start: brings the Windows build up to date, packs its zip and unpacks it into STAGE, the
#          folder a Windows user gets, from which every test runs the programs; makes a private
#          Wine prefix (the first start of Wine, timed) and keeps its server running for a while,
#          so that each program the tests start needs no fresh Wine.
#   stop:  ends the prefix's server and removes the prefix and the unpacked archive.
#
# Usage: wine_fixture.sh start|stop WINDOWS_BUILD PREFIX STAGE VERSION
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

action=$1
build=$(cd "$2" 2>/dev/null && pwd || echo "$2")
prefix=$3
stage=$4
version=$5
wine_environment "$prefix"

if [ "$action" = stop ]; then
    if [ -d "$prefix" ] && command -v wineserver >/dev/null; then wineserver -k 2>/dev/null; fi
    rm -rf "$prefix" "$stage"
    exit 0
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
seconds_since() { awk -v start="$1" -v now="$(date +%s%N)" 'BEGIN { printf "%.1f", (now - start) / 1e9 }'; }

# 1. Wine and the Windows build.
wine_require
[ -f "$build/CMakeCache.txt" ] ||
    wine_unavailable "no Windows build in $build (cmake --workflow --preset windows makes it)"

# 2. The build brought up to date and packed, as a release is; the archive unpacked.
cmake --build "$build" -j 2 >"$build/wine-tests-build.log" 2>&1 ||
    fail "the Windows build failed; see $build/wine-tests-build.log"
(cd "$build" && cpack -G ZIP >/dev/null) || fail "cpack could not pack the Windows build"
archive=$build/vantrek-$version-windows-x86_64.zip
[ -f "$archive" ] || fail "cpack did not write $archive"
rm -rf "$stage"
mkdir -p "$stage"
(cd "$stage" && cmake -E tar xf "$archive") || fail "cannot unpack $archive"
echo "unpacked $archive into $stage"

# 3. A fresh private prefix. Its server is started first and stays 120 seconds after the last
# program ends, so that the programs the tests start one after another share it.
if [ -d "$prefix" ]; then wineserver -k 2>/dev/null; fi
rm -rf "$prefix"
mkdir -p "$prefix"
wineserver -p120 </dev/null >/dev/null 2>&1 || fail "wineserver did not start"
started=$(date +%s%N)
wineboot -i </dev/null >"$prefix/wineboot.log" 2>&1 ||
    fail "wineboot failed: $(cat "$prefix/wineboot.log")"
echo "Wine's first start (wineboot -i, a new prefix): $(seconds_since "$started") s"
started=$(date +%s%N)
output=$(wine "$stage/vantrek-$version-windows-x86_64/vantrek-perft.exe" 1 </dev/null 2>&1) ||
    fail "vantrek-perft.exe did not run under Wine: $output"
echo "the first program under Wine after it: $(seconds_since "$started") s"
