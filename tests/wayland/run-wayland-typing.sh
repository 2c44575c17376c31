#!/usr/bin/env bash
# Types through a headless Wayland compositor (sway) into the program running as a native Wayland client
# and compares the codes with what the dead-key layer gives on X11.
#   run-wayland-typing.sh BUILD_DIR [KEEP_DIR]
#
# Installs sway, wtype, wl-clipboard, grim and qt6-wayland from Debian where missing, starts a
# headless sway (its own XDG_RUNTIME_DIR, German layout in its config), runs BUILD_DIR/app/stilora
# with QT_QPA_PLATFORM=wayland, types five sequences with wtype (virtual-keyboard protocol), reads
# the editor's text back (Ctrl+A, Ctrl+C in the program, then wl-paste) and compares the 8-bit codes
# with what the same build gives on X11 (Xvfb + setxkbmap de + xdotool, one sequence a line):
#   dead_acute h -> 187   dead_acute a -> 163   less dead_circumflex w -> 239
#   dead_acute space -> 180                      a b c -> 97 98 99
# (The engine turns < before ^w, code 238, into 239; the layer consumes the space after a dead key.)
# The last line is "wayland: N/M sequences right"; exit 0 only when all are right.
# KEEP_DIR, when given, receives the screenshot (grim) and the logs; otherwise they are removed.
#
# Rig notes, found by experiment (Debian 12, sway 1.7, wtype 0.4, Qt 6.4.2):
# - sway refuses to run as root ("Unable to drop root"): as root it runs under uid/gid 65534.
# - With no physical keyboard the seat has keyboard capability only while a wtype runs; the client
#   binds wl_keyboard after the capability appears, so the first key press of every wtype is lost
#   (WAYLAND_DEBUG shows its release but not its press). Every wtype here starts with -s 400.
# - wtype uploads its own keymap; the dead keysyms survive it (Qt sees nativeVirtualKey 0xfe51 for
#   dead_acute when nothing filters it), so the sway layout setting does not matter for the keys.
set -u

START=$(date +%s)
BUILD=${1:-}
KEEP=${2:-}
if [ -z "$BUILD" ]; then
    echo "usage: $0 BUILD_DIR [KEEP_DIR]" >&2
    echo "wayland: 0/5 sequences right"
    exit 2
fi
EXE="$BUILD/app/stilora"
[ -x "$EXE" ] || EXE=$(find "$BUILD" -type f -name stilora -perm -u+x 2>/dev/null | head -1)
if [ -z "$EXE" ] || [ ! -x "$EXE" ]; then
    echo "no stilora executable under $BUILD" >&2
    echo "wayland: 0/5 sequences right"
    exit 2
fi
EXE=$(readlink -f "$EXE")

# --- what it needs ------------------------------------------------------------------------------
need=()
for pair in sway:sway wtype:wtype wl-paste:wl-clipboard grim:grim python3:python3-minimal; do
    command -v "${pair%%:*}" >/dev/null 2>&1 || need+=("${pair#*:}")
done
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 || need+=(qt6-wayland)
# The test command's installer (scripts/debian-packages.sh) brings them; this
# script installs nothing while it runs.
if [ ${#need[@]} -gt 0 ]; then
    echo "missing: ${need[*]} (scripts/debian-packages.sh installs them)" >&2
    echo "wayland: 0/5 sequences right"
    exit 2
fi
PY=$(command -v python3)

# --- scratch, cleanup ---------------------------------------------------------------------------
WORK=$(mktemp -d /tmp/wayland-check.XXXXXX)
chmod 755 "$WORK"
mkdir -p "$WORK/xdg" "$WORK/run" "$WORK/home"
PIDS=()
cleanup() {
    local p
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${PIDS[@]}"; do
        for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$p" 2>/dev/null || break; sleep 0.2; done
        kill -9 "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    if [ -n "$KEEP" ]; then
        mkdir -p "$KEEP" && cp "$WORK"/*.log "$WORK"/*.png "$KEEP"/ 2>/dev/null
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 3' INT TERM

fail() { # the rig could not run: nothing typed counts as right
    echo "$1" >&2
    for f in "$WORK"/sway.log "$WORK"/stilora.log; do [ -s "$f" ] && { echo "--- $f" >&2; tail -5 "$f" >&2; }; done
    echo "wayland: 0/5 sequences right"
    exit 1
}

# --- headless compositor ------------------------------------------------------------------------
cat > "$WORK/sway.conf" <<'EOF'
input * xkb_layout de
output HEADLESS-1 resolution 1024x768 position 0 0
default_border none
xwayland disable
focus_follows_mouse no
EOF
chmod 644 "$WORK/sway.conf"
chmod 700 "$WORK/xdg"
SWAY_ENV=(env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$WORK/xdg" HOME="$WORK/home"
          XDG_CONFIG_HOME="$WORK/home" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman)
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$WORK/xdg" "$WORK/home"
    "${SWAY_ENV[@]}" setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$WORK/sway.conf" \
        >"$WORK/sway.log" 2>&1 &
else
    "${SWAY_ENV[@]}" sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
fi
PIDS+=($!)
SOCK="" IPC=""
for _ in $(seq 50); do
    SOCK=$(cd "$WORK/xdg" && ls wayland-[0-9] 2>/dev/null | head -1)
    IPC=$(ls "$WORK"/xdg/sway-ipc.*.sock 2>/dev/null | head -1)
    [ -n "$SOCK" ] && [ -n "$IPC" ] && break
    sleep 0.2
done
[ -n "$SOCK" ] && [ -n "$IPC" ] || fail "sway did not start"
export XDG_RUNTIME_DIR="$WORK/xdg" WAYLAND_DISPLAY="$SOCK"
unset DISPLAY

# --- the program --------------------------------------------------------------------------------
"$PY" -c "import sys; sys.stdout.buffer.write(bytes([1, 1, 1]) + bytes(99))" > "$WORK/run/option.dat"
# A home and data folders of its own: no recovery copy or settings of another run (a copy that an
# earlier run's end left would be offered, and the typing would go into the question).
mkdir -p "$WORK/apphome/data" "$WORK/apphome/config"
(cd "$WORK/run" && exec env -u QT_IM_MODULE QT_QPA_PLATFORM=wayland LANG="${LANG:-C.UTF-8}" \
    HOME="$WORK/apphome" XDG_DATA_HOME="$WORK/apphome/data" XDG_CONFIG_HOME="$WORK/apphome/config" \
    QT_LOGGING_RULES="qt.qpa.wayland.debug=true;qt.xkb.compose.debug=true" "$EXE" >"$WORK/stilora.log" 2>&1) &
PIDS+=($!)
up=""
for _ in $(seq 75); do
    if timeout 2 swaymsg -s "$IPC" -t get_tree 2>/dev/null | grep -q '"name": "Stilora'; then up=1; break; fi
    kill -0 "${PIDS[1]}" 2>/dev/null || break
    sleep 0.2
done
[ -n "$up" ] || fail "no Stilora window appeared on $SOCK"
sleep 0.7

# --- type ---------------------------------------------------------------------------------------
LABELS=("´h" "´a" "<^w" "´ space" "abc")
EXPECT=("187" "163" "239" "180" "97 98 99")
wtype_() { timeout 10 wtype -s 400 "$@"; }
wtype_ -k dead_acute h -k Return \
       -k dead_acute a -k Return \
       '<' -k dead_circumflex w -k Return \
       -k dead_acute -k space -k Return \
       abc || fail "wtype failed"
sleep 0.3
timeout 10 grim "$WORK/screen.png" 2>/dev/null
timeout 5 wl-copy --clear 2>/dev/null
wtype_ -M ctrl -k a -k c -m ctrl || fail "wtype failed"
: > "$WORK/paste.txt"
for _ in $(seq 15); do
    sleep 0.2
    timeout 3 wl-paste -n -t 'text/plain;charset=utf-8' > "$WORK/paste.txt" 2>/dev/null && [ -s "$WORK/paste.txt" ] && break
done

# --- compare ------------------------------------------------------------------------------------
LAYOUT="$(cd "$(dirname "$0")/../../resources/fonts" && pwd)/greek-layout.tsv"
"$PY" - "$WORK/paste.txt" "$LAYOUT" "${#LABELS[@]}" "${LABELS[@]}" "${EXPECT[@]}" <<'EOF'
import sys
import unicodedata
path, layout, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
labels, expect = sys.argv[4:4 + n], sys.argv[4 + n:4 + 2 * n]
# The program copies Greek as real Unicode: the layout gives each Greek letter's code back.
greek = {}
for row in open(layout, encoding='utf-8'):
    f = row.rstrip('\n').split('\t')
    if row.startswith('#') or len(f) < 5 or f[4] != 'greek':
        continue
    ch = chr(int(f[1][2:], 16))
    greek[ch] = int(f[0])
    greek.setdefault(unicodedata.normalize('NFC', ch), int(f[0]))
text = open(path, 'rb').read().decode('utf-8', 'replace')

def code(ch):
    if ch in greek:
        return str(greek[ch])
    o = ord(ch)
    if o in (0x81, 0x8D, 0x8F, 0x90, 0x9D):
        return str(o)
    try:
        return str(ch.encode('cp1252')[0])
    except UnicodeEncodeError:
        return 'U+%04X' % o  # no 8-bit code: shown as Unicode

lines = text.split('\n') if text else []
right = 0
for i in range(n):
    got = ' '.join(code(c) for c in lines[i]) if i < len(lines) else '(missing)'
    ok = got == expect[i]
    right += ok
    print('%-8s want %-9s got %-14s %s' % (labels[i], expect[i], got, 'ok' if ok else 'WRONG'))
if len(lines) > n:
    print('extra text:', [' '.join(code(c) for c in l) for l in lines[n:]])
open(path + '.right', 'w').write(str(right))
EOF
RIGHT=$(cat "$WORK/paste.txt.right" 2>/dev/null || echo 0)
IM=$(grep -o 'using input method: .*' "$WORK/stilora.log" | head -1)
[ -n "$IM" ] && echo "qt: $IM"
if [ "$RIGHT" != "${#LABELS[@]}" ] && grep -q 'QComposeInputContext' "$WORK/stilora.log"; then
    echo "note: Qt's Wayland plugin ignored QT_IM_MODULE=none and installed its xkb compose filter, which"
    echo "      takes the dead keys before any Qt event (and so before the dead-key layer) sees them"
fi
[ -n "$KEEP" ] && echo "screenshot and logs: $KEEP"
echo "took $(( $(date +%s) - START )) s"
echo "wayland: $RIGHT/${#LABELS[@]} sequences right"
[ "$RIGHT" = "${#LABELS[@]}" ]
