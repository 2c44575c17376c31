#pragma once

#include "styledtext.h"

#include <QTextCharFormat>
#include <QTextBlockFormat>

class QFont;
class QTextCursor;

// Between the model's formats and Qt's text formats, both ways.
namespace qtformat {

// Whole points of a font given in pixels (96 per inch) or points.
int pointsOf(const QFont& font);
// A paragraph format with the model's alignment, and back.
QTextBlockFormat blockFormat(int alignment);
Qt::Alignment visualAlignment(int alignment);
int alignmentOf(const QTextBlockFormat& format);
// The font name of a character format; one without its own names the fallback's.
QString familyOf(const QTextCharFormat& format, const QFont& fallback);
// Gives a format the document's font name. A font the system lacks is drawn
// with what stands in for it, found once: Qt would ask the system's font
// configuration again for every missing name, 40,000 of them in a hostile
// document. The format keeps the document's name for familyOf.
void setFamily(QTextCharFormat& format, const QString& family);

// Properties a format does not set come from defaultFont.
styled::CharFormat toModel(const QTextCharFormat& format, const QFont& defaultFont);
// The editor's own size stays unset, so text of 14 points shows as typed text does.
QTextCharFormat toQt(const styled::CharFormat& format);

// Inserts a model at the cursor, formats from the model. An empty paragraph
// at the cursor takes the first paragraph's alignment.
void insertModel(QTextCursor& c, const styled::Document& d);

} // namespace qtformat
