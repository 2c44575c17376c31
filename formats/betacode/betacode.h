#pragma once

#include "importnotes.h"
#include "styledtext.h"

#include <QString>

// Beta Code, the encoding of the Greek corpora (TLG, Perseus), to and from
// the codes of the font "Greek", through the Unicode forms the layout's
// table gives each code: letters in either case, `*` before a capital with
// its marks between, marks after a small letter, sigma by position (S1, S2,
// S3, J), the punctuation `:` `;` `'` `-` `_`, the TLG's bracket and sign
// codes (`[1` a parenthesis, `%` the crux, `%1` a question mark ...). `$`
// and `&` switch between Greek and Latin text. What has no code in the
// layout is counted, never dropped silently.
namespace betacode {

struct Decoded {
    QString codes;   // Greek as the font's codes, Latin text as it was
    int dropped = 0; // signs the layout has nothing for (macron %26, breve %27, markup {1 ...): left out
    int uncoded = 0; // Greek letters without a code of the layout (digamma V, koppa #1): kept as Unicode
    int unmapped() const { return dropped + uncoded; }
};

// Beta Code text, Greek from the start; Latin text (after `&`) is copied as
// it is. Paragraph breaks ('\n') stay.
Decoded decode(const QString& beta);

// The same as a document: the Greek in `greek` (whose font is "Greek"), the
// Latin text in `latin`, every paragraph in `alignment`; any kind of line
// end begins a paragraph.
struct DecodedDocument {
    styled::Document document;
    int dropped = 0;
    int uncoded = 0;
    // What a reader tells about it after an open or a paste.
    ImportNotes notes() const;
};
DecodedDocument toDocument(const QString& beta, const styled::CharFormat& greek, const styled::CharFormat& latin,
                           int alignment = styled::AlignLeft);

// The codes of one run in "Greek" as Beta Code (upper case, the TLG's form),
// followed by nothing: decode() gives the same codes back. A code that Beta
// Code reads as a sign of its own (a parenthesis, an asterisk) is written as
// the TLG writes it ([1, %2), or as Latin text (&\$) where it has no form.
QString encode(const QString& codes);

// A document as Beta Code: its Greek (runs in "Greek", and Greek Unicode in
// any font) as Beta Code, paragraphs on lines of their own; its other text
// between `&` and `$` (`Switched`, which reads back as it was) or as it is
// (`AsItIs`, for the clipboard). `unwritable` counts the characters Beta
// Code has no form for (a `$` in Latin text), which are left out.
enum class LatinText { Switched, AsItIs };
struct Encoded {
    QString text;
    int unwritable = 0;
};
Encoded fromDocument(const styled::Document& document, LatinText latin = LatinText::Switched);

} // namespace betacode
