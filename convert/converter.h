#pragma once

#include "documentfiles.h"
#include "importnotes.h"
#include "styledtext.h"

#include <QString>
#include <QStringList>

// Converts between the file formats with the module Open and Save use
// (documentfiles.h, its table of formats); PDF through the report engine's
// pages, without widgets.
namespace convert {

using Format = DocumentKind::Format;

// A character the target could not hold.
struct Lost {
    QString file;
    int position = 0; // counted from 1 as in the pair's text file: a line end is two
    QChar character;
};

struct Outcome {
    int converted = 0;
    QList<Lost> lost;
    int exitCode = 0;     // 0 done, 1 the conversion failed, 2 wrong use
    QStringList errors;   // German, for standard error
    QStringList warnings; // German, for standard error; the output was written
    QStringList summary;  // German, for standard error: what a batch did
    QStringList output;   // for standard output: the hits of --find
    bool help = false;    // --help: the usage goes to standard output
};

// Reads `in` by its name's format, or in `from`; throws IoError naming the
// file. What another program's document lost on the way in is added to
// `notes` when given.
styled::Document readDocument(const QString& in, QStringList* warnings, ImportNotes* notes = nullptr, Format from = Format::Unknown);
// Writes `out` whole or not at all in `format` (Unknown: by its name); throws IoError naming the file.
void writeDocument(const styled::Document& document, const QString& out, QStringList* warnings,
                   Format format = Format::Unknown, QList<Lost>* lost = nullptr);

Outcome run(const QStringList& arguments);
QString usage();

} // namespace convert
