#include "finder.h"

#include "betacode.h"
#include "codepage.h"
#include "composer.h"
#include "textsearch.h"
#include "unicodegreek.h"

#include <algorithm>

namespace convert {

bool looksLikeBetaCode(const QString& text)
{
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 128; }))
        return false;
    const QLatin1String marks(")(/\\=|");
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QChar c = text[i], next = text[i + 1];
        if (c.isLetter() && marks.contains(next))
            return true;
        if (c == QLatin1Char('*') && (next.isLetter() || marks.contains(next)))
            return true;
    }
    return false;
}

QString searchCodes(const QString& text, bool betaCode)
{
    if (betaCode)
        return betacode::decode(text).codes;
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return unicodegreek::isGreek(c); }))
        return unicodegreek::importGreek(text).codes;
    // Typed: each key composed with the ones before it. Characters without a
    // code are no keys of the layout and stay as they are.
    QString out;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && codepage::toCode(text[i]))
            continue;
        out += codepage::decode(QByteArray::fromStdString(greek::typeOut(codepage::encode(text.mid(from, i - from)).toStdString())));
        if (i < text.size())
            out += text[i];
        from = i + 1;
    }
    return out;
}

namespace {

// The characters [from, to) of the searched text as Unicode: Greek exported, the rest as it is.
QString unicodeOf(const textsearch::Searchable& s, qsizetype from, qsizetype to)
{
    QString out;
    while (from < to) {
        const bool greek = s.greek[std::size_t(from)];
        qsizetype end = from;
        while (end < to && bool(s.greek[std::size_t(end)]) == greek)
            ++end;
        const QStringView part = QStringView(s.text).mid(from, end - from);
        out += greek ? unicodegreek::exportGreek(part) : part.toString();
        from = end;
    }
    return out;
}

} // namespace

QList<Hit> findAll(const styled::Document& document, const QString& codes, int options)
{
    const textsearch::Searchable s = textsearch::searchable(document);
    const QString folded = (options & textsearch::IgnoreMarks) ? textsearch::foldedText(s.text, s.greek) : QString();
    const int length = int(s.text.size());
    QList<Hit> hits;
    int paragraph = 1, paragraphStart = 0, counted = 0;
    for (int at = 0; at < length;) {
        const textsearch::Match m = textsearch::find(s.text, s.greek, codes, at, length - at, options, folded);
        if (!m.found())
            break;
        for (; counted < m.start; ++counted) {
            if (s.text[counted] == QChar::ParagraphSeparator) {
                ++paragraph;
                paragraphStart = counted + 1;
            }
        }
        // The word the match stands in, as far as its letters reach.
        qsizetype from = m.start, to = m.start + m.length;
        while (from > paragraphStart && textsearch::isWordChar(s.text[from - 1], s.greek[std::size_t(from - 1)]))
            --from;
        while (to < length && textsearch::isWordChar(s.text[to], s.greek[std::size_t(to)]))
            ++to;
        if (from > paragraphStart && s.greek[std::size_t(from - 1)] && unicodegreek::isCapitalWithMarks(s.text[from - 1], s.text[from]))
            --from; // a capital's marks are written before it
        hits.append({paragraph, m.start - paragraphStart + 1, unicodeOf(s, from, to)});
        at = m.start + std::max(m.length, 1);
    }
    return hits;
}

} // namespace convert
