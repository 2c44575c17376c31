#!/bin/sh
# Runs a test program in a real X server with a German keyboard layout and a
# window manager (openbox), as on any desktop: it decorates the windows,
# draws their captions, and gives and takes the focus.
# -noreset: without it the server resets, layout and all, when setxkbmap disconnects.
set -e
for tool in xvfb-run setxkbmap xdotool openbox xprop; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb x11-xkb-utils xdotool xauth openbox x11-utils)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" sh -c '
    setxkbmap de
    openbox >/dev/null 2>&1 &
    wm=$!
    # The window manager is there once it names itself on the root window.
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    "$0" "$@"
    rc=$?
    kill $wm 2>/dev/null
    exit $rc' "$@"
