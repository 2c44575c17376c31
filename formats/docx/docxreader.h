#pragma once

#include "importnotes.h"
#include "parseresult.h"
#include "styledtext.h"

#include <QByteArray>
#include <QString>

// Reads Word documents (Office Open XML, .docx) into the styled-text model:
// paragraphs with their alignment, runs with font, size and style from the
// document defaults and the paragraph and character styles they inherit,
// tabs; the text of tables (cell by cell), text boxes and notes (at the
// end); the shown result of fields; tracked changes read as shown with the
// changes accepted. What the model cannot hold is counted in `notes`. The
// Greek stays as the file has it: the caller maps Unicode Greek to the
// font's codes, as a paste does; a symbol of the font "Greek" is its code.
namespace docx {

enum class Status {
    Ok,
    NotDocx,     // no zip archive of a Word document
    Word97,      // a binary .doc of Word 97 to 2003
    Encrypted,   // "verschlüsselt"
    PartMissing, // word/document.xml
    PartBroken,  // a part the archive cannot give whole (see `part`)
    BadXml,      // malformed XML (see `part` and the offset)
    Entities,    // a document type with entities: not read
    TooDeep,     // elements nested more than 2000 deep (guardedxml::kMaxDepth)
};
bool isSuccess(Status status);
QString describe(Status status, qint64 offset);

struct ReadResult : ParseResult<Status> {
    styled::Document document;
    ImportNotes notes;
    QString part; // the part the status is about
};

ReadResult read(const QByteArray& file);

} // namespace docx
