#!/usr/bin/env bash
# Builds the three configurations: native (logic + tests, sanitizers on), win64 and
# win32 (mingw-w64 cross builds of Tonekeep.exe and HavroVista.dll).
#   scripts/build.sh [native|win64|win32 ...]   (default: all three)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"
configs=("$@")
[ ${#configs[@]} -eq 0 ] && configs=(native win64 win32)

for c in "${configs[@]}"; do
  dir="$ROOT/build/$c"
  case "$c" in
    native) extra=(-DCMAKE_BUILD_TYPE=Debug) ;;
    win64) extra=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    win32) extra=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    *) echo "unknown configuration $c" >&2; exit 2 ;;
  esac
  # ccache, where the machine has it, shares compiled objects between checkouts.
  command -v ccache >/dev/null && extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$ROOT"
  echo "== build $c"
  cmake -S "$ROOT" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
  cmake --build "$dir" -j "$JOBS"
done
