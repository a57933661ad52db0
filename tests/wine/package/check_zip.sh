#!/usr/bin/env bash
# The portable ZIP: one top folder holding exactly the program, its library, the README
# and the licence; the program is a 64-bit Windows GUI program that imports the library
# by nothing (it loads it itself) and the library has its exports.
#   check_zip.sh <zip> <top folder name>
set -uo pipefail
zip="$1" top="$2"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
check "the zip unpacks" 'unzip -q "$zip" -d "$work"'
listing="$(cd "$work" && find . -type f | sort | tr '\n' ' ')"
expected="./$top/HavroVista.dll ./$top/LICENSE.txt ./$top/README.txt ./$top/Tonekeep.exe "
check "contents are [$expected] (found [$listing])" '[ "$listing" = "$expected" ]'

dir="$work/$top"
# Read each header once: grep -q ending a pipe early would fail it under pipefail.
exe_headers="$(x86_64-w64-mingw32-objdump -p -f "$dir/Tonekeep.exe" 2>/dev/null)"
dll_headers="$(x86_64-w64-mingw32-objdump -p "$dir/HavroVista.dll" 2>/dev/null)"
check "Tonekeep.exe is a 64-bit Windows GUI program" \
  'grep -q "^Subsystem.*(Windows GUI)" <<<"$exe_headers" && grep -q "file format pei-x86-64" <<<"$exe_headers"'
check "Tonekeep.exe does not import HavroVista.dll (it loads it from its own folder)" \
  '! grep -qi "DLL Name: HavroVista" <<<"$exe_headers"'
check "HavroVista.dll exports OpenSoundCard and CloseSoundCard undecorated" \
  'grep -qw OpenSoundCard <<<"$dll_headers" && grep -qw CloseSoundCard <<<"$dll_headers"'
check "the licence is MIT with the developers' copyright" \
  'grep -q "^MIT License" "$dir/LICENSE.txt" && grep -q "Copyright (c) 2026 The Tonekeep developers" "$dir/LICENSE.txt"'
check "the README is the project's" 'head -1 "$dir/README.txt" | grep -q "^# Havro Tonekeep"'

exit $fail
