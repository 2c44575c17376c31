#pragma once

#include "styledtext.h"

#include <QByteArrayView>
#include <QString>

// Reads Rich Text Format into the styled-text model. A file that is not RTF
// is read as plain 8-bit text.
namespace rtf {

constexpr int kMaxDepth = 1000; // deeper nesting fails the load

// The message of a load that failed, and of a save that failed.
QString loadFailedMessage();  // "Das Laden des Streams ist mißlungen"
QString saveFailedMessage();  // "Das Speichern des Streams ist mißlungen"

// How reading went, in the manner of a parse result: a status, the byte
// offset where it stopped, and the German message.
struct ReadResult {
    enum Status {
        Ok,        // read as RTF
        PlainText, // not RTF: read as plain text
        Failed,    // neither: nothing was read
    };
    // Why a file was refused.
    enum class Error {
        None,
        NestedTooDeeply,    // more than kMaxDepth groups inside each other
        ControlWordTooLong, // more letters than a control word may have
        NotText,            // no RTF, and NUL bytes: no text either
    };
    Status status = Ok;
    Error error = Error::None;
    qint64 offset = 0; // the byte where reading stopped
    QString message;   // "Das Laden des Streams ist mißlungen"
    styled::Document document;
    int nulCharacters = 0; // NUL characters of the text (bytes, \'00, \u0), left out: no editor holds them

    bool ok() const { return status != Failed; }
    // Why, in German: "Gruppen zu tief verschachtelt", ...
    QString detail() const;
};

ReadResult read(QByteArrayView bytes);

// Plain text: CR LF, LF or CR end a paragraph; a UTF-8 byte-order mark
// means UTF-8, otherwise each byte is an 8-bit code. Text with NUL bytes is
// no text.
ReadResult readPlainText(QByteArrayView bytes);

} // namespace rtf
