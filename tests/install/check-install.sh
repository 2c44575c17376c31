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
check "converter" "[ -x '$prefix/bin/stilora-convert' ]"
for style in Regular Bold Italic BoldItalic; do
    check "font $style" "[ -s '$prefix/share/fonts/truetype/stilora/Greek-$style.ttf' ]"
done
check "font licence" "grep -q 'SIL Open Font License' '$prefix/share/fonts/truetype/stilora/OFL.txt'"
desktop="$prefix/share/applications/stilora.desktop"
check "desktop file" "[ -s '$desktop' ]"
check "desktop German name" "grep -q '^Name\[de\]=Stilora' '$desktop'"
check "desktop German comment" "grep -q '^Comment\[de\]=Altgriechische' '$desktop'"
check "desktop command" "grep -q '^Exec=stilora' '$desktop'"
check "application icon" "grep -q '<svg' '$prefix/share/icons/hicolor/scalable/apps/stilora.svg'"
check "metainfo" "grep -q '<launchable type=\"desktop-id\">stilora.desktop</launchable>' '$prefix/share/metainfo/org.stilora.stilora.metainfo.xml'"
metainfo="$prefix/share/metainfo/org.stilora.stilora.metainfo.xml"
check "desktop file valid" "desktop-file-validate '$desktop'"
check "one main category" "[ \"\$(grep '^Categories=' '$desktop' | tr ';' '\\n' | grep -c -x -E 'Categories=(AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility)|AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility')\" = 1 ]"
check "metainfo valid (pedantic)" "appstreamcli validate --pedantic --no-net '$metainfo' >/dev/null"
check "metainfo id lower case" "grep -q '<id>org.stilora.stilora</id>' '$metainfo'"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
