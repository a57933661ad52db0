#!/usr/bin/env bash
# Builds the packages of the x86_64 build into dist/:
#   dist/Tonekeep-<version>-win64.zip        portable (unpack anywhere, start Tonekeep.exe)
#   dist/Tonekeep-<version>-setup-win64.exe  per-user installer (also silent: /S)
#
#   scripts/package.sh [build-dir]   (default build/win64, configured and built as needed)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build/win64}"
BUILD="$(mkdir -p "$BUILD" && cd "$BUILD" && pwd)"

if ! command -v makensis >/dev/null; then
  echo "makensis is missing (Debian package nsis; scripts/env.sh installs it)" >&2
  exit 1
fi
if [ ! -f "$BUILD/CPackConfig.cmake" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
fi
cmake --build "$BUILD" -j "${JOBS:-$(nproc)}" --target Tonekeep HavroVista

# cpack writes next to the build; dist/ gets only the two packages.
rm -rf "$BUILD/package"
(cd "$BUILD" && cpack -G "ZIP;NSIS" -B "$BUILD/package" >"$BUILD/package.log" 2>&1) || {
  cat "$BUILD/package.log" >&2
  echo "packaging failed" >&2
  exit 1
}
mkdir -p "$ROOT/dist"
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")"
rm -f "$ROOT/dist/Tonekeep-$version-"*
cp "$BUILD/package/Tonekeep-$version-win64.zip" "$BUILD/package/Tonekeep-$version-setup-win64.exe" "$ROOT/dist/"
ls -l "$ROOT/dist/Tonekeep-$version-"* | awk '{print "packaged", $NF, "(" $5 " bytes)"}'
