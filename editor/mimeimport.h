#pragma once

#include "styledtext.h"

#include <QString>

#include <functional>

class QFont;
class QMimeData;
class QTextCharFormat;
class QTextDocument;

// Whatever is pasted or dropped is reduced to what the document can hold:
// paragraphs of characters with font, size, style and alignment.
namespace mimeimport {

// Converts a character format of a Qt document into the model's.
using FormatReader = std::function<styled::CharFormat(const QTextCharFormat&)>;

// A rich Qt document in the model's vocabulary: table cells become text
// separated by tabs, one paragraph per row; list items and the paragraphs of
// other frames become paragraphs; images and other objects are dropped; a
// line separator becomes a paragraph break.
styled::Document reduce(const QTextDocument& doc, const FormatReader& format);

// The rich content of pasted or dropped data (HTML), or nothing when it has
// only plain text. Unformatted parts take `base`.
bool hasRichText(const QMimeData* source);
styled::Document reduceRich(const QMimeData* source, const QFont& base, const FormatReader& format);

} // namespace mimeimport
