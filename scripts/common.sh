# Shared by scripts/test, scripts/run and scripts/package: paths, package installation, Wine prefixes.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_NATIVE="$ROOT/build/native"
BUILD_WIN64="$ROOT/build/win64"
BUILD_WIN32="$ROOT/build/win32"
BUILD_FUZZ="$ROOT/build/fuzz"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

log() { printf '==> %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi
}

# ---- what this machine can run ----

# True when the kernel executes 32-bit x86 Linux programs, which 32-bit Wine needs. Some
# kernels cannot (no IA-32 emulation); the probe is a tiny 32-bit program that only exits, made
# with the assembler and linker, so it needs no 32-bit library. KW_NO_32BIT=1 makes it answer
# no, to try the scripts as on such a machine.
CAN_RUN_32BIT=""
can_run_32bit() {
  if [ -z "$CAN_RUN_32BIT" ]; then
    CAN_RUN_32BIT=no
    if [ "${KW_NO_32BIT:-0}" != 1 ]; then
      local dir
      dir=$(mktemp -d /tmp/kw-probe32.XXXXXX)
      printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' >"$dir/p.s"
      if as --32 -o "$dir/p.o" "$dir/p.s" 2>/dev/null && ld -m elf_i386 -o "$dir/p" "$dir/p.o" 2>/dev/null &&
        "$dir/p" 2>/dev/null; then
        CAN_RUN_32BIT=yes
      fi
      rm -rf "$dir"
    fi
  fi
  [ "$CAN_RUN_32BIT" = yes ]
}

# One line saying which case applies.
describe_32bit() {
  if can_run_32bit; then
    log "this machine runs 32-bit programs: both Windows builds are tested under Wine"
  elif [ "${KW_NO_32BIT:-0}" = 1 ]; then
    log "32-bit programs are not run here (KW_NO_32BIT=1): the 32-bit build is compiled only"
  else
    log "this machine's kernel cannot execute 32-bit programs: the 32-bit build is compiled only"
  fi
}

# ---- packages ----

# Commands and files whose presence proves the packages are installed.
REQUIRED_TOOLS=(cmake ninja g++ as ld x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix Xvfb xdotool convert xwd
                chmcmd clang++ osslsigncode openssl wixl msibuild msiinfo zip unzip)
REQUIRED_FILES=(/usr/lib/wine/wine64 /usr/lib/wine/wineserver64 /usr/share/wine/fonts/marlett.ttf
                /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll /usr/src/googletest/CMakeLists.txt
                /usr/include/gtest/gtest.h /usr/include/nlohmann/json.hpp /usr/include/openssl/evp.h /usr/include/expat.h)
REQUIRED_FILES_32=(/usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll)
PACKAGES=(cmake ninja-build g++ make binutils g++-mingw-w64-x86-64 mingw-w64-x86-64-dev g++-mingw-w64-i686
          mingw-w64-i686-dev googletest libgtest-dev libgmock-dev nlohmann-json3-dev libssl-dev libexpat1-dev wine wine64 xvfb xdotool
          x11-apps imagemagick fp-utils fonts-liberation fonts-wine clang libclang-rt-14-dev
          osslsigncode openssl wixl msitools zip unzip)
PACKAGES_32=(wine32:i386)

missing_deps() {
  local t f
  for t in "${REQUIRED_TOOLS[@]}"; do command -v "$t" >/dev/null 2>&1 || { echo "$t"; return 0; }; done
  for f in "${REQUIRED_FILES[@]}"; do [ -e "$f" ] || { echo "$f"; return 0; }; done
  if can_run_32bit; then
    for f in "${REQUIRED_FILES_32[@]}"; do [ -e "$f" ] || { echo "$f"; return 0; }; done
  fi
  # ImageMagick proper, not a stand-in script
  [ -x /usr/bin/convert ] || { echo imagemagick; return 0; }
  # libFuzzer's runtime, which clang++ links for -fsanitize=fuzzer
  compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    { echo libclang-rt-14-dev; return 0; }
  return 1
}

# Installs what is missing: 64-bit Wine always, 32-bit Wine (and the i386 architecture) only
# where this machine can run 32-bit programs.
ensure_deps() {
  local what
  if ! what=$(missing_deps); then return 0; fi
  log "installing build and test packages (missing: $what)"
  export DEBIAN_FRONTEND=noninteractive
  local packages=("${PACKAGES[@]}")
  if can_run_32bit; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386
    fi
    packages+=("${PACKAGES_32[@]}")
  fi
  as_root apt-get update -q -y >&2
  as_root apt-get install -q -y --no-install-recommends "${packages[@]}" >&2
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

# build_win ARCH [cmake --build arguments]: the Windows build of ARCH (64: x86_64 in
# build/win64, 32: i686 in build/win32).
build_win() {
  local arch=$1 dir cpu
  shift
  if [ "$arch" = 64 ]; then dir=$BUILD_WIN64 cpu=x86_64; else dir=$BUILD_WIN32 cpu=i686; fi
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$cpu.cmake" >/dev/null &&
    cmake --build "$dir" "$@"
}

# The build folder of ARCH.
win_build_dir() { if [ "$1" = 64 ]; then echo "$BUILD_WIN64"; else echo "$BUILD_WIN32"; fi; }

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

# use_wine ARCH: every later Wine call goes to the loader of ARCH (64 or 32), never to the
# `wine` wrapper, which prefers the 32-bit loader whenever it is installed, even where the
# kernel cannot run it. Prefixes are made for the same architecture.
use_wine() {
  if [ "$1" = 64 ]; then
    WINE=/usr/lib/wine/wine64
    export WINEARCH=win64
  else
    WINE=/usr/lib/wine/wine
    export WINEARCH=win32
  fi
  export WINELOADER=$WINE
  WINESERVER=/usr/lib/wine/wineserver64
  [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
  export WINESERVER
}

# The architecture of an existing prefix (64 or 32), from its registry; empty when unknown.
prefix_arch() {
  [ -f "$1/system.reg" ] || return 0
  case "$(grep -m1 '^#arch=' "$1/system.reg")" in
    '#arch=win64') echo 64 ;;
    '#arch=win32') echo 32 ;;
  esac
}

# Makes a Wine prefix in $1 for the architecture chosen with use_wine (nothing is asked: no
# Mono or Gecko installers).
make_prefix() {
  export WINEPREFIX="$1"
  mkdir -p "$WINEPREFIX"
  timeout 180 "$WINE" wineboot.exe -i >/dev/null 2>&1 || { log "wineboot failed in $WINEPREFIX"; return 1; }
  timeout 60 "$WINESERVER" -w 2>/dev/null || true
  # Wine's own fonts (Tahoma, and Marlett for the caption buttons) where its windows find them,
  # and the metric-compatible Liberation fonts for the Windows fonts the program asks for.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  local reg
  reg=$(mktemp /tmp/kw-fonts.XXXXXX.reg)
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"Arial"="Liberation Sans"' '"Courier New"="Liberation Mono"' '"Times New Roman"="Liberation Serif"' >"$reg"
  timeout 60 "$WINE" regedit.exe /S "$(timeout 30 "$WINE" winepath.exe -w "$reg" 2>/dev/null)" >/dev/null 2>&1 || true
  timeout 60 "$WINESERVER" -w 2>/dev/null || true
  rm -f "$reg"
}

# fresh_prefix DIR: a fresh prefix in the empty folder DIR: the copy that PRISTINE_PREFIX names
# (made by make_prefix and never used since), which it takes, or else a new one.
fresh_prefix() {
  if [ -n "${PRISTINE_PREFIX:-}" ] && rmdir "$1" && mv "$PRISTINE_PREFIX" "$1"; then
    PRISTINE_PREFIX=""
    export WINEPREFIX="$1"
    return 0
  fi
  make_prefix "$1"
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && [ -n "${WINESERVER:-}" ] && timeout 30 "$WINESERVER" -k 2>/dev/null || true
}

# A screenshot of the whole X screen as PNG.
screenshot() {
  xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$1"
}
