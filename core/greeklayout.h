#pragma once

#include <QChar>

#include <optional>

// The Greek letters and marks of the font "Greek": for each code whose glyph
// is a Greek character, that character in Unicode (the other codes show
// their Windows-1252 character). Generated at build time from
// resources/fonts/greek-layout.tsv.
namespace greeklayout {

// The Unicode character the glyph at `code` shows, when it is a Greek one.
std::optional<char16_t> unicodeOf(unsigned char code);
// The code of a Greek character of the layout (its NFC form as well).
std::optional<unsigned char> codeOf(char16_t unicode);

} // namespace greeklayout
