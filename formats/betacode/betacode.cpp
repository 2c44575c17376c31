#include "betacode.h"

#include "unicodegreek.h"

namespace betacode {

namespace {

// The 24 letters: Beta Code's Latin letter and the small Greek one.
constexpr struct {
    char beta;
    char16_t greek;
} kLetters[] = {
    {'A', u'α'}, {'B', u'β'}, {'G', u'γ'}, {'D', u'δ'}, {'E', u'ε'}, {'Z', u'ζ'}, {'H', u'η'}, {'Q', u'θ'},
    {'I', u'ι'}, {'K', u'κ'}, {'L', u'λ'}, {'M', u'μ'}, {'N', u'ν'}, {'C', u'ξ'}, {'O', u'ο'}, {'P', u'π'},
    {'R', u'ρ'}, {'S', u'σ'}, {'T', u'τ'}, {'U', u'υ'}, {'F', u'φ'}, {'X', u'χ'}, {'Y', u'ψ'}, {'W', u'ω'},
};

// The marks, as combining characters, in the order a small letter takes them.
constexpr struct {
    char beta;
    char16_t combining;
} kMarks[] = {
    {')', 0x0313}, {'(', 0x0314}, {'+', 0x0308}, {'/', 0x0301}, {'\\', 0x0300}, {'=', 0x0342}, {'|', 0x0345},
};

char16_t letterOf(QChar c)
{
    const char up = char(c.toUpper().unicode());
    for (const auto& l : kLetters)
        if (l.beta == up && c.unicode() < 128)
            return l.greek;
    return 0;
}

char16_t markOf(QChar c)
{
    for (const auto& m : kMarks)
        if (c.unicode() < 128 && m.beta == char(c.unicode()))
            return m.combining;
    return 0;
}

char markFor(char16_t combining)
{
    for (const auto& m : kMarks)
        if (m.combining == combining)
            return m.beta;
    return 0;
}

// The layout's spacing marks (before a capital, or alone), as Beta Code's marks.
constexpr struct {
    char16_t sign;
    const char* marks;
} kSpacing[] = {
    {0x1FBF, ")"}, {0x1FFE, "("}, {0x1FCF, ")="}, {0x1FCE, ")/"}, {0x1FCD, ")\\"}, {0x1FDF, "(="}, {0x1FDE, "(/"},
    {0x1FDD, "(\\"}, {0x1FED, "+\\"}, {0x1FEE, "+/"}, {0x1FC1, "+="}, {0x1FFD, "/"}, {0x1FEF, "\\"}, {0x1FC0, "="},
    {0x00A8, "+"},
};

// The marks in the order Unicode composes them: breathing, diaeresis, accent, iota.
QString ordered(const QString& marks)
{
    QString out;
    for (const auto& m : kMarks)
        if (marks.contains(QChar(m.combining)))
            out += QChar(m.combining);
    return out;
}

bool isBetaLetter(QChar c) { return letterOf(c) != 0 || c == QLatin1Char('J') || c == QLatin1Char('j'); }

} // namespace

Decoded decode(const QString& beta)
{
    QString unicode;
    unicode.reserve(beta.size());
    Decoded out;
    bool greek = true;
    const qsizetype n = beta.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = beta[i];
        if (c == QLatin1Char('$')) {
            greek = true;
            continue;
        }
        if (c == QLatin1Char('&')) {
            greek = false;
            continue;
        }
        if (!greek) {
            unicode += c;
            continue;
        }
        // A capital: its marks stand between the asterisk and the letter.
        if (c == QLatin1Char('*')) {
            QString marks;
            qsizetype j = i + 1;
            while (j < n && markOf(beta[j]) && beta[j] != QLatin1Char('|'))
                marks += QChar(markOf(beta[j++]));
            if (j < n && letterOf(beta[j])) {
                unicode += QChar(letterOf(beta[j])).toUpper();
                // Breathing before accent, whatever order the corpus wrote them in.
                unicode += ordered(marks);
                i = j;
                if (i + 1 < n && beta[i + 1] == QLatin1Char('|')) {
                    unicode += QChar(0x0345);
                    ++i;
                }
                continue;
            }
            // Marks without a letter: the layout's spacing sign for them.
            bool found = false;
            for (const auto& sp : kSpacing)
                if (!marks.isEmpty() && ordered(marks) == ordered([&] {
                        QString m;
                        for (const char* p = sp.marks; *p; ++p)
                            m += QChar(markOf(QLatin1Char(*p)));
                        return m;
                    }())) {
                    unicode += QChar(sp.sign);
                    found = true;
                    break;
                }
            if (found) {
                i = j - 1;
                continue;
            }
            unicode += c; // an asterisk before no letter stays
            continue;
        }
        if (c == QLatin1Char('S') || c == QLatin1Char('s')) {
            // Sigma by position: a number chooses, else the next character does.
            if (i + 1 < n && beta[i + 1] >= QLatin1Char('1') && beta[i + 1] <= QLatin1Char('3')) {
                const char k = char(beta[++i].unicode());
                unicode += QChar(k == '1' ? u'σ' : k == '2' ? u'ς' : u'ϲ');
                continue;
            }
            qsizetype j = i + 1;
            while (j < n && markOf(beta[j]))
                ++j;
            unicode += QChar(j < n && isBetaLetter(beta[j]) ? u'σ' : u'ς');
            continue;
        }
        if (c == QLatin1Char('J') || c == QLatin1Char('j')) {
            unicode += QChar(u'ς');
            continue;
        }
        if (const char16_t letter = letterOf(c)) {
            unicode += QChar(letter);
            QString marks;
            while (i + 1 < n && markOf(beta[i + 1]))
                marks += QChar(markOf(beta[++i]));
            unicode += ordered(marks); // "I/+" as corpora write it is "I+/"
            continue;
        }
        if (const char16_t mark = markOf(c)) {
            unicode += QChar(mark);
            continue;
        }
        switch (c.unicode()) {
        case ':': unicode += QChar(0x00B7); break;  // ano teleia
        case ';': unicode += QChar(u';'); break;     // the question mark
        case '\'': unicode += QLatin1Char('\''); break; // the apostrophe of elision: the layout's own
        case '_': unicode += QChar(0x2014); break;   // a dash
        case '%':
        case '#':
        case '@':
        case '[':
        case ']':
        case '{':
        case '}':
        case '<':
        case '>': {
            // Signs the layout does not have (macron %26, breve %27, digamma #...): told, not kept.
            ++out.unmapped;
            while (i + 1 < n && beta[i + 1].isDigit())
                ++i;
            break;
        }
        default: unicode += c; break;
        }
    }
    const unicodegreek::Imported imported = unicodegreek::importGreek(unicode.normalized(QString::NormalizationForm_C));
    out.codes = imported.codes;
    out.unmapped += imported.unmapped;
    return out;
}

QString encode(const QString& codes)
{
    const QString unicode = unicodegreek::exportGreek(codes).normalized(QString::NormalizationForm_D);
    QString out;
    const qsizetype n = unicode.size();
    auto isLetterAt = [&](qsizetype k) {
        while (k < n && unicode[k].category() == QChar::Mark_NonSpacing)
            ++k;
        return k < n && unicode[k].isLetter() && unicode[k].script() == QChar::Script_Greek;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = unicode[i];
        QString marks;
        qsizetype j = i + 1;
        while (j < n && unicode[j].category() == QChar::Mark_NonSpacing)
            marks += unicode[j++];
        const char16_t lower = c.toLower().unicode();
        char letter = 0;
        for (const auto& l : kLetters)
            if (l.greek == lower)
                letter = l.beta;
        if (!c.isUpper() && (lower == u'ς' || lower == u'ϲ' || lower == u'σ')) {
            const bool letterFollows = isLetterAt(j);
            if (lower == u'ς')
                out += letterFollows ? QStringLiteral("S2") : QStringLiteral("S");
            else if (lower == u'ϲ')
                out += QStringLiteral("S3");
            else
                out += letterFollows ? QStringLiteral("S") : QStringLiteral("S1");
            letter = -1;
        }
        if (letter == 0) {
            // Not a Greek letter: its marks, if any, follow it as Beta Code's.
            bool spacing = false;
            for (const auto& sp : kSpacing)
                if (c.unicode() == sp.sign && !(c.unicode() == 0x1FBF && marks.isEmpty())) { // alone, the psili is the apostrophe
                    // Its own marks, and those its decomposition put after it.
                    out += QLatin1Char('*') + QLatin1String(sp.marks);
                    for (const auto& m : kMarks)
                        if (marks.contains(QChar(m.combining)))
                            out += QLatin1Char(m.beta);
                    spacing = true;
                    break;
                }
            if (spacing) {
                i = j - 1;
                continue;
            }
            switch (c.unicode()) {
            case 0x00B7:
            case 0x0387: out += QLatin1Char(':'); break;
            case 0x037E: out += QLatin1Char(';'); break;
            case 0x2019:
            case 0x1FBD:
            case 0x1FBF: out += QLatin1Char('\''); break; // the apostrophe of elision
            case 0x2014: out += QLatin1Char('_'); break;
            default: out += c; break;
            }
        } else if (letter > 0 && c.isUpper()) {
            out += QLatin1Char('*');
            for (char16_t m : {char16_t(0x0313), char16_t(0x0314), char16_t(0x0308), char16_t(0x0301), char16_t(0x0300), char16_t(0x0342)})
                if (marks.contains(QChar(m)))
                    out += QLatin1Char(markFor(m));
            out += QLatin1Char(letter);
            if (marks.contains(QChar(0x0345)))
                out += QLatin1Char('|');
            i = j - 1;
            continue;
        } else if (letter > 0) {
            out += QLatin1Char(letter);
        }
        for (const auto& m : kMarks)
            if (marks.contains(QChar(m.combining)))
                out += QLatin1Char(m.beta);
        i = j - 1;
    }
    return out;
}

} // namespace betacode
