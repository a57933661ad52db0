#!/usr/bin/env bash
# Runs a Wine test that asks for a PulseAudio device to come and go while it runs.
# The test writes "<n>.load" or "<n>.unload" into the folder named by
# TK_FAULT_REQUESTS; this script then loads (or unloads) one null sink "tk_fault_usb"
# (description "USB-Headset") on the harness's sound server and answers with
# "<n>.done". Only that module is ever unloaded; it is unloaded on exit too.
#   device_requests.sh <wine> <test.exe> [arguments...]
set -u
export TK_FAULT_REQUESTS
TK_FAULT_REQUESTS=$(mktemp -d)
module=""

serve() {
  while :; do
    for f in "$TK_FAULT_REQUESTS"/*.load "$TK_FAULT_REQUESTS"/*.unload; do
      [ -e "$f" ] || continue
      case "$f" in
        *.load) [ -z "$module" ] && module=$(pactl load-module module-null-sink \
                  sink_name=tk_fault_usb sink_properties=device.description=USB-Headset) ;;
        *.unload) [ -n "$module" ] && pactl unload-module "$module"; module="" ;;
      esac
      sleep 1  # let the sound server's clients see the change
      touch "${f%.*}.done"; rm -f "$f"
    done
    sleep 0.1
  done
}
serve &
server=$!
"$@"
rc=$?
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null
# The server ran in a subshell: unload by name whatever is left of the module.
for id in $(pactl list short modules | awk '/sink_name=tk_fault_usb/ {print $1}'); do
  pactl unload-module "$id"
done
rm -rf "$TK_FAULT_REQUESTS"
exit $rc
