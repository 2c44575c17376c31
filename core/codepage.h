#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <optional>

// The document holds 8-bit codes. Inside Qt, code b is the character that
// Windows-1252 assigns to b; the five codes Windows-1252 leaves open
// (129, 141, 143, 144, 157) are the C1 controls of the same number. Every
// place that moves text between bytes and Qt goes through these functions.
namespace codepage {

QChar toChar(unsigned char code);

// The 8-bit code of a character, or nothing for a character the table does
// not hold (Greek pasted as Unicode, the paragraph separator, ...).
std::optional<unsigned char> toCode(QChar ch);

QString decode(const QByteArray& bytes);

// Characters without a code become `replacement`.
QByteArray encode(const QString& text, char replacement = '?');

} // namespace codepage
