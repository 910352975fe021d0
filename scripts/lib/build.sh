# Configures and builds the three builds:
#   build/native   Linux, pure logic + norvane-pack + unit tests, ASan/UBSan
#   build/release  Norvane.exe for production (no test switches)
#   build/test     Norvane.exe for tests (test keys, loopback release URLs, seams) + Windows tests

norvane_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

norvane_release_options=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
  -DNORVANE_BUILD_TESTS=OFF)

norvane_configure() {  # dir, extra cmake arguments...
  local dir="$1"; shift
  [ -f "$norvane_root/$dir/build.ninja" ] && return 0
  echo "== configuring $dir"
  cmake -S "$norvane_root" -B "$norvane_root/$dir" -G Ninja "$@" >/dev/null
}

# Ninja's "[done/total] ..." lines as one progress count: redrawn in place on a
# terminal, a line every tenth of the build otherwise; everything else
# (warnings, errors) passes through.
norvane_build_progress() {  # label
  local label="$1" line done total step=0 shown=-1
  while IFS= read -r line; do
    [[ "$line" == "-- "* || "$line" == *"Re-running CMake"* ]] && continue  # CMake regenerating itself
    if [[ "$line" =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
      done=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
      if [ -t 1 ]; then
        printf '\r   %s: %d/%d steps' "$label" "$done" "$total"
        shown=1
      else
        step=$((done * 10 / total))
        if [ "$step" -ne "$shown" ]; then
          echo "   $label: $done/$total steps"
          shown=$step
        fi
      fi
    elif [ -n "$line" ] && [ "$line" != "ninja: no work to do." ]; then
      [ -t 1 ] && [ "$shown" -ge 0 ] && printf '\n'
      echo "$line"
    fi
  done
  [ -t 1 ] && [ "$shown" -ge 0 ] && printf '\n'
  return 0
}

norvane_build() {  # dir
  local dir="$1"
  cmake --build "$norvane_root/$dir" -j "$(nproc)" 2>&1 | norvane_build_progress "$dir"
  return "${PIPESTATUS[0]}"
}

norvane_build_all() {
  norvane_configure build/native -DCMAKE_BUILD_TYPE=Debug -DNORVANE_SANITIZE=ON -DNORVANE_TEST_BUILD=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  norvane_configure build/release "${norvane_release_options[@]}"
  norvane_configure build/test -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DNORVANE_TEST_BUILD=ON
  local dir
  for dir in build/native build/release build/test; do
    echo "== building $dir"
    norvane_build "$dir" || return 1
  done
}

norvane_configure_fuzz() {
  norvane_configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_FUZZ=ON -DNORVANE_BUILD_TESTS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
}

# Builds the committed HEAD's release again in a temporary clone (another path,
# another time) and compares its Norvane.exe byte for byte with build/release.
# Returns 77 (skipped) when uncommitted changes make build/release not HEAD's.
norvane_check_reproducible() {
  if ! git -C "$norvane_root" diff --quiet HEAD --; then
    echo "uncommitted changes: build/release is not HEAD's, nothing to compare"
    return 77
  fi
  local clone status
  clone="$(mktemp -d)"
  git clone -q --no-hardlinks "$norvane_root" "$clone/norvane" &&
    cmake -S "$clone/norvane" -B "$clone/norvane/build/release" -G Ninja "${norvane_release_options[@]}" >/dev/null &&
    cmake --build "$clone/norvane/build/release" -j 2 >/dev/null &&
    cmp "$norvane_root/build/release/Norvane.exe" "$clone/norvane/build/release/Norvane.exe"
  status=$?
  rm -rf "$clone"
  return $status
}
