#include "textsearch.h"

#include "codepage.h"
#include "greeklayout.h"
#include "unicodegreek.h"

#include <algorithm>
#include <array>

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

// For each code of the font "Greek": the code of its bare letter (as its
// character), kPassedOver for a mark of its own, the code itself for
// everything that is no Greek letter. Made from the layout's Unicode: the
// character decomposed, its first character is the letter.
const std::array<QChar, 256>& bareLetters()
{
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t{};
        for (int code = 0; code < 256; ++code) {
            const QChar self = codepage::toChar((unsigned char)code);
            t[code] = self;
            const auto u = greeklayout::unicodeOf((unsigned char)code);
            if (!u)
                continue;
            const QString d = QString(QChar(*u)).normalized(QString::NormalizationForm_D);
            QChar base = d.isEmpty() ? QChar(*u) : d[0];
            if (base.category() == QChar::Symbol_Modifier || base.isMark()) {
                t[code] = kPassedOver;
                continue;
            }
            if (base == QChar(u'ς'))
                base = QChar(u'σ');
            if (const auto bare = greeklayout::codeOf(base.unicode()))
                t[code] = codepage::toChar(*bare);
        }
        return t;
    }();
    return table;
}

QChar foldedGreek(QChar ch)
{
    const auto code = codepage::toCode(ch);
    return code ? bareLetters()[*code] : ch;
}

// One character of the search text as it meets text in "Greek" (its bare
// letter, or kPassedOver) and text in other fonts (itself).
struct Wanted {
    QChar greek;
    QChar plain;
};

bool sameLetter(QChar text, QChar wanted, bool matchCase)
{
    return matchCase ? text == wanted : asciiFolded(text) == asciiFolded(wanted);
}

bool wordAround(QStringView text, const std::vector<unsigned char>& greek, qsizetype from, qsizetype to)
{
    return (from > 0 && isWordChar(text[from - 1], greekAt(greek, from - 1))) ||
           (to < text.size() && isWordChar(text[to], greekAt(greek, to)));
}

Match findExact(QStringView text, const std::vector<unsigned char>& greek, QStringView what, qsizetype start,
                qsizetype end, bool matchCase, bool wholeWord)
{
    const qsizetype n = what.size();
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
        if (j < n || (wholeWord && wordAround(text, greek, i, i + n)))
            continue;
        return {int(i), int(n)};
    }
    return {};
}

Match findIgnoringMarks(QStringView text, const std::vector<unsigned char>& greek, QStringView folded,
                        QStringView what, qsizetype start, qsizetype end, bool matchCase, bool wholeWord)
{
    std::vector<Wanted> wanted;
    wanted.reserve(std::size_t(what.size()));
    for (QChar c : what)
        wanted.push_back({foldedGreek(c), c});
    const auto significant = std::find_if(wanted.begin(), wanted.end(), [](const Wanted& w) { return w.greek != kPassedOver; });
    // Only marks: in "Greek" there is nothing to find, elsewhere they are characters.
    const QChar firstGreek = significant == wanted.end() ? kPassedOver : significant->greek;
    const QChar firstGreekFolded = asciiFolded(firstGreek);
    const qsizetype n = qsizetype(wanted.size());

    for (qsizetype i = start; i < end; ++i) {
        const bool g = greekAt(greek, i);
        // A match starts at a letter, never at a mark passed over.
        if (g) {
            const QChar f = folded[i];
            if (f == kPassedOver || firstGreek == kPassedOver)
                continue;
            if (matchCase ? f != firstGreek : asciiFolded(f) != firstGreekFolded)
                continue;
        } else if (matchCase ? text[i] != wanted[0].plain : !alike(text[i], wanted[0].plain, false)) {
            continue;
        }
        qsizetype t = i, j = 0;
        bool ok = true;
        while (j < n) {
            if (t >= end) {
                ok = false;
                break;
            }
            if (greekAt(greek, t)) {
                const QChar f = folded[t];
                if (f == kPassedOver && t > i) {
                    ++t;
                    continue;
                }
                if (wanted[std::size_t(j)].greek == kPassedOver) {
                    ++j;
                    continue;
                }
                if (!sameLetter(f, wanted[std::size_t(j)].greek, matchCase)) {
                    ok = false;
                    break;
                }
            } else if (matchCase ? text[t] != wanted[std::size_t(j)].plain : !alike(text[t], wanted[std::size_t(j)].plain, false)) {
                ok = false;
                break;
            }
            ++t;
            ++j;
        }
        if (!ok)
            continue;
        // The marks written before a capital are the capital's.
        qsizetype from = i;
        while (from > start && greekAt(greek, from - 1) && folded[from - 1] == kPassedOver &&
               unicodegreek::isCapitalWithMarks(text[from - 1], text[i]))
            --from;
        if (wholeWord && wordAround(text, greek, from, t))
            continue;
        return {int(from), int(t - from)};
    }
    return {};
}

} // namespace

void foldRange(QStringView text, const std::vector<unsigned char>& greek, qsizetype from, qsizetype to, QChar* out)
{
    const std::array<QChar, 256>& bare = bareLetters();
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = text[i];
        if (!greekAt(greek, i)) {
            out[i] = c;
        } else if (c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() < 0x100)) {
            out[i] = bare[c.unicode()]; // the code is the character
        } else {
            const auto code = codepage::toCode(c);
            out[i] = code ? bare[*code] : c;
        }
    }
}

QString foldedText(QStringView text, const std::vector<unsigned char>& greek)
{
    QString out(text.size(), Qt::Uninitialized);
    foldRange(text, greek, 0, text.size(), out.data());
    return out;
}

Searchable searchable(const styled::Document& document)
{
    Searchable s;
    const QString greek = QString::fromLatin1(styled::kDefaultFont);
    bool first = true;
    for (const styled::Paragraph& p : document.paragraphs) {
        if (!first) {
            s.text += QChar::ParagraphSeparator;
            s.greek.push_back(0);
        }
        first = false;
        for (const styled::Run& r : p.runs) {
            s.text += r.text;
            s.greek.insert(s.greek.end(), std::size_t(r.text.size()), r.format.font == greek ? 1 : 0);
        }
    }
    return s;
}

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

Match find(QStringView text, const std::vector<unsigned char>& greek, QStringView what, int start, int length,
           int options, QStringView folded)
{
    if (what.isEmpty() || start < 0 || length <= 0)
        return {};
    const qsizetype end = std::min<qsizetype>(text.size(), qsizetype(start) + length);
    const bool matchCase = options & MatchCase;
    const bool wholeWord = options & WholeWord;
    if (!(options & IgnoreMarks))
        return findExact(text, greek, what, start, end, matchCase, wholeWord);
    QString made;
    if (folded.size() != text.size()) {
        made = foldedText(text, greek);
        folded = made;
    }
    return findIgnoringMarks(text, greek, folded, what, start, end, matchCase, wholeWord);
}

} // namespace textsearch
