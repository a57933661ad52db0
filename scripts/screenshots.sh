#!/usr/bin/env bash
# Takes the user guide's screenshots under Wine into docs/images/ (re-run it after a
# change to a window): the main window on both device paths, the tray menu, the sound
# controls and tone controls dialogs (endpoint path) and the sound card controls dialog
# (legacy path). It uses a Wine prefix of its own, so no one's settings change.
#
#   scripts/screenshots.sh [--dpi N] [--out DIR] [--build DIR]
#     --dpi 144   the display at 150 % (default 96, 100 %)
#     --out DIR   where the PNGs go (default docs/images)
#     --build DIR the x86_64 build (default build/win64; configured and built as needed)
#
# The tone controls need a device with tone controls, which Wine's audio does not
# have: that dialog is shown by its Wine test, the real program over a scripted codec.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
DPI=96 OUT="$ROOT/docs/images" BUILD="$ROOT/build/win64"
while [ $# -gt 0 ]; do
  case "$1" in
    --dpi) DPI="$2"; shift 2 ;;
    --out) OUT="$2"; shift 2 ;;
    --build) BUILD="$2"; shift 2 ;;
    *) echo "usage: $0 [--dpi N] [--out DIR] [--build DIR]" >&2; exit 2 ;;
  esac
done
mkdir -p "$OUT"; OUT="$(cd "$OUT" && pwd)"

export TK_WINEPREFIX="${TK_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tonekeep/screenshots-wineprefix}"
source "$ROOT/scripts/env.sh"
tk_install_packages || exit 1
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" >/dev/null || exit 1
fi
cmake --build "$BUILD" -j "${JOBS:-$(nproc)}" \
  --target Tonekeep HavroVista tk_shot_driver tk_wine_topology_test || exit 1
BIN="$BUILD/bin"
DRIVER="$BUILD/tests/wine/package/tk_shot_driver.exe"
DIALOGS_TEST="$BUILD/tests/wine/topology/tk_wine_topology_test.exe"

trap tk_env_down EXIT
tk_env_up || exit 1

# Wine's own fonts (Debian package fonts-wine) in the prefix: Marlett draws the frame
# buttons, Tahoma is the dialog font Windows programs are made for.
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  [ -f "/usr/share/wine/fonts/$font" ] && cp -n "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
# Wine draws the window frames itself (there is no window manager on the display),
# at the chosen scaling, with settings that start empty but for two programs.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1
SETTINGS='HKCU\Software\VB and VBA Program Settings\Havro Tonekeep\Programs'
wine reg delete 'HKCU\Software\VB and VBA Program Settings\Havro Tonekeep' /f >/dev/null 2>&1
wine reg add "$SETTINGS" /v "Name 1" /d 'C:\windows\notepad.exe' /f >/dev/null 2>&1
wine reg add "$SETTINGS" /v "Name 2" /d 'C:\windows\regedit.exe' /f >/dev/null 2>&1
wineserver -w

failed=0
# shot NAME "x y w h": crops the screen to the rectangle, small palette PNG.
shot() {
  local name="$1" x y w h
  read -r x y w h <<<"$2"
  if [ -z "${h:-}" ]; then echo "no window for $name" >&2; failed=1; return; fi
  import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip \
    -define png:compression-level=9 +dither -colors 64 "$OUT/$name.png" &&
    echo "wrote $OUT/$name.png (${w}x${h})"
}
drive() { wine "$DRIVER" "$@" 2>/dev/null | tr -d '\r'; }

MAIN=HavroTonekeepMain
# start_program: Tonekeep from its folder, until its main window shows.
start_program() {
  (cd "$BIN" && exec wine Tonekeep.exe >/dev/null 2>&1) &
  PROGRAM_PID=$!
  MAIN_RECT="$(drive wait $MAIN)"
}
end_program() {
  drive click $MAIN 1504 >/dev/null   # File > Exit
  for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$PROGRAM_PID" 2>/dev/null && { kill "$PROGRAM_PID"; wait "$PROGRAM_PID" 2>/dev/null; }
  wineserver -w
}

# Endpoint path.
tk_set_winver default
start_program
shot main-endpoint "$MAIN_RECT"
shot tray-menu "$(drive traymenu)"
xdotool key Escape 2>/dev/null; sleep 0.5
drive click $MAIN 1007 >/dev/null   # Set Levels
shot sound-controls "$(drive wait HavroTonekeepSoundVista)"
drive close HavroTonekeepSoundVista >/dev/null
drive gone HavroTonekeepSoundVista >/dev/null
end_program

# The tone dialog, held on screen by its test.
TK_VISTA_HOLD_MS=4000 wine "$DIALOGS_TEST" --gtest_filter='ProgramTopology.*' >/dev/null 2>&1 &
test_pid=$!
shot tone-controls "$(drive wait HavroTonekeepVistaTone)"
wait "$test_pid"

# Legacy path.
tk_set_winver winxp64
start_program
shot main-legacy "$MAIN_RECT"
drive click $MAIN 1007 >/dev/null
shot sound-card-controls "$(drive wait HavroTonekeepSound)"
drive close HavroTonekeepSound >/dev/null
drive gone HavroTonekeepSound >/dev/null
end_program
tk_set_winver default

exit $failed
