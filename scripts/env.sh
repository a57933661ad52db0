# Source this file: functions that bring up what Tonekeep needs to run under Wine on
# Linux — a display, a sound server with null devices and a private Wine prefix — and
# take down again exactly what they started (by process id).
#
#   source scripts/env.sh
#   tk_env_up            # Xvfb if there is no display, PulseAudio if none answers, prefix
#   tk_set_winver winxp64|default
#   tk_env_down          # stops what tk_env_up started, nothing else

TK_ROOT="${TK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
TK_STATE="${TK_STATE:-${XDG_CACHE_HOME:-$HOME/.cache}/tonekeep}"
mkdir -p "$TK_STATE"

export WINEPREFIX="${TK_WINEPREFIX:-$TK_STATE/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko download prompts: the program needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

tk_log() { echo "[env] $*" >&2; }

# Debian's wine wrapper starts every program through the 32-bit loader once wine32 is
# installed, and that loader starts the 64-bit one for 64-bit programs. A kernel without
# 32-bit support (booted with ia32_emulation off) cannot execute that loader, so there
# every program, 64-bit ones included, would fail. On such a machine the commands here
# go straight to the 64-bit loader, and 32-bit programs cannot run at all.
tk_wine32_runs() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if [ -x /usr/lib/wine/wine64 ] && [ -x /usr/lib/wine/wine ] && ! tk_wine32_runs; then
  mkdir -p "$TK_STATE/bin"
  for _tk_cmd in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$TK_STATE/bin/$_tk_cmd"
    chmod +x "$TK_STATE/bin/$_tk_cmd"
  done
  unset _tk_cmd
  case ":$PATH:" in *":$TK_STATE/bin:"*) ;; *) export PATH="$TK_STATE/bin:$PATH" ;; esac
  export WINELOADER=/usr/lib/wine/wine64
fi

# Debian packages the build, the tests and the harness need.
TK_PACKAGES=(cmake ninja-build g++ googletest libgtest-dev clang-format
  mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386 pulseaudio pulseaudio-utils xvfb x11-utils imagemagick xdotool locales
  clang libclang-rt-14-dev nsis unzip fonts-wine)

tk_install_packages() {
  local missing=() p
  for p in "${TK_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  tk_log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # wine32 (the 32-bit programs) comes from Debian's i386 architecture.
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# A locale whose decimal separator is a comma, for the tests that prove the stored
# numbers never depend on the user's locale.
tk_comma_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  [ -f /etc/locale.gen ] || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null 2>&1 || true
}

tk_display_up() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  # A display an earlier run left for reuse (tk_env_keep) is taken as it is.
  if [ -f "$TK_STATE/display" ] && DISPLAY="$(cat "$TK_STATE/display")" xdpyinfo >/dev/null 2>&1; then
    export DISPLAY="$(cat "$TK_STATE/display")" TK_OWN_DISPLAY=1; return 0
  fi
  local n
  for n in 99 98 97 96 95; do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$TK_STATE/xvfb.log" 2>&1 &
    TK_XVFB_PID=$!
    export DISPLAY=":$n" TK_OWN_DISPLAY=1
    local i
    for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    tk_log "Xvfb $DISPLAY (pid $TK_XVFB_PID)"
    return 0
  done
  tk_log "no free display number"; return 1
}

tk_pulse_up() {
  export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$TK_STATE/run}"
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  if pactl info >/dev/null 2>&1; then return 0; fi
  local cfg="$TK_STATE/pulse.pa"
  cat >"$cfg" <<'PA'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=speakers sink_properties=device.description=Speakers
load-module module-null-sink sink_name=headphones sink_properties=device.description=Kopfhörer
load-module module-null-source source_name=microphone description=Microphone
load-module module-null-source source_name=linein description=Line_In
set-default-sink speakers
set-default-source microphone
PA
  # module-null-source takes its description verbatim; give the line-in its blank.
  sed -i 's/description=Line_In/description="Line In"/' "$cfg"
  pulseaudio -n -F "$cfg" --daemonize=no --exit-idle-time=-1 --disallow-exit \
    --system=false --log-target=file:"$TK_STATE/pulse.log" >/dev/null 2>&1 &
  TK_PULSE_PID=$!
  local i
  for i in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  if ! pactl info >/dev/null 2>&1; then tk_log "PulseAudio did not start (see $TK_STATE/pulse.log)"; return 1; fi
  tk_log "PulseAudio (pid $TK_PULSE_PID)"
}

tk_prefix_up() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    tk_log "creating Wine prefix $WINEPREFIX (once)"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A program that crashes under test must end, not wait in Wine's debugger and its
  # crash dialog until the test times out.
  if [ ! -f "$WINEPREFIX/.tk-no-debugger" ]; then
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
    wine reg delete 'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    touch "$WINEPREFIX/.tk-no-debugger"
  fi
  # A display started here has no window manager, and Wine waits up to two seconds for
  # one each time a window of its own hides (a message box answered, a program's exit):
  # there Wine manages the windows itself. On someone's own display their window manager
  # does.
  if [ -n "${TK_OWN_DISPLAY:-}" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  fi
}

# winxp64 makes the version query report major 5 (the legacy mixer path);
# "default" removes the setting (the endpoint path).
tk_set_winver() {
  if [ "$1" = default ]; then
    wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  else
    wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$1" /f >/dev/null 2>&1
  fi
}

# The sound devices the Wine tests rely on, as Wine itself sees them: the endpoints
# "Speakers" and "Kopfhörer" (playback; a name outside ASCII), "Microphone" and "Line In"
# (capture), and mixer devices of the same names for the legacy path. A sound server that answers but
# lacks them (someone else's, or one Wine cannot reach) fails here, before any test.
tk_devices_check() {
  local exe="$TK_STATE/wine_devices.exe" src="$TK_ROOT/scripts/wine_devices.c"
  if [ ! -f "$exe" ] || [ "$src" -nt "$exe" ]; then
    x86_64-w64-mingw32-gcc -O1 -o "$exe" "$src" -lole32 -lwinmm || { tk_log "cannot build $exe"; return 1; }
  fi
  local seen want missing=()
  seen="$(wine "$exe" 2>/dev/null | tr -d '\r')"
  for want in "render	Speakers" "render	Kopfhörer" "capture	Microphone" "capture	Line In" \
              "mixer	Speakers" "mixer	Kopfhörer" "mixer	Microphone" "mixer	Line In"; do
    grep -qxF "$want" <<<"$seen" || missing+=("${want/	/ \"}\"")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    tk_log "Wine does not see these sound devices: ${missing[*]}"
    tk_log "(PulseAudio at ${XDG_RUNTIME_DIR:-?}; Wine sees: $(tr '\n' ';' <<<"$seen"))"
    return 1
  fi
}

tk_env_up() {
  tk_display_up && tk_pulse_up && tk_prefix_up && tk_devices_check
}

# Leave what tk_env_up started running for later shells (a developer's session);
# tk_env_down in this shell then stops nothing. Stop it later with tk_env_stop_kept.
tk_env_keep() {
  [ -n "${TK_XVFB_PID:-}" ] && { echo "$DISPLAY" >"$TK_STATE/display"; echo "$TK_XVFB_PID" >"$TK_STATE/xvfb.pid"; }
  [ -n "${TK_PULSE_PID:-}" ] && echo "$TK_PULSE_PID" >"$TK_STATE/pulse.pid"
  unset TK_XVFB_PID TK_PULSE_PID
}

tk_env_stop_kept() {
  local f
  for f in pulse.pid xvfb.pid; do
    [ -f "$TK_STATE/$f" ] && kill "$(cat "$TK_STATE/$f")" 2>/dev/null
    rm -f "$TK_STATE/$f"
  done
  rm -f "$TK_STATE/display"
}

tk_env_down() {
  if [ -n "${TK_PULSE_PID:-}" ]; then kill "$TK_PULSE_PID" 2>/dev/null; wait "$TK_PULSE_PID" 2>/dev/null; unset TK_PULSE_PID; fi
  if [ -n "${TK_XVFB_PID:-}" ]; then kill "$TK_XVFB_PID" 2>/dev/null; wait "$TK_XVFB_PID" 2>/dev/null; unset TK_XVFB_PID; fi
}
