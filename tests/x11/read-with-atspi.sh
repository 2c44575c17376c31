#!/bin/sh
# Reads the program through AT-SPI, the road a screen reader takes: a
# session bus, the accessibility bus it starts, the program opened on a file
# of Greek codes in a real X server, and pyatspi asking for its text.
set -eu
program="$1"
here=$(cd "$(dirname "$0")" && pwd)
need=""
for p in at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus dbus-x11; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need="$need $p"
done
if [ -n "$need" ]; then
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/../../option.dat" "$work/"
# "ἄνδρα μοι" in the codes of the font "Greek", as an old text file of the pair.
printf '\245ndra moi' > "$work/ilias.txt"
cd "$work"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" dbus-run-session -- sh -c '
    "$0" ilias.txt > program.log 2>&1 &
    pid=$!
    /usr/bin/python3 "$1" "$2"
    rc=$?
    kill $pid 2>/dev/null || true
    [ $rc -eq 0 ] || cat program.log
    exit $rc' "$program" "$here/read_with_atspi.py" "$(printf '\341\274\204\316\275\316\264\317\201\316\261 \316\274\316\277\316\271')"
