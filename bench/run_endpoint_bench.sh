#!/usr/bin/env bash
# Builds and runs the HavroVista benchmarks: the walk on a large fake topology (native,
# optimised, no sanitizers) and the level exports against the raw Core Audio calls (x86_64,
# under Wine with the harness's sound server). Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
native="${BENCH_NATIVE_DIR:-$root/build/bench-native}"
win64="${BENCH_WIN64_DIR:-$root/build/bench-win64}"

cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEKEEP_SANITIZE=OFF >/dev/null
cmake --build "$native" --target havro_walk_bench -j2 >/dev/null
cmake -S "$root" -B "$win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
cmake --build "$win64" --target havro_endpoint_bench -j2 >/dev/null

echo "== topology walk (native, in-memory topology)"
"$native/bench/havro_walk_bench"

echo "== level exports vs raw Core Audio (Wine)"
# shellcheck source=/dev/null
source "$root/scripts/env.sh"
tk_env_up
trap tk_env_down EXIT
out="$(mktemp)"
# Output to a file: Wine's server outlives the program and would hold a pipe open.
wine "$win64/bench/havro_endpoint_bench.exe" >"$out" 2>&1 || { cat "$out"; exit 1; }
tr -d '\r' <"$out"
rm -f "$out"
