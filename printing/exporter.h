#pragma once

#include "styledtext.h"

#include <QString>

// Exports a document with its Greek as real Unicode: OpenDocument text,
// UTF-8 text, HTML and PDF (from the report engine). Text of the font
// "Greek" is set in "Gentium Plus", the family that font is made from, so
// that it looks the same on any machine. The file is written whole or not at
// all; errors are thrown as IoError.
namespace exporter {

enum class Format { Odt, Text, Html, Pdf, Unknown };

inline constexpr const char* kGreekFamily = "Gentium Plus";

Format formatOf(const QString& path); // by its extension
// The document with Greek runs as Unicode in "Gentium Plus".
styled::Document unicodeDocument(const styled::Document& document);
void exportFile(const styled::Document& document, const QString& path, Format format, int printWidth = 706);

} // namespace exporter
