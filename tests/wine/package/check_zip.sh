#!/usr/bin/env bash
# The portable ZIP: one top folder holding exactly the program, its library, the README
# and the licence; the program is a Windows GUI program of the ZIP's architecture that
# imports the library by nothing (it loads it itself) and the library, of the same
# architecture, has its exports and its version.
#   check_zip.sh <zip> <top folder name> win64|win32
set -uo pipefail
zip="$1" top="$2" arch="$3"
case "$arch" in
  win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 bits=64 ;;
  win32) objdump=i686-w64-mingw32-objdump format=pei-i386 bits=32 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
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
exe_headers="$($objdump -p -f "$dir/Tonekeep.exe" 2>/dev/null)"
dll_headers="$($objdump -p -f "$dir/HavroVista.dll" 2>/dev/null)"
check "Tonekeep.exe is a $bits-bit Windows GUI program" \
  'grep -q "^Subsystem.*(Windows GUI)" <<<"$exe_headers" && grep -q "file format $format\$" <<<"$exe_headers"'
dll_version="$(strings -el "$dir/HavroVista.dll")"
check "HavroVista.dll is a $bits-bit library with its version resource" \
  'grep -q "file format $format\$" <<<"$dll_headers" && grep -qx VS_VERSION_INFO <<<"$dll_version" && grep -qx HavroVista.dll <<<"$dll_version"'
check "Tonekeep.exe does not import HavroVista.dll (it loads it from its own folder)" \
  '! grep -qi "DLL Name: HavroVista" <<<"$exe_headers"'
check "HavroVista.dll exports OpenSoundCard and CloseSoundCard undecorated" \
  'grep -qw OpenSoundCard <<<"$dll_headers" && grep -qw CloseSoundCard <<<"$dll_headers"'
check "the licence is MIT with the developers' copyright" \
  'grep -q "^MIT License" "$dir/LICENSE.txt" && grep -q "Copyright (c) 2026 The Tonekeep developers" "$dir/LICENSE.txt"'
check "the README is the project's" 'head -1 "$dir/README.txt" | grep -q "^# Havro Tonekeep"'

exit $fail
