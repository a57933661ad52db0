#!/usr/bin/env bash
# Builds the libFuzzer target with clang (fuzzer, address and undefined-behaviour
# sanitizers) and runs it for a bounded time, printing executions and crashes.
#
#   tests/fuzz/run.sh [seconds]     (default 60)
#
# Exit status 0 when the target did not crash; 1 on a crash (the crashing input is kept in
# build/fuzz/artifacts/); 2 when the build fails. Needs clang++ and the sanitizer
# runtime (Debian: clang, libclang-rt-14-dev).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SECONDS_EACH="${1:-60}"
OUT="${TK_FUZZ_DIR:-$ROOT/build/fuzz}"
CXX="${FUZZ_CXX:-clang++}"
mkdir -p "$OUT/artifacts"

FLAGS=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=undefined -I"$ROOT/app" -I"$ROOT/tests/native/support")

build() {  # name, sources...
  local name=$1; shift
  echo "== build $name"
  "$CXX" "${FLAGS[@]}" "$@" -o "$OUT/$name" || { echo "build of $name failed" >&2; exit 2; }
}

build level_set_fuzz "$ROOT/tests/fuzz/level_set_fuzz.cpp" "$ROOT/app/modules/VistaSound.cpp" \
  "$ROOT/app/modules/convert.cpp"

status=0
run() {  # name, seed folder
  local name=$1 seeds=$2 corpus="$OUT/corpus/$1" log="$OUT/$1.log"
  mkdir -p "$corpus"
  cp -n "$seeds"/* "$corpus"/ 2>/dev/null
  echo "== run $name for ${SECONDS_EACH}s"
  "$OUT/$name" -max_total_time="$SECONDS_EACH" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$OUT/artifacts/$name-" -print_final_stats=1 "$corpus" >"$log" 2>&1
  local rc=$?
  local execs crashes
  execs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  crashes=$(ls "$OUT/artifacts" 2>/dev/null | grep -c "^$name-")
  echo "$name: executions ${execs:-?}, exit $rc, crash files $crashes"
  if [ $rc -ne 0 ]; then
    status=1
    grep -E 'ERROR|SUMMARY|level_.*_fuzz:|Test unit written' "$log" | head -20
  fi
}

run level_set_fuzz "$ROOT/tests/fuzz/seeds/level_set"

[ $status -eq 0 ] && echo "fuzz: no crashes" || echo "fuzz: CRASHES FOUND"
exit $status
