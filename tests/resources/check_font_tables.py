#!/usr/bin/python3
"""The character tables of the built "Greek" fonts, as other programs read them.

LibreOffice takes a font with a symbol table (3,0) for a symbol font and
reads only that table: a character as it is, and one below U+0100 also at
U+F000 + its value. Every code of the layout must be found that way by the
character our RTF writes for it (its Windows-1252 character, or its Greek
letter), or LibreOffice draws an empty box. Qt reads the Unicode table (3,1)
as well: there every code's Windows-1252 character must have its glyph.

usage: check_font_tables.py LAYOUT.tsv FONT.ttf...
"""

import os
import sys

from fontTools.ttLib import TTFont

# The layout and the 8-bit codes' characters as the font build reads them.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "fonts"))
from build_greek_font import HOLES, model_char, read_layout  # noqa: E402


def main():
    codes = read_layout(sys.argv[1])
    failures = 0
    for path in sys.argv[2:]:
        tables = {(t.platformID, t.platEncID): t.cmap for t in TTFont(path)["cmap"].tables}
        symbol, unicode = tables.get((3, 0)), tables.get((3, 1))
        if symbol is None or unicode is None:
            print("FAIL: %s lacks the symbol or the Unicode table" % path)
            failures += 1
            continue
        for code, (shown, source) in sorted(codes.items()):
            if code < 32 or code == 127 or code in HOLES:
                continue
            own = model_char(code)
            # What our RTF writes for the code: its Greek letter, or its own character.
            written = shown if source == "greek" else own
            found = ord(written) in symbol or (ord(written) < 0x100 and 0xF000 + ord(written) in symbol)
            if not found:
                print("FAIL: %s: code %d (%s) has no glyph in the symbol table" % (path, code, written))
                failures += 1
            if ord(own) not in unicode:
                print("FAIL: %s: code %d (U+%04X) has no glyph in the Unicode table" % (path, code, ord(own)))
                failures += 1
    print("%d failures" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
