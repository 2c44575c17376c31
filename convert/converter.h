#pragma once

#include "styledtext.h"

#include <QString>
#include <QStringList>

// Converts between the file formats with the codecs the editor's Open and
// Save use: RTF (".rtf") and the pair of versions 1.0 and 1.01 (".txt" or
// ".sri": the pair on the name without its last three characters).
namespace convert {

enum class Format { Rtf, Pair, Unknown };
Format formatOf(const QString& path);

struct Outcome {
    int exitCode = 0;     // 0 done, 1 the conversion failed, 2 wrong use
    QStringList errors;   // German, for standard error
    QStringList warnings; // German, for standard error; the output was written
};

// Reads `in`; throws IoError with the German message.
styled::Document readDocument(const QString& in, QStringList* warnings);
// Writes `out` whole or not at all; throws IoError.
void writeDocument(const styled::Document& document, const QString& out, QStringList* warnings);

Outcome run(const QStringList& arguments);
QString usage();

} // namespace convert
