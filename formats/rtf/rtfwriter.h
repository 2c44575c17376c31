#pragma once

#include "styledtext.h"

#include <QByteArray>

class QIODevice;

// Writes the styled-text model as RTF that today's word processors and old
// 8-bit readers both read right: codes 128-255 as \'hh; a Greek letter of the
// font "Greek" as \uN followed by its code (a Unicode-aware reader gets the
// real letter, an old one skips \uN and gets the code); characters without
// an 8-bit code as \uN?.
namespace rtf {

QByteArray write(const styled::Document& document);
// The same onto a device as it is written, for a document of any size; false
// when the device failed.
bool write(const styled::Document& document, QIODevice& out);

} // namespace rtf
