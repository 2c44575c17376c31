#pragma once

#include "paircodec.h"
#include "styledtext.h"

#include <QString>
#include <QStringList>

// Document files as the editor's Open and Save and the converter both read
// and write them: RTF, and the pair of versions 1.0 and 1.01, whose text
// file may also be a plain text file of another program. Every error is an
// IoError that names the file; a replacement interrupted by a kill is
// finished or undone before a file is read or written.
namespace docfiles {

// What a document file holds.
enum class Storage {
    Rtf,
    Pair,        // 8-bit text, with or without its attribute file
    UnicodeText, // a UTF-8 text file of another program: not the pair's text file
};

struct Opened {
    styled::Document document;
    Storage storage = Storage::Rtf;
    QString notice;   // German: what could be read of a damaged attribute file
    int unmapped = 0; // Unicode text: Greek characters without a code, kept as they are
};

// An RTF file; a file that is no RTF is read as plain 8-bit text. A refused
// file says why and at which byte.
Opened openRtf(const QString& path);

// The pair on `base`: the text file base + "txt" and, when there is one,
// the attribute file base + "sri". An empty text file is an empty document.
// A text file without attribute file that is valid UTF-8 with at least one
// multi-byte sequence is Unicode text: its Greek becomes codes of the font
// "Greek", its other text is set in Arial.
Opened openPair(const QString& base, const pair::Progress& progress = {});

void saveRtf(const styled::Document& document, const QString& path);
// Both files of the pair, as one unit. An empty document empties both.
void savePair(const styled::Document& document, const QString& base, const pair::Progress& progress = {});

// What the pair cannot hold, one German sentence each.
QStringList lossDescriptions(const pair::Losses& losses);

} // namespace docfiles
