#pragma once

#include "importnotes.h"
#include "styledtext.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QMimeData;
class QTextCharFormat;
class QTextDocument;

// Whatever is pasted or dropped is reduced to what the document can hold:
// paragraphs of characters with font, size, style and alignment; and what is
// copied or cut leaves as what other programs take. Between MIME data and the
// model only: no editor is needed.
namespace mimeimport {

// The program's own form on the clipboard: RTF, which comes back exactly.
inline constexpr const char* kOwnMimeType = "application/x-stilora-rtf";

// Where the data is entered: the format and the paragraph's alignment at the
// caret, the document's font for what has none of its own, and whether
// formatted data is taken.
struct Place {
    styled::CharFormat format;
    int alignment = styled::AlignLeft;
    QFont documentFont;
    bool richText = true;
};

// The document's form of pasted or dropped data: our own form as it was
// copied; then other programs' RTF, their HTML, their plain text in the
// caret's format; Greek Unicode in these as codes of the font "Greek".
// Nothing for data without text.
std::optional<styled::Document> fromMime(const QMimeData* source, const Place& place);
// Plain text entered at a place (a paste's, the character map's).
styled::Document fromPlainText(const QString& text, const Place& place);
// What copy and cut give for a part of the document: the text as Unicode,
// RTF, and our own form.
QMimeData* toMime(const styled::Document& part);

// Beta Code text entered at a place: its Greek in "Greek" at the place's
// size and style, its Latin text (after `&`) in the place's font, or in
// Arial when that is "Greek"; what it could not hold in `notes`.
struct BetaCodeEntry {
    styled::Document document;
    ImportNotes notes;
};
BetaCodeEntry fromBetaCode(const QString& text, const Place& place);
// What "Als Beta Code kopieren" gives for a part of the document: plain
// text, its Greek as Beta Code and the rest as it is.
QMimeData* toBetaCodeMime(const styled::Document& part);

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

// The local files a drop brings (a file manager's text/uri-list), which are
// opened, not entered; empty when it brings anything else (text, a web address).
QStringList localFiles(const QMimeData* source);

} // namespace mimeimport
