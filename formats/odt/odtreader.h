#pragma once

#include "importnotes.h"
#include "parseresult.h"
#include "styledtext.h"

#include <QByteArray>
#include <QString>

// Reads OpenDocument text (a zipped .odt, or a flat .fodt) into the
// styled-text model: paragraphs with their alignment, runs with font, size
// and style from the automatic and named styles they inherit, tabs; the
// text of tables (cell by cell), text boxes and notes (at the end); what
// the model cannot hold is counted in `notes`. The Greek stays as the file
// has it: the caller maps Unicode Greek to the font's codes, as a paste does.
namespace odt {

enum class Status {
    Ok,
    NotOdt,      // neither a zip archive nor an XML document
    Encrypted,   // "verschlüsselt"
    PartMissing, // content.xml
    PartBroken,  // a part that the archive cannot give whole (see `part`)
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

} // namespace odt
