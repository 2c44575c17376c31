#include "textsearch.h"

#include "codepage.h"
#include "greeklayout.h"

#include <algorithm>

namespace textsearch {

namespace {

bool greekAt(const std::vector<unsigned char>& greek, qsizetype i) { return std::size_t(i) < greek.size() && greek[std::size_t(i)]; }

QChar asciiFolded(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
}

// Two characters alike without match case, by the rule of the font the text char is set in.
bool alike(QChar textChar, QChar wanted, bool greekFont)
{
    if (textChar == wanted)
        return true;
    if (greekFont)
        return asciiFolded(textChar) == asciiFolded(wanted);
    // ASCII folds by itself; only other characters need the Unicode tables.
    if (textChar.unicode() < 128 && wanted.unicode() < 128)
        return asciiFolded(textChar) == asciiFolded(wanted);
    return textChar.toCaseFolded() == wanted.toCaseFolded();
}

} // namespace

bool isWordChar(QChar ch, bool greekFont)
{
    if (greekFont) {
        if (const auto code = codepage::toCode(ch)) {
            if (const auto u = greeklayout::unicodeOf(*code)) {
                // The layout's letters, with or without their marks; the
                // spacing marks and the ano teleia are no letters.
                const QChar g(*u);
                return g.isLetter() || g.isMark();
            }
        }
    }
    return ch.isLetterOrNumber();
}

int find(QStringView text, const std::vector<unsigned char>& greek, QStringView what, int start, int length, int options)
{
    const qsizetype n = what.size();
    if (n == 0 || start < 0 || length <= 0)
        return -1;
    const qsizetype end = std::min<qsizetype>(text.size(), qsizetype(start) + length);
    const bool matchCase = options & MatchCase;
    const bool wholeWord = options & WholeWord;
    for (qsizetype i = start; i + n <= end; ++i) {
        // The first character decides quickly.
        if (matchCase ? text[i] != what[0] : !alike(text[i], what[0], greekAt(greek, i)))
            continue;
        qsizetype j = 1;
        for (; j < n; ++j) {
            const QChar t = text[i + j];
            if (matchCase ? t != what[j] : !alike(t, what[j], greekAt(greek, i + j)))
                break;
        }
        if (j < n)
            continue;
        if (wholeWord) {
            if (i > 0 && isWordChar(text[i - 1], greekAt(greek, i - 1)))
                continue;
            if (i + n < text.size() && isWordChar(text[i + n], greekAt(greek, i + n)))
                continue;
        }
        return int(i);
    }
    return -1;
}

} // namespace textsearch
