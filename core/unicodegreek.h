#pragma once

#include "styledtext.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// Between the codes of the font "Greek" and real Unicode Greek, both ways.
// The document keeps 8-bit codes that mean Greek only in that font; mail,
// the web and today's word processors know Greek as Unicode.
namespace unicodegreek {

// Codes of text set in the font "Greek" (as the code table's characters) to
// Unicode: each Greek code of the layout becomes its character; a spacing
// breathing or accent before a capital (the codes the capital rule writes)
// joins that capital (῞ Α gives Ἅ; the capital and combining marks where
// Unicode has no precomposed letter); every other code is its Windows-1252
// character. The result is NFC.
QString exportGreek(QStringView codes);

struct Imported {
    QString codes;         // the text with Greek as codes of the font "Greek"
    int unmapped = 0;      // Greek characters the layout cannot express, kept as they are
    int firstUnmapped = -1; // index in the input
    int approximated = 0;  // characters without a code of their own, given the code that looks like them
    int firstApproximated = -1;
};

// The code a Greek character without one of its own is given because it
// looks like that code's glyph (the koronis as the smooth breathing mark),
// or nothing.
std::optional<unsigned char> approximationOf(QChar ch);

// Unicode to codes: polytonic and monotonic Greek, precomposed or combining,
// NFC or NFD (tonos read as oxia), becomes the codes of the font "Greek"; a
// capital with breathing and accent becomes the mark's code followed by the
// capital. Characters that are not Greek pass unchanged; Greek the layout
// cannot express (Coptic, diaeresis with accent, ...) passes unchanged and
// is counted.
Imported importGreek(QStringView unicode);

// A character of the Greek and Coptic or the Greek Extended block.
bool isGreek(QChar ch);

// Two codes that make one letter: a spacing breathing (alone or with an
// accent) the capital rule writes before a capital, and that capital.
bool isCapitalWithMarks(QChar mark, QChar capital);

// Greek Unicode in any run becomes codes in the font "Greek" (same size and
// style); all other text stays as it is.
struct ImportedDocument {
    styled::Document document;
    int unmapped = 0;
    int approximated = 0;
    int firstApproximated = -1; // position in the document, counted from 1, a paragraph break one
    QChar firstApproximatedCharacter;
};
// Taken by value: a document handed over whole is converted in its own
// memory, paragraph by paragraph, not held twice.
ImportedDocument importDocument(styled::Document document);

// Text for a reader that knows only Unicode (a screen reader), with the way
// back to the positions of the codes: each code in "Greek" becomes its
// character, a capital with the marks before it one letter, a paragraph
// separator a line break, every other character stays.
struct Readable {
    QString text;
    // Where position i begins in `text` (size: positions + 1, the last
    // text.size()); both codes of a capital with marks begin at the same place.
    std::vector<int> offsets;

    int positions() const { return int(offsets.size()) - 1; }
    // The first position whose characters hold `offset` (positions() at the end).
    int positionOf(int offset) const;
    // One past the last position whose characters begin at `offset`'s piece.
    int endOfPiece(int position) const;
    // Positions [from, to) replaced by `piece` (the readable form of the new
    // codes there): the text and the map after them move, nothing is made anew.
    void replace(int from, int to, const Readable& piece);
};
// `greek[i]` is nonzero where position i is set in "Greek".
Readable readable(QStringView codes, const std::vector<unsigned char>& greek);

// The document's text as Unicode: runs in "Greek" exported, the rest as it is.
QString exportPlainText(const styled::Document& document);

} // namespace unicodegreek
