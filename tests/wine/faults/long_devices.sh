#!/usr/bin/env bash
# Runs a Wine test with two extra PulseAudio devices whose descriptions are 300
# characters long (a null sink and a null source), and unloads exactly those two
# modules afterwards.
#   long_devices.sh <wine> <test.exe> [arguments...]
set -u
name=$(printf 'Long%.0s' $(seq 75))  # 300 characters
sink=$(pactl load-module module-null-sink sink_name=tk_fault_long_sink \
  "sink_properties=device.description=$name") || { echo "pactl: cannot load a sink" >&2; exit 1; }
source=$(pactl load-module module-null-source source_name=tk_fault_long_source \
  "description=$name") || { pactl unload-module "$sink"; echo "pactl: cannot load a source" >&2; exit 1; }
trap 'pactl unload-module "$source"; pactl unload-module "$sink"' EXIT
"$@"
