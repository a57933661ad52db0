#!/usr/bin/env bash
# Builds the packages of the Windows builds into dist/, <arch> win64 (x86_64, Windows 7
# SP1 and later) and win32 (i686, Windows XP SP3 and later):
#   dist/Tonekeep-<version>-<arch>.zip        portable (unpack anywhere, start Tonekeep.exe)
#   dist/Tonekeep-<version>-setup-<arch>.exe  per-user installer (also silent: /S)
#
#   scripts/package.sh [build-dir ...]   (default build/win64 build/win32, configured
#                                          and built as needed)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=("$ROOT/build/win64" "$ROOT/build/win32")

if ! command -v makensis >/dev/null; then
  echo "makensis is missing (Debian package nsis; scripts/env.sh installs it)" >&2
  exit 1
fi
mkdir -p "$ROOT/dist"
for BUILD in "${builds[@]}"; do
  BUILD="$(mkdir -p "$BUILD" && cd "$BUILD" && pwd)"
  if [ ! -f "$BUILD/CPackConfig.cmake" ]; then
    case "$(basename "$BUILD")" in
      *32*) toolchain="$ROOT/cmake/toolchain-mingw-i686.cmake" ;;
      *) toolchain="$ROOT/cmake/toolchain-mingw-x86_64.cmake" ;;
    esac
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
  fi
  cmake --build "$BUILD" -j "${JOBS:-$(nproc)}" --target Tonekeep HavroVista

  # cpack writes next to the build; dist/ gets only the two packages.
  rm -rf "$BUILD/package"
  (cd "$BUILD" && cpack -G "ZIP;NSIS" -B "$BUILD/package" >"$BUILD/package.log" 2>&1) || {
    cat "$BUILD/package.log" >&2
    echo "packaging failed" >&2
    exit 1
  }
  version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")"
  arch="$(sed -n 's/^set(CPACK_TONEKEEP_ARCH "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")"
  rm -f "$ROOT/dist/Tonekeep-$version-$arch.zip" "$ROOT/dist/Tonekeep-$version-setup-$arch.exe"
  cp "$BUILD/package/Tonekeep-$version-$arch.zip" "$BUILD/package/Tonekeep-$version-setup-$arch.exe" "$ROOT/dist/"
  ls -l "$ROOT/dist/Tonekeep-$version-$arch.zip" "$ROOT/dist/Tonekeep-$version-setup-$arch.exe" |
    awk '{print "packaged", $NF, "(" $5 " bytes)"}'
done
