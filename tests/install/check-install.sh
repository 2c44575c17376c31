#!/bin/sh
# Installs the build into a temporary prefix and checks what arrived.
set -u
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }
passed=0; failed=0
check() {
    if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
check "program" "[ -x '$prefix/bin/stilora' ]"
# No run path, least of all one with an empty entry (the current folder,
# from which a planted library would be loaded), built or installed.
for program in "$build/app/stilora" "$build/convert/stilora-convert" "$prefix/bin/stilora" "$prefix/bin/stilora-convert"; do
    check "no run path in $program" "! readelf -d '$program' | grep -E -q '\((RPATH|RUNPATH)\)'"
done
check "converter" "[ -x '$prefix/bin/stilora-convert' ]"
for style in Regular Bold Italic BoldItalic; do
    check "font $style" "[ -s '$prefix/share/fonts/truetype/stilora/Greek-$style.ttf' ]"
done
check "font licence" "grep -q 'SIL Open Font License' '$prefix/share/fonts/truetype/stilora/OFL.txt'"
desktop="$prefix/share/applications/stilora.desktop"
check "desktop file" "[ -s '$desktop' ]"
check "desktop German name" "grep -q '^Name\[de\]=Stilora' '$desktop'"
check "desktop German comment" "grep -q '^Comment\[de\]=Altgriechische' '$desktop'"
check "desktop command takes a file" "grep -q '^Exec=stilora %f\$' '$desktop'"
check "desktop types" "grep -q '^MimeType=text/rtf;application/rtf;application/x-stilora-sri;application/vnd.oasis.opendocument.text;application/vnd.oasis.opendocument.text-flat-xml;application/vnd.openxmlformats-officedocument.wordprocessingml.document;\$' '$desktop'"
check "MIME package" "grep -q '<glob pattern=\"\*.sri\"/>' '$prefix/share/mime/packages/stilora.xml'"
check "application icon" "grep -q '<svg' '$prefix/share/icons/hicolor/scalable/apps/stilora.svg'"
check "metainfo" "grep -q '<launchable type=\"desktop-id\">stilora.desktop</launchable>' '$prefix/share/metainfo/org.stilora.stilora.metainfo.xml'"
metainfo="$prefix/share/metainfo/org.stilora.stilora.metainfo.xml"
check "desktop file valid" "desktop-file-validate '$desktop'"
check "one main category" "[ \"\$(grep '^Categories=' '$desktop' | tr ';' '\\n' | grep -c -x -E 'Categories=(AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility)|AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility')\" = 1 ]"
check "metainfo valid (pedantic)" "appstreamcli validate --pedantic --no-net '$metainfo' >/dev/null"
check "metainfo id lower case" "grep -q '<id>org.stilora.stilora</id>' '$metainfo'"

# The file manager's way: the MIME database and the desktop database of the
# prefix, a document of each type, and the program they are opened with (a
# stand-in named stilora on the PATH that notes the arguments gio gives it).
# The tools come with the test command's packages (shared-mime-info,
# libglib2.0-bin, desktop-file-utils): without them the check fails, it does not pass unasked.
for tool in update-mime-database update-desktop-database gio; do
    check "$tool is there" "command -v $tool >/dev/null"
done
if command -v update-mime-database >/dev/null && command -v update-desktop-database >/dev/null && command -v gio >/dev/null; then
    home=$(mktemp -d)
    update-mime-database "$prefix/share/mime" >/dev/null 2>&1
    update-desktop-database "$prefix/share/applications" >/dev/null 2>&1
    mkdir -p "$home/bin" "$home/docs"
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s/args"\n' "$home" > "$home/bin/stilora"
    chmod +x "$home/bin/stilora"
    printf '{\\rtf1 x}' > "$home/docs/Ilias Buch 1.rtf"
    printf 'x' > "$home/docs/alt.sri"
    run() { env XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
        PATH="$home/bin:$PATH" "$@"; }
    check "sri has its type" "run gio info -a standard::content-type '$home/docs/alt.sri' | grep -q 'application/x-stilora-sri'"
    check "sri opens with stilora" "run gio mime application/x-stilora-sri | grep -q 'stilora.desktop'"
    check "rtf opens with stilora" "run gio mime text/rtf | grep -q 'stilora.desktop'"
    check "odt opens with stilora" "run gio mime application/vnd.oasis.opendocument.text | grep -q 'stilora.desktop'"
    for doc in "Ilias Buch 1.rtf" alt.sri; do
        run gio open "$home/docs/$doc" >/dev/null 2>&1
        for _ in 1 2 3 4 5 6 7 8 9 10; do grep -qxF "$home/docs/$doc" "$home/args" 2>/dev/null && break; sleep 0.3; done
        check "gio open $doc gives its path" "grep -qxF '$home/docs/$doc' '$home/args'"
    done
    rm -rf "$home"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
