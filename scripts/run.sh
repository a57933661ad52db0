#!/usr/bin/env bash
# Installs what is missing, builds the Windows binaries and starts Tonekeep under
# Wine (with a virtual display and a private sound server when the machine has none).
#   scripts/run.sh            the endpoint path (Windows 7 and later)
#   scripts/run.sh --legacy   the legacy mixer path (the prefix reports Windows XP)
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
source scripts/env.sh
tk_install_packages || exit 1
scripts/build.sh win64 || exit 1
trap tk_env_down EXIT
tk_env_up || exit 1
if [ "${1:-}" = "--legacy" ]; then tk_set_winver winxp64; else tk_set_winver default; fi
echo "Tonekeep runs on display $DISPLAY; end it from its tray menu (Exit Tonekeep)."
wine "$ROOT/build/win64/bin/Tonekeep.exe"
wineserver -w
