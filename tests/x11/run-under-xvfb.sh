#!/bin/sh
# Runs a test program in a real X server with a German keyboard layout.
# -noreset: without it the server resets, layout and all, when setxkbmap disconnects.
set -e
for tool in xvfb-run setxkbmap xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb x11-xkb-utils xdotool xauth)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" sh -c 'setxkbmap de && exec "$0" "$@"' "$@"
