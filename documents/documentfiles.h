#pragma once

#include "documentkind.h"
#include "importnotes.h"
#include "paircodec.h"
#include "styledtext.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Document files as the editor's Open and Save and the converter both read
// and write them: RTF, and the pair of versions 1.0 and 1.01, whose text
// file may also be a plain text file of another program. Every error is an
// IoError that names the file; a replacement interrupted by a kill is
// finished or undone before a file is read or written.
namespace docfiles {

struct Opened {
    styled::Document document;
    DocumentKind kind; // RTF, the pair, or another program's Unicode text
    QString notice;   // German: what could be read of a damaged attribute file
    ImportNotes notes; // what was left out, moved or changed on the way in: Save then does not write over the file unasked
};

// An RTF file; a file that is no RTF is read as plain 8-bit text. A refused
// file says why and at which byte.
Opened openRtf(const QString& path);

// OpenDocument text (.odt, flat .fodt) of another program: its Greek, in
// Unicode or as codes in the font "Greek", becomes the font's codes as a
// paste's does; what the model cannot hold is counted and told in `notice`.
Opened openOdt(const QString& path);
// A Word document (.docx) of another program, read as openOdt() reads its.
Opened openDocx(const QString& path);

// The pair on `base`: the text file base + "txt" and, when there is one,
// the attribute file base + "sri". An empty text file is an empty document.
// A text file without attribute file that is valid UTF-8 with at least one
// multi-byte sequence is Unicode text: its Greek becomes codes of the font
// "Greek", its other text is set in Arial.
Opened openPair(const QString& base, const pair::Progress& progress = {});

void saveRtf(const styled::Document& document, const QString& path);
// Both files of the pair, as one unit. An empty document empties both.
void savePair(const styled::Document& document, const QString& base, const pair::Progress& progress = {});

// A .txt file beside whose name an attribute file .sri lies is the text of
// a document pair: the attribute file's path. Written over as text, the
// pair would be broken.
std::optional<QString> pairOfText(const QString& path);

// What the pair cannot hold, one German sentence each.
QStringList lossDescriptions(const pair::Losses& losses);

// Beta Code text (.beta): its Greek in the font "Greek", its Latin text
// (after `&`) in Arial; signs without a code of the layout told in `notice`.
Opened openBetaCode(const QString& path);

// Reads a document file in `format`, or by its name's format when Unknown; a
// pair's damaged attribute file is told in `notice`.
Opened open(const QString& path, DocumentKind::Format format = DocumentKind::Format::Unknown);

// The document as the pair holds it, for a file of another program's making:
// Greek Unicode as codes of the font "Greek", and what the pair still cannot hold.
struct ForPair {
    styled::Document coded;
    pair::Losses losses;
    int approximated = 0;          // characters given the code that looks like them
    int firstApproximated = -1;
    QChar firstApproximatedCharacter;
    QStringList warnings() const;  // German, one sentence each
};
ForPair forPair(const styled::Document& document);

// Writes a PDF file of the document's pages (the report engine's); throws
// IoError when it could not, or when a write failed.
using PdfWriter = std::function<void(const styled::Document& document, const QString& file, const QString& title)>;

// Writes a document for other programs, with its Greek as Unicode: ODT,
// UTF-8 text, HTML, or PDF through `pdf`; or as Beta Code; whole or not at
// all. Returns what the format could not hold (German, one sentence each).
QStringList exportFile(const styled::Document& document, const QString& path, DocumentKind::Format format, const PdfWriter& pdf);

} // namespace docfiles
