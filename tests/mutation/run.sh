#!/usr/bin/env bash
# Mutation check of the native tests: applies each single-line change listed in
# mutations.txt to the product code, one at a time, rebuilds the native tests (without
# sanitizers, in build/mutation) and runs them. A change the tests do not notice
# "survives". The changed file is always put back, whatever ends the run.
#   tests/mutation/run.sh [name-pattern]   (default: every entry)
# Not part of CI: it takes minutes. Exit status 1 when a change survives or an entry is
# unusable (fragment not found exactly once, change does not build).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
LIST="$ROOT/tests/mutation/mutations.txt"
BUILD="$ROOT/build/mutation"
FILTER="${1:-}"
JOBS="${JOBS:-$(nproc)}"
TEST_TIMEOUT="${TEST_TIMEOUT:-300}"
cd "$ROOT"

backup=""
target=""
restore() {
  if [ -n "$backup" ] && [ -f "$backup" ]; then
    cat "$backup" >"$target"  # a new time stamp: the next build compiles it again
    rm -f "$backup"
  fi
  backup=""
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

configure() {
  local extra=(-DCMAKE_BUILD_TYPE=Debug -DTONEKEEP_SANITIZE=OFF)
  command -v ccache >/dev/null && extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$ROOT"
  cmake -S "$ROOT" -B "$BUILD" -G Ninja "${extra[@]}" >/dev/null
}

build() { cmake --build "$BUILD" -j "$JOBS" >"$BUILD/last_build.log" 2>&1; }

# Every native test program; the first one that fails ends the run.
run_tests() {
  local exe
  for exe in $(find "$BUILD/tests/native" -type f -perm -u+x -name '*_tests' | sort); do
    timeout "$TEST_TIMEOUT" "$exe" --gtest_brief=1 >"$BUILD/last_test.log" 2>&1 || return 1
  done
  return 0
}

# Replaces the one occurrence of FROM in FILE by TO; status 3 unless it occurs once.
apply() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
n = text.count(old)
if n != 1:
    print(f"fragment found {n} times", file=sys.stderr)
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(old, new, 1))
PY
}

# The list: blocks of "name:", "file:", "from:", "to:" lines (the text after "from: " and
# "to: " is taken literally); "#" lines and blank lines are ignored.
names=() files=() froms=() tos=()
while IFS= read -r line; do
  case "$line" in
    name:\ *) names+=("${line#name: }") ;;
    file:\ *) files+=("${line#file: }") ;;
    from:\ *) froms+=("${line#from: }") ;;
    to:*) tos+=("${line#to:}"); tos[-1]="${tos[-1]# }" ;;
  esac
done <"$LIST"
if [ ${#names[@]} -ne ${#files[@]} ] || [ ${#names[@]} -ne ${#froms[@]} ] ||
   [ ${#names[@]} -ne ${#tos[@]} ]; then
  echo "mutations.txt: every entry needs name, file, from and to" >&2
  exit 2
fi

start=$(date +%s)
configure
if ! build || ! run_tests; then
  echo "the unchanged tree does not build or its tests fail; see $BUILD/last_*.log" >&2
  exit 2
fi

total=0 killed=0
survived=() unusable=()
for i in "${!names[@]}"; do
  name="${names[$i]}"
  [ -n "$FILTER" ] && [[ "$name" != *$FILTER* ]] && continue
  total=$((total + 1))
  target="$ROOT/${files[$i]}"
  backup="$(mktemp)"
  cp -p "$target" "$backup"
  if ! apply "$target" "${froms[$i]}" "${tos[$i]}"; then
    echo "[unusable] $name: fragment not found exactly once in ${files[$i]}"
    unusable+=("$name (fragment)")
    restore
    continue
  fi
  if ! build; then
    echo "[unusable] $name: does not build"
    unusable+=("$name (build)")
  elif run_tests; then
    echo "[SURVIVED] $name"
    survived+=("$name")
  else
    echo "[killed]   $name"
    killed=$((killed + 1))
  fi
  restore
done
build >/dev/null 2>&1 || true

echo "mutations: $total, killed: $killed, survived: ${#survived[@]} ($(($(date +%s) - start)) s)"
for s in "${survived[@]}"; do echo "  survived: $s"; done
for u in "${unusable[@]}"; do echo "  unusable: $u"; done
[ ${#survived[@]} -eq 0 ] && [ ${#unusable[@]} -eq 0 ]
