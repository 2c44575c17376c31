#pragma once

#include "styledtext.h"

#include <QString>

class QIODevice;

// Documents for other programs, with the Greek as real Unicode: OpenDocument
// text (its parts with QXmlStreamWriter, its zip through QuaZip), HTML and
// UTF-8 text, written straight from the model onto a device as they go, so
// that a document of any size needs no second copy. Runs in
// the font "Greek" are set in the family that font is made from.
namespace exportwriters {

inline constexpr const char* kGreekFamily = "Gentium Plus";

struct Options {
    QString title;
    QString greekFamily = QString::fromLatin1(kGreekFamily);
};

// Each throws IoError (Cause::NotWritten, with what could not be written)
// when the device or the archive failed; a device that knows the system's
// cause (a CheckedFile) tells it when it is finished.
void writeOdt(const styled::Document& document, QIODevice& out, const Options& options);
// A Word document (.docx): A4 with the print's margins, each run's font,
// size and style, each paragraph's alignment; Greek as Unicode in
// options.greekFamily, marked with a character style of its own so that
// the program reads it back as the font's codes.
void writeDocx(const styled::Document& document, QIODevice& out, const Options& options);
void writeHtml(const styled::Document& document, QIODevice& out, const Options& options);
void writeText(const styled::Document& document, QIODevice& out);

// A run as it leaves the document: Greek codes as Unicode in the Greek family.
styled::Run exportedRun(const styled::Run& run, const QString& greekFamily);

} // namespace exportwriters
