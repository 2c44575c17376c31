#pragma once

#include "styledtext.h"

#include <QString>
#include <QStringList>

// The search of the editor over files: `stilora-convert --find`.
namespace convert {

struct Hit {
    int paragraph = 0; // counted from 1
    int position = 0;  // in the paragraph, counted from 1, in characters of the 8-bit text
    QString word;      // the word the match stands in, as Unicode
    friend bool operator==(const Hit&, const Hit&) = default;
};

// The search text as the document holds it: Unicode Greek as the codes of
// the font "Greek"; Beta Code (`betaCode`) decoded; Latin letters and marks
// otherwise as typing them in "Greek" gives.
QString searchCodes(const QString& text, bool betaCode = false);

// Text that can only be meant as Beta Code: ASCII with one of its marks
// right after a letter (LO/GOS) or an asterisk before a letter or mark
// (*)/ANDRA). Typed text has its marks before the letter.
bool looksLikeBetaCode(const QString& text);

// Every match of `codes` (textsearch options), one after another without overlapping.
QList<Hit> findAll(const styled::Document& document, const QString& codes, int options);

} // namespace convert
