#pragma once

#include "parseresult.h"
#include "styledtext.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The pair of versions 1.0 and 1.01: a text file of 8-bit codes (a line end
// is CR LF and counts two positions) and an attribute file of runs, each
// record: run length (1..255), size byte (low 8 bits of the points),
// alignment letter ("l", "r", "m"), style byte, font name, 0.
//
// The codec works between bytes and the styled-text model only; the files
// and the editor are the caller's.
namespace pair {

// The name of a document without its last three characters, whatever they
// are: the base the pair's ".txt" and ".sri" (and the RTF's ".rtf") are put on.
QString basePathOf(const QString& path);

// Called with a value from 0 to 100 whenever the percentage done changes.
using Progress = std::function<void(int percent)>;

struct Bytes {
    QByteArray text; // BasePath + "txt"
    QByteArray runs; // BasePath + "sri"
};

// Writes what older readers expect: runs of equal attributes of at most 255
// positions, the last character in a record of its own. A paragraph break is
// CR LF; both take the font, size and style of the position before them and
// the alignment of the paragraph they close. An empty document gives two
// empty arrays: older readers refuse an empty text file, this one reads it
// as an empty document.
Bytes write(const styled::Document& document, const Progress& progress = {});

// What the pair cannot hold, so that the user can be asked before saving.
struct Losses {
    int uncodedCharacters = 0; // characters without an 8-bit code
    int firstUncoded = -1;     // its position, counted as in the text file from 1
    int oversizedRuns = 0;     // runs above 255 points (only the low 8 bits are kept)
    int firstOversized = -1;
    bool any() const { return uncodedCharacters > 0 || oversizedRuns > 0; }
};
Losses losses(const styled::Document& document);

// How reading went.
enum class Status {
    Ok,
    RunsDamaged, // the attribute file ends inside a record: the text and the runs before it were read
};
bool isSuccess(Status status); // both: the text is always there
// What a damaged attribute file means for the reader, in German, with the
// byte (offset) where its damage begins.
QString describe(Status status, qint64 offset);

struct ReadResult : ParseResult<Status> {
    styled::Document document;
};

// Reads a text file and, when there is one, its attribute file. An empty
// text file is an empty document (what this program writes for one); an
// empty attribute file is read like a missing one. Each record formats its run and
// the first position after it (the next record formats that one again), and
// sets the alignment of the paragraphs that range touches. A lone CR or LF
// also ends a paragraph and counts one position.
ReadResult read(const QByteArray& text, const std::optional<QByteArray>& runs, const Progress& progress = {});

// The attributes of a position where no record says otherwise: the editor's
// after it is cleared.
styled::CharFormat defaultFormat();

} // namespace pair
