#!/usr/bin/env bash
# Runs a cross build's ctest under Wine in a throw-away prefix:
#   wine-ctest.sh BUILD_DIR        the 32-bit build, through Debian's wine
#   wine-ctest.sh BUILD_DIR 64     a 64-bit build, through wine64 alone (for a
#                                  kernel that runs no 32-bit programs)
# The prefix is warmed first: a cold wineserver makes the first test very slow.
set -uo pipefail
build_dir="$1"
width="${2:-32}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="$root/build/wine/ctest-prefix-$width"
export WINEDEBUG=-all
unset DISPLAY
wine=(wine)
if [ "$width" = 64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  wine=("$WINELOADER")
fi
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
"${wine[@]}" wineboot.exe -i >/dev/null 2>&1
wineserver -w
wineserver -p
"${wine[@]}" cmd /c exit >/dev/null 2>&1
(cd "$root/$build_dir" && ctest --output-on-failure -j 2 </dev/null)
status=$?
wineserver -k
exit $status
