#!/bin/sh
# Runs one command on an X server of its own whose screen is split into two RandR monitors, as a
# PC with a projector beside its own screen shows them to Qt: LEFT, 1920 x 1080, holding the
# server's one output, and RIGHT, 1280 x 720, to its right. A test takes RIGHT away with
# "xrandr --delmonitor RIGHT" and brings it back with the --setmonitor line below.
# -noreset matters: without it the server forgets the monitors when xrandr disconnects.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-monitors.XXXXXX") || exit 1
Xvfb -displayfd 3 -screen 0 3200x1080x24 -nolisten tcp -noreset 3>"$dir/display" \
    2>"$dir/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT INT TERM
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.05; done
if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$(cat "$dir/display")"
export DISPLAY
xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen >/dev/null || exit 1
xrandr --setmonitor RIGHT 1280/338x720/190+1920+0 none || exit 1
"$@"
