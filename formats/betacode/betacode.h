#pragma once

#include <QString>

// Beta Code, the encoding of the Greek corpora (TLG, Perseus), to and from
// the codes of the font "Greek", through the Unicode forms the layout's
// table gives each code: letters in either case, `*` before a capital with
// its marks between, marks after a small letter, sigma by position (S1, S2,
// S3, J), the punctuation `:` `;` `'` `-` `_`. What has no code in the
// layout is counted, never dropped silently.
namespace betacode {

struct Decoded {
    QString codes;     // the font's codes (Greek), Latin text as it was
    int unmapped = 0;  // signs of Beta Code the layout cannot show (macron, digamma, ...)
};

// Beta Code text (Greek from the start; `$` and `&` switch between Greek
// and Latin text as in TLG files; Latin text is copied as it is).
Decoded decode(const QString& beta);

// The font's codes as Beta Code (upper case, the TLG's form): decode()
// gives the same codes back.
QString encode(const QString& codes);

} // namespace betacode
