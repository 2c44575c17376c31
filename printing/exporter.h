#pragma once

#include "styledtext.h"

#include <QString>

// Exports a document with its Greek as real Unicode: OpenDocument text,
// UTF-8 text, HTML and PDF (from the report engine). Text of the font
// "Greek" is set in "Gentium Plus", the family that font is made from, so
// that it looks the same on any machine. The file is written whole or not at
// all; errors are thrown as IoError naming the file.
namespace exporter {

enum class Format { Odt, Text, Html, Pdf };

// The export dialog's entries, in the order of Format, and its default.
extern const QString kFilter;
extern const QString kDefaultExtension;
Format formatOfEntry(int filterIndex); // counted from 1
QString extensionOf(Format format);

void exportFile(const styled::Document& document, const QString& path, Format format, int printWidth = 706);

} // namespace exporter
