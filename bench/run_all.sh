#!/usr/bin/env bash
# Every benchmark of the project, in one run under Wine, printing figures (not a test,
# not in ctest):
#   - the HavroVista level exports against the raw Core Audio calls they wrap
#   - Tonekeep.exe against a minimal Win32 window program: start-up to a visible main
#     window, working set; a profile switch against the same registry and Core Audio
#     calls made directly; WM_TIMER messages per minute idle and while watching
#   - the topology walk on a large in-memory topology (native)
#
#   bench/run_all.sh                 BENCH_RUNS=9 BENCH_WAKE_SECONDS=60 by default
#   BENCH_BASELINE_BIN=/path/bin bench/run_all.sh
#                                    also measures the Tonekeep.exe of another build (e.g.
#                                    the one before a change) in the same run, first
#
# It runs in a Wine prefix of its own (it starts and ends Tonekeep.exe and rewrites its
# settings, which must not meet a copy a test runs in the shared prefix).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
native="${BENCH_NATIVE_DIR:-$root/build/bench-native}"
win64="${BENCH_WIN64_DIR:-$root/build/bench-win64}"
runs="${BENCH_RUNS:-9}"
wake="${BENCH_WAKE_SECONDS:-60}"

echo "== building (Release, no sanitizers)"
cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEKEEP_SANITIZE=OFF >/dev/null
cmake --build "$native" --target havro_walk_bench -j2 >/dev/null
cmake -S "$root" -B "$win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
cmake --build "$win64" --target havro_endpoint_bench program_bench -j2 >/dev/null

export TK_WINEPREFIX="${TK_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tonekeep/wineprefix-bench}"
# shellcheck source=/dev/null
source "$root/scripts/env.sh"
tk_env_up
trap tk_env_down EXIT
tk_set_winver default

# Output to a file: Wine's server outlives the program and would hold a pipe open.
out="$(mktemp)"
run_wine() {
  if ! wine "$@" >"$out" 2>&1; then tr -d '\r' <"$out"; rm -f "$out"; exit 1; fi
  tr -d '\r' <"$out" | grep -v ':fixme:'
}

echo
echo "== level exports vs raw Core Audio (Wine)"
run_wine "$win64/bench/havro_endpoint_bench.exe"

if [ -n "${BENCH_BASELINE_BIN:-}" ]; then
  echo
  echo "== baseline Tonekeep.exe vs yardsticks (Wine; about $((wake * 2 / 60 + 2)) minutes)"
  run_wine "$win64/bench/program_bench.exe" "$runs" "$wake" "$BENCH_BASELINE_BIN"
fi

echo
echo "== Tonekeep.exe vs yardsticks (Wine; about $((wake * 2 / 60 + 2)) minutes)"
run_wine "$win64/bench/program_bench.exe" "$runs" "$wake"
rm -f "$out"

echo
echo "== topology walk (native, in-memory topology)"
"$native/bench/havro_walk_bench"

cat <<'NOTE'

Reading the figures (bench/NOTES.md has the details and the last recorded run):
- Level exports: under Wine an endpoint volume call is a few hundred nanoseconds of
  in-process bookkeeping (Wine keeps endpoint volumes per process), so the export's
  own work -- the status, the percent/dB mapping, the range query it repeats -- is a
  visible share; on Windows each raw call crosses to the audio service and the ratio
  comes near 1.
- Start-up and working set: the plain yardstick does no audio and loads only user32.
  The second lists the endpoints and opens the wave mixer (Wine's audio stack). Most of
  the remaining working-set gap is comctl32 and comdlg32 as Wine maps them.
- Profile switch: the program reopens the endpoint set when the entry's devices differ
  and keeps the wave mixer in step (lined up by name, its volume and mute found and
  read, level text applied and read); under Wine each wave-mixer value read costs
  most of a millisecond. The direct yardstick makes the registry and Core Audio calls
  once and no mixer call; the "program's counts" row makes the calls of the program's
  earlier, heavier switch directly.
- WM_TIMER: counted by the program's own message loop (every timer of its thread).
NOTE
