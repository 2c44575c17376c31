#!/usr/bin/python3
"""Builds one style of the 8-bit screen font "Greek" from a Gentium Plus file.

The program keeps its text as 8-bit codes; inside Qt, code b is the character
that Windows-1252 gives b (the five holes 129, 141, 143, 144, 157 are the C1
controls of the same number).  This script gives each code of the layout table
the glyph of the character the layout names, reached through that Windows-1252
character, so that text typed into the editor shows as Greek.

usage: build_greek_font.py LAYOUT.tsv SOURCE.ttf STYLE OUTPUT.ttf
"""

import sys
import unicodedata

from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables._c_m_a_p import cmap_format_4
from fontTools import subset

FAMILY = "Greek"
STYLES = {
    "Regular": (400, False, False),
    "Bold": (700, True, False),
    "Italic": (400, False, True),
    "BoldItalic": (700, True, True),
}
STYLE_NAMES = {"Regular": "Regular", "Bold": "Bold", "Italic": "Italic", "BoldItalic": "Bold Italic"}
HOLES = {129, 141, 143, 144, 157}


def model_char(code):
    """The character Qt holds for an 8-bit code."""
    if code in HOLES or code < 128 or code >= 160:
        return chr(code)
    return bytes([code]).decode("cp1252")


def read_layout(path):
    layout = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            code = int(fields[0])
            shown = chr(int(fields[1][2:], 16))
            layout[code] = (shown, fields[4])
    return layout


def source_glyph(cmap, ch):
    for candidate in (ch, unicodedata.normalize("NFC", ch), unicodedata.normalize("NFD", ch)):
        if len(candidate) == 1 and ord(candidate) in cmap:
            return cmap[ord(candidate)]
    return None


def build(layout_path, source_path, style, out_path):
    weight, bold, italic = STYLES[style]
    layout = read_layout(layout_path)
    font = TTFont(source_path)
    src_cmap = font.getBestCmap()

    mapping = {}
    missing = []
    for code, (shown, _source) in sorted(layout.items()):
        glyph = source_glyph(src_cmap, shown)
        if glyph is None:
            missing.append(code)
            continue
        mapping[ord(model_char(code))] = glyph
    if missing:
        sys.exit("no source glyph for codes %s" % missing)

    # The Unicode character of each Greek code shows the same glyph, so that
    # Unicode Greek set in "Greek" (a word processor's copy, a paste) looks
    # the same. The 8-bit codes' own characters keep their place where the
    # two meet (U+00B7, the ano teleia's NFC form, is code 183).
    unicode_greek = {}
    for code, (shown, source) in sorted(layout.items()):
        if source != "greek":
            continue
        for ch in (shown, unicodedata.normalize("NFC", shown)):
            if len(ch) == 1 and ord(ch) not in mapping:
                unicode_greek[ord(ch)] = mapping[ord(model_char(code))]

    # Every other Greek letter and combining mark of the source as itself, so
    # that Unicode Greek set in "Greek" (our printed pages, LibreOffice with our
    # RTF) shows a capital with breathing and accent in the same design too.
    for cp, glyph in src_cmap.items():
        if (0x0300 <= cp <= 0x03FF or 0x1F00 <= cp <= 0x1FFF) and cp not in mapping and cp not in unicode_greek:
            unicode_greek[cp] = glyph

    # Keep only the glyphs the layout needs; the source's shaping tables refer to
    # Unicode meanings the remapped codes no longer have, so they go.
    opts = subset.Options()
    opts.layout_features = []
    opts.drop_tables += ["GSUB", "GPOS", "GDEF", "kern", "BASE", "JSTF", "MATH", "DSIG", "Feat", "Glat", "Gloc", "Silf", "Sill", "Silt"]
    opts.name_IDs = ["*"]
    opts.name_languages = ["*"]
    opts.notdef_outline = True
    opts.recalc_bounds = True
    sub = subset.Subsetter(options=opts)
    sub.populate(glyphs=sorted(set(mapping.values()) | set(unicode_greek.values())))
    sub.subset(font)

    cmap = newTable("cmap")
    cmap.tableVersion = 0
    tables = []
    for platform, encoding in ((0, 3), (3, 1)):
        t = cmap_format_4(4)
        t.platformID, t.platEncID, t.language = platform, encoding, 0
        t.cmap = {**unicode_greek, **mapping}
        tables.append(t)
    # A symbol subtable as well: Qt then treats "Greek" as the 8-bit font it is
    # and keeps code 173 (Qt's soft hyphen) visible instead of hiding it. Other
    # programs (LibreOffice) read only this subtable of a font that has one:
    # it holds the Unicode Greek too, or they find no Greek letter in "Greek".
    # LibreOffice looks a character up in it as it is, and only a character
    # below U+0100 at U+F000 + its value as well: the Windows-1252 characters
    # of the codes 128-159 that are no Greek (€ ‚ — and the others) go in as
    # themselves, or it draws them as empty boxes.
    symbol = cmap_format_4(4)
    symbol.platformID, symbol.platEncID, symbol.language = 3, 0, 0
    symbol.cmap = {0xF000 + code: mapping[ord(model_char(code))] for code in layout}
    symbol.cmap.update({cp: glyph for cp, glyph in unicode_greek.items() if cp >= 0x0300})
    symbol.cmap.update({cp: glyph for cp, glyph in mapping.items() if cp >= 0x0100 and cp not in symbol.cmap})
    tables.append(symbol)
    cmap.tables = tables
    font["cmap"] = cmap

    name = font["name"]
    copyright_text = name.getDebugName(0) or ""
    license_text = name.getDebugName(13) or "This Font Software is licensed under the SIL Open Font License, Version 1.1."
    license_url = name.getDebugName(14) or "https://openfontlicense.org"
    version = name.getDebugName(5) or "Version 1.0"
    style_name = STYLE_NAMES[style]
    ps_name = FAMILY + "-" + style
    name.names = []
    entries = {
        0: copyright_text + " Modified for Stilora: 8-bit Greek layout, renamed \"Greek\".",
        1: FAMILY,
        2: style_name,
        3: "Stilora:" + ps_name,
        4: FAMILY + ("" if style == "Regular" else " " + style_name),
        5: version,
        6: ps_name,
        13: license_text,
        14: license_url,
    }
    for name_id, text in entries.items():
        name.setName(text, name_id, 3, 1, 0x409)
        name.setName(text, name_id, 1, 0, 0)

    os2 = font["OS/2"]
    os2.usWeightClass = weight
    sel = os2.fsSelection & ~(0x01 | 0x20 | 0x40)
    if italic:
        sel |= 0x01
    if bold:
        sel |= 0x20
    if not bold and not italic:
        sel |= 0x40
    os2.fsSelection = sel
    os2.achVendID = "STIL"
    os2.ulCodePageRange1 = 1  # Latin 1
    os2.ulCodePageRange2 = 0
    os2.recalcUnicodeRanges(font)
    font["head"].macStyle = (1 if bold else 0) | (2 if italic else 0)
    os2.usFirstCharIndex = min(mapping)
    os2.usLastCharIndex = max(mapping)

    font.save(out_path)


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[3] not in STYLES:
        sys.exit(__doc__)
    build(*sys.argv[1:])
