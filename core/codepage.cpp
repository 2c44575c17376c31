#include "codepage.h"

#include <algorithm>
#include <array>
#include <utility>

namespace codepage {
namespace {

// Windows-1252 for 128..159; the holes keep their own code point.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QChar toChar(unsigned char code)
{
    if (code >= 128 && code < 160)
        return QChar(kHigh[code - 128]);
    return QChar(char16_t(code));
}

std::optional<unsigned char> toCode(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 128 || (u >= 160 && u < 256))
        return static_cast<unsigned char>(u);
    // The 32 codes 128-159 stand for characters all over the BMP: found by
    // a search over the sorted pairs, not by a walk through them.
    static const auto byChar = [] {
        std::array<std::pair<char16_t, unsigned char>, 32> t{};
        for (std::size_t i = 0; i < kHigh.size(); ++i)
            t[i] = {kHigh[i], static_cast<unsigned char>(128 + i)};
        std::sort(t.begin(), t.end());
        return t;
    }();
    const auto it = std::lower_bound(byChar.begin(), byChar.end(), std::pair<char16_t, unsigned char>{u, 0});
    if (it != byChar.end() && it->first == u)
        return it->second;
    return std::nullopt;
}

QString decode(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = toChar(static_cast<unsigned char>(bytes[i]));
    return out;
}

QByteArray encode(const QString& text, char replacement)
{
    QByteArray out;
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto code = toCode(text[i]);
        out[i] = code ? static_cast<char>(*code) : replacement;
    }
    return out;
}

} // namespace codepage
