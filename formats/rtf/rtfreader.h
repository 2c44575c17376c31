#pragma once

#include "importnotes.h"
#include "parseresult.h"
#include "styledtext.h"

#include <QByteArrayView>
#include <QString>

// Reads Rich Text Format into the styled-text model. A file that is not RTF
// is read as plain 8-bit text.
namespace rtf {

constexpr int kMaxDepth = 1000; // deeper nesting fails the load

// How reading went.
enum class Status {
    Ok,                 // read as RTF
    PlainText,          // not RTF: read as plain text
    NestedTooDeeply,    // more than kMaxDepth groups inside each other: nothing read
    ControlWordTooLong, // more letters than a control word may have: nothing read
    NotText,            // no RTF, and NUL bytes: no text either
};
bool isSuccess(Status status);
// Why a file was refused, in German: "Gruppen zu tief verschachtelt", ...
QString describe(Status status, qint64 offset);

struct ReadResult : ParseResult<Status> {
    styled::Document document;
    int nulCharacters = 0; // NUL characters of the text (bytes, \'00, \u0), left out: no editor holds them
    ImportNotes notes;     // what the model cannot hold, counted; footnotes' text kept at the end
};

ReadResult read(QByteArrayView bytes);

// Plain text: CR LF, LF or CR end a paragraph; a UTF-8 byte-order mark
// means UTF-8, otherwise each byte is an 8-bit code. Text with NUL bytes is
// no text.
ReadResult readPlainText(QByteArrayView bytes);

} // namespace rtf
