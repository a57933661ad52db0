#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native tests,
# the Wine tests of the real binaries (Wine, a PulseAudio server with null devices and
# a virtual display are started when the machine has none, and stopped afterwards),
# those of the 32-bit build where the machine runs 32-bit programs, and the export and
# import-table checks of both cross builds.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
source scripts/env.sh
tk_install_packages || { echo "package installation failed" >&2; exit 1; }
tk_comma_locale

scripts/build.sh native win64 win32 || { echo "build failed" >&2; exit 1; }
# The portable ZIP and the installer (dist/); the Wine tests install them.
scripts/package.sh || { echo "packaging failed" >&2; exit 1; }

status=0
passed=0
failed=0
logs="$(mktemp -d)"
# Runs ctest, keeping its output to add its counts to the closing line.
run_ctest() {
  local log="$logs/$#-$RANDOM.log" rc
  ctest "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
  fi
  return "$rc"
}

# A check outside ctest counts as one test in the closing line.
run_check() {
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
}

echo "== format"
run_check scripts/check_format.sh

echo "== native tests"
run_ctest --test-dir build/native --output-on-failure -j "$(nproc)" || status=1

echo "== fuzz (short run)"
run_check tests/fuzz/run.sh 10

echo "== Wine tests"
not_run=""
trap tk_env_down EXIT
if tk_env_up; then
  run_ctest --test-dir build/win64 --output-on-failure --timeout 300 || status=1
  # The 32-bit pair: the legacy start-up and one launch cycle.
  echo "== Wine tests of the i686 build"
  if tk_wine32_runs; then
    run_ctest --test-dir build/win32 -R '^wine_' --output-on-failure --timeout 300 || status=1
  else
    not_run=", i686 Wine tests not run (this machine's kernel executes no 32-bit programs: IA-32 emulation off)"
    echo "NOT RUN:${not_run#,}"
  fi
else
  echo "could not bring up the Wine environment" >&2; status=1
fi
tk_env_down
trap - EXIT

echo "== i686 checks"
run_ctest --test-dir build/win32 -E '^wine_' --output-on-failure || status=1

rm -rf "$logs"
[ $status -eq 0 ] && echo "all test groups passed" || echo "some tests or checks failed"
[ -n "$not_run" ] && echo "not run:${not_run#,}"
echo "tests: $passed passed, $failed failed"
exit $status
