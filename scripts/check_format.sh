#!/usr/bin/env bash
# Every C++ file of the repository is formatted with the checked-in .clang-format.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r f; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f (run: clang-format -i $f)"
    bad=1
  fi
done < <(git ls-files '*.cpp' '*.h')
exit $bad
