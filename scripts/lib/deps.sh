# Installs what building and testing need, once: Debian packages only.
# Sourced by scripts/test and scripts/demo.

norvane_packages=(
  g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 xvfb xauth x11-utils fonts-nanum imagemagick
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libsodium-dev pkg-config
  openssl osslsigncode python3 curl ca-certificates
)

norvane_install_dependencies() {
  local missing=()
  for package in "${norvane_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Wine starts a 32-bit Windows program in a 32-bit Linux process, which a
# kernel booted without IA-32 emulation (ia32_emulation=off) refuses with
# "Exec format error": then nothing of the program can run on this machine.
norvane_runs_32bit_programs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

norvane_explain_no_32bit() {
  echo "this machine's kernel runs no 32-bit programs (IA-32 emulation is off: boot with ia32_emulation=on)," \
    "so Wine cannot start the 32-bit Norvane.exe or its Windows tests here"
}
