# Configures and builds the three builds:
#   build/native   Linux, pure logic + norvane-pack + unit tests, ASan/UBSan
#   build/release  Norvane.exe for production (no test switches)
#   build/test     Norvane.exe for tests (test keys, loopback release URLs, seams) + Windows tests

norvane_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

norvane_configure() {  # dir, extra cmake arguments...
  local dir="$1"; shift
  [ -f "$norvane_root/$dir/build.ninja" ] || cmake -S "$norvane_root" -B "$norvane_root/$dir" -G Ninja "$@" >/dev/null
}

norvane_build_all() {
  norvane_configure build/native -DCMAKE_BUILD_TYPE=Debug -DNORVANE_SANITIZE=ON -DNORVANE_TEST_BUILD=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  norvane_configure build/release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DNORVANE_BUILD_TESTS=OFF
  norvane_configure build/test -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DNORVANE_TEST_BUILD=ON
  local dir
  for dir in build/native build/release build/test; do
    echo "== building $dir"
    cmake --build "$norvane_root/$dir" -j "$(nproc)" || return 1
  done
}

norvane_configure_fuzz() {
  norvane_configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_FUZZ=ON -DNORVANE_BUILD_TESTS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
}
