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
// the font "Greek"; Latin letters and marks as typing them in "Greek" gives.
QString searchCodes(const QString& text);

// Every match of `codes` (textsearch options), one after another without overlapping.
QList<Hit> findAll(const styled::Document& document, const QString& codes, int options);

} // namespace convert
