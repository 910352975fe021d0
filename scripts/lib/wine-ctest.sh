#!/usr/bin/env bash
# Runs a cross build's ctest under Wine in a throw-away 32-bit-program prefix.
# The prefix is warmed first: a cold wineserver makes the first test very slow.
set -uo pipefail
build_dir="$1"
root="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="$root/build/wine/ctest-prefix"
export WINEDEBUG=-all
unset DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p
wine cmd /c exit >/dev/null 2>&1
(cd "$root/$build_dir" && ctest --output-on-failure -j 2 </dev/null)
status=$?
wineserver -k
exit $status
