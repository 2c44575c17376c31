#pragma once

#include "styledtext.h"

#include <QString>
#include <QStringList>

// Converts between the file formats with the codecs the editor's Open and
// Save use: RTF (".rtf") and the pair of versions 1.0 and 1.01 (read from
// ".txt" or ".sri", written to ".sri": the pair on the name without its last
// three characters); a ".txt" output is UTF-8 text.
namespace convert {

enum class Format { Rtf, Pair, Odt, Html, Pdf, UnicodeText, Unknown };
// What a file named so is read as, and written as.
Format inputFormatOf(const QString& path);
Format outputFormatOf(const QString& path);

// A character the target could not hold.
struct Lost {
    QString file;
    int position = 0; // counted from 1 in the text, a paragraph break one
    QChar character;
};

struct Outcome {
    int converted = 0;
    QList<Lost> lost;
    int exitCode = 0;     // 0 done, 1 the conversion failed, 2 wrong use
    QStringList errors;   // German, for standard error
    QStringList warnings; // German, for standard error; the output was written
    QStringList summary;  // German, for standard error: what a batch did
};

// Reads `in`; throws IoError naming the file.
styled::Document readDocument(const QString& in, QStringList* warnings);
// Writes `out` whole or not at all in `format` (Unknown: by its name); throws IoError naming the file.
void writeDocument(const styled::Document& document, const QString& out, QStringList* warnings,
                   Format format = Format::Unknown, QList<Lost>* lost = nullptr);

Outcome run(const QStringList& arguments);
QString usage();

} // namespace convert
