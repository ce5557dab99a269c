# Shared by scripts/test and scripts/run: paths, package installation, Wine prefixes.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_NATIVE="$ROOT/build/native"
BUILD_WIN="$ROOT/build/win32"
BUILD_FUZZ="$ROOT/build/fuzz"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

log() { printf '==> %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi
}

# Commands and files whose presence proves the packages are installed.
REQUIRED_TOOLS=(cmake ninja g++ i686-w64-mingw32-g++-posix wine Xvfb xdotool convert xwd chmcmd clang++)
REQUIRED_FILES=(/usr/share/wine/fonts/marlett.ttf /usr/src/googletest/CMakeLists.txt /usr/include/gtest/gtest.h /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll)
PACKAGES=(cmake ninja-build g++ make g++-mingw-w64-i686 mingw-w64-i686-dev googletest libgtest-dev libgmock-dev
          wine wine32:i386 xvfb xdotool x11-apps imagemagick fp-utils fonts-liberation fonts-wine
          clang libclang-rt-14-dev)

missing_deps() {
  local t f
  for t in "${REQUIRED_TOOLS[@]}"; do command -v "$t" >/dev/null 2>&1 || { echo "$t"; return 0; }; done
  for f in "${REQUIRED_FILES[@]}"; do [ -e "$f" ] || { echo "$f"; return 0; }; done
  # ImageMagick proper, not a stand-in script
  [ -x /usr/bin/convert ] || { echo imagemagick; return 0; }
  # libFuzzer's runtime, which clang++ links for -fsanitize=fuzzer
  compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    { echo libclang-rt-14-dev; return 0; }
  return 1
}

ensure_deps() {
  local what
  if ! what=$(missing_deps); then return 0; fi
  log "installing build and test packages (missing: $what)"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -q -y >&2
  as_root apt-get install -q -y --no-install-recommends "${PACKAGES[@]}" >&2
  if what=$(missing_deps); then
    log "still missing after installation: $what"
    return 1
  fi
}

# ---- building ----

build_native() {
  cmake -S "$ROOT" -B "$BUILD_NATIVE" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKW_SANITIZE=ON >/dev/null &&
    cmake --build "$BUILD_NATIVE" "$@"
}

build_win32() {
  cmake -S "$ROOT" -B "$BUILD_WIN" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" >/dev/null &&
    cmake --build "$BUILD_WIN" "$@"
}

# The libFuzzer targets of tests/fuzz, built with clang and the sanitizers.
build_fuzz() {
  cmake -S "$ROOT" -B "$BUILD_FUZZ" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DKW_FUZZ=ON >/dev/null &&
    cmake --build "$BUILD_FUZZ" --target kw_fuzz "$@"
}

# ---- fuzzing ----

# The names of the fuzz targets: one per tests/fuzz/*.cpp.
fuzz_targets() {
  local f
  for f in "$ROOT"/tests/fuzz/*.cpp; do basename "$f" .cpp; done
}

# fuzz_target NAME SECONDS CORPUS ARTIFACTS LOG: runs one target for SECONDS on its seeds, adding
# what it finds to the folder CORPUS (the seeds in tests/fuzz are only read). A crash, a failed
# check, a leak, an input slower than 10 s or a single allocation above 64 MB fails the run; the
# input is written into the folder ARTIFACTS. Prints "<executions> <seconds>"; fails when the
# target failed.
fuzz_target() {
  local name=$1 seconds=$2 corpus=$3 artifacts=$4 out=$5
  mkdir -p "$corpus" "$artifacts"
  local start=$SECONDS
  timeout --kill-after=10 $((seconds + 120)) "$BUILD_FUZZ/tests/fuzz/kw_fuzz_$name" \
    -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=64 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" "$corpus" "$ROOT/tests/fuzz/corpus/$name" >"$out" 2>&1
  local rc=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\)/\1/p' "$out" | tail -1)
  echo "${runs:-0} $((SECONDS - start))"
  [ "$rc" -eq 0 ] && [ -n "$runs" ]
}

# ---- X server and Wine ----

XVFB_PID=""
# Starts a private Xvfb and points DISPLAY at it.
start_xvfb() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  log "Xvfb did not start"
  return 1
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=""; fi
}

# Makes a 32-bit Wine prefix in $1 (nothing is asked: no Mono or Gecko installers).
make_prefix() {
  export WINEPREFIX="$1" WINEARCH=win32
  mkdir -p "$WINEPREFIX"
  timeout 180 wineboot -i >/dev/null 2>&1 || { log "wineboot failed in $WINEPREFIX"; return 1; }
  timeout 60 wineserver -w 2>/dev/null || true
  # Wine's own fonts (Tahoma, and Marlett for the caption buttons) where its windows find them,
  # and the metric-compatible Liberation fonts for the Windows fonts the program asks for.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  local reg
  reg=$(mktemp /tmp/kw-fonts.XXXXXX.reg)
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"Arial"="Liberation Sans"' '"Courier New"="Liberation Mono"' '"Times New Roman"="Liberation Serif"' >"$reg"
  timeout 60 wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1 || true
  timeout 60 wineserver -w 2>/dev/null || true
  rm -f "$reg"
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null || true
}

# A screenshot of the whole X screen as PNG.
screenshot() {
  xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$1"
}
