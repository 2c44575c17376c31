#include "betacode.h"

#include "codepage.h"
#include "greeklayout.h"
#include "unicodegreek.h"

#include <array>

namespace betacode {

namespace {

// The 24 letters and the digamma: Beta Code's Latin letter and the small Greek one.
constexpr struct {
    char beta;
    char16_t greek;
} kLetters[] = {
    {'A', u'α'}, {'B', u'β'}, {'G', u'γ'}, {'D', u'δ'}, {'E', u'ε'}, {'Z', u'ζ'}, {'H', u'η'}, {'Q', u'θ'}, {'I', u'ι'},
    {'K', u'κ'}, {'L', u'λ'}, {'M', u'μ'}, {'N', u'ν'}, {'C', u'ξ'}, {'O', u'ο'}, {'P', u'π'}, {'R', u'ρ'}, {'S', u'σ'},
    {'T', u'τ'}, {'U', u'υ'}, {'F', u'φ'}, {'X', u'χ'}, {'Y', u'ψ'}, {'W', u'ω'}, {'V', u'ϝ'},
};

// The marks, as combining characters, in the order Unicode composes them
// (breathing, diaeresis, accent, iota subscript).
constexpr struct {
    char beta;
    char16_t combining;
} kMarks[] = {
    {')', 0x0313}, {'(', 0x0314}, {'+', 0x0308}, {'/', 0x0301}, {'\\', 0x0300}, {'=', 0x0342}, {'|', 0x0345},
};

// The layout's spacing marks (before a capital, or alone), as Beta Code's marks.
struct Spacing {
    char16_t sign;
    const char* marks;
};
constexpr Spacing kSpacing[] = {
    {0x1FBF, ")"}, {0x1FFE, "("}, {0x1FCF, ")="}, {0x1FCE, ")/"}, {0x1FCD, ")\\"}, {0x1FDF, "(="}, {0x1FDE, "(/"},
    {0x1FDD, "(\\"}, {0x1FED, "+\\"}, {0x1FEE, "+/"}, {0x1FC1, "+="}, {0x1FFD, "/"}, {0x1FEF, "\\"}, {0x1FC0, "="},
    {0x00A8, "+"},
};

// The TLG's numbered codes the layout can show: a sign and its number
// (-1: the sign alone). Others of these signs are counted and left out.
struct Numbered {
    char sign;
    int number;
    char16_t character;
};
constexpr Numbered kNumbered[] = {
    {'[', -1, u'['}, {'[', 1, u'('}, {'[', 2, u'⟨'}, {'[', 3, u'{'}, {'[', 4, u'⟦'},
    {']', -1, u']'}, {']', 1, u')'}, {']', 2, u'⟩'}, {']', 3, u'}'}, {']', 4, u'⟧'},
    {'%', -1, u'†'}, {'%', 1, u'?'}, {'%', 2, u'*'}, {'%', 3, u'/'}, {'%', 4, u'!'}, {'%', 5, u'|'}, {'%', 6, u'='},
    {'%', 7, u'+'}, {'%', 8, u'%'}, {'%', 9, u'&'}, {'%', 10, u':'},
    {'#', -1, u'ʹ'}, {'#', 1, u'ϟ'}, {'#', 2, u'ϛ'}, {'#', 3, u'ϙ'}, {'#', 5, u'ϡ'},
    {'"', -1, u'"'},
    {'@', -1, u'\t'}, // an indentation
};

// Signs that take a number: brackets, further signs, the numeral sign,
// quotation marks, page layout, and the markup of titles and underlining,
// which the document has no place for.
bool isNumberedSign(QChar c)
{
    switch (c.unicode()) {
    case '[':
    case ']':
    case '%':
    case '#':
    case '"':
    case '@':
    case '{':
    case '}':
    case '<':
    case '>': return true;
    default: return false;
    }
}

char16_t letterOf(QChar c)
{
    if (c.unicode() >= 128)
        return 0;
    const char up = char(c.toUpper().unicode());
    for (const auto& l : kLetters)
        if (l.beta == up)
            return l.greek;
    return 0;
}

// A mark of Beta Code, or the combining character of one (as text pasted
// from elsewhere may have it): that combining character.
char16_t markOf(QChar c)
{
    for (const auto& m : kMarks)
        if (m.beta == c.unicode() || m.combining == c.unicode())
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

// The marks in the order Unicode composes them.
QString ordered(const QString& marks)
{
    QString out;
    for (const auto& m : kMarks)
        if (marks.contains(QChar(m.combining)))
            out += QChar(m.combining);
    return out;
}

QString combiningOf(const char* beta)
{
    QString m;
    for (const char* p = beta; *p; ++p)
        m += QChar(markOf(QLatin1Char(*p)));
    return m;
}

// The layout's spacing sign for these marks (combining characters, in any order), or none.
const Spacing* spacingFor(const QString& marks)
{
    const QString wanted = ordered(marks);
    for (const Spacing& sp : kSpacing)
        if (ordered(combiningOf(sp.marks)) == wanted)
            return &sp;
    return nullptr;
}

// The marks a spacing sign of the layout stands for, or none.
const Spacing* spacingOf(char16_t sign)
{
    for (const Spacing& sp : kSpacing)
        if (sp.sign == sign)
            return &sp;
    return nullptr;
}

bool isBetaLetter(QChar c) { return letterOf(c) != 0 || c == QLatin1Char('J') || c == QLatin1Char('j'); }

// One stretch of Greek Beta Code as Unicode (NFC); signs without a form are counted in `dropped`.
QString greekToUnicode(QStringView beta, int& dropped)
{
    QString unicode;
    unicode.reserve(beta.size());
    const qsizetype n = beta.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = beta[i];
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
            if (const Spacing* sp = marks.isEmpty() ? nullptr : spacingFor(marks)) {
                unicode += QChar(sp->sign);
                i = j - 1;
                continue;
            }
            unicode += c; // an asterisk before no letter stays
            continue;
        }
        if (c == QLatin1Char('S') || c == QLatin1Char('s')) {
            // Sigma by position: a number chooses, else what follows does.
            if (i + 1 < n && beta[i + 1] >= QLatin1Char('1') && beta[i + 1] <= QLatin1Char('3')) {
                const char k = char(beta[++i].unicode());
                unicode += QChar(k == '1' ? u'σ' : k == '2' ? u'ς' : u'ϲ');
            } else {
                qsizetype j = i + 1;
                while (j < n && markOf(beta[j]))
                    ++j;
                unicode += QChar(j < n && isBetaLetter(beta[j]) ? u'σ' : u'ς');
            }
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
        if (c.unicode() < 128 && markOf(c)) {
            // Beta Code's marks after no letter: the layout's spacing sign for
            // them together, or one for each. (A combining character stays
            // on what it follows.)
            QString marks;
            qsizetype j = i;
            while (j < n && beta[j].unicode() < 128 && markOf(beta[j]))
                marks += QChar(markOf(beta[j++]));
            i = j - 1;
            if (const Spacing* together = spacingFor(marks)) {
                unicode += QChar(together->sign);
                continue;
            }
            for (const QChar m : ordered(marks))
                unicode += m.unicode() == 0x0345 ? QChar(0x037A) : QChar(spacingFor(QString(m))->sign); // 037A: the spacing iota subscript
            continue;
        }
        if (isNumberedSign(c)) {
            int number = -1;
            qsizetype j = i + 1;
            while (j < n && beta[j].unicode() >= '0' && beta[j].unicode() <= '9' && j - i <= 4)
                number = std::max(number, 0) * 10 + (beta[j++].unicode() - '0');
            i = j - 1;
            const char sign = char(c.unicode());
            const auto found = std::find_if(std::begin(kNumbered), std::end(kNumbered),
                                            [&](const Numbered& k) { return k.sign == sign && k.number == number; });
            if (found != std::end(kNumbered))
                unicode += QChar(found->character);
            else if (sign == '"')
                unicode += QLatin1Char('"'); // a quotation mark of another style
            else
                ++dropped; // the macron %26, the breve %27, markup, a page's layout
            continue;
        }
        switch (c.unicode()) {
        case ':': unicode += QChar(0x00B7); break;      // ano teleia
        case '\'': unicode += QChar(0x1FBF); break;     // the apostrophe of elision: the layout's own
        case '_': unicode += QChar(0x2014); break;      // a dash
        case '?': ++dropped; break;                     // a dot below the letter: the layout has none
        default: unicode += c; break;
        }
    }
    return unicode.normalized(QString::NormalizationForm_C);
}

// Calls `segment(greek, text)` for each stretch of Greek (as Unicode) and
// Latin text (as it is), in order.
template <class Segment>
void segments(const QString& beta, int& dropped, Segment segment)
{
    bool greek = true;
    qsizetype start = 0;
    const qsizetype n = beta.size();
    auto flush = [&](qsizetype end) {
        if (end > start) {
            const QStringView piece = QStringView(beta).sliced(start, end - start);
            if (greek)
                segment(true, greekToUnicode(piece, dropped));
            else
                segment(false, piece.toString());
        }
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = beta[i];
        if (c != QLatin1Char('$') && c != QLatin1Char('&'))
            continue;
        flush(i);
        greek = c == QLatin1Char('$');
        // `$1`, `&3` ...: a style of Greek or Latin type, read as plain text of its kind.
        while (i + 1 < n && beta[i + 1].unicode() >= '0' && beta[i + 1].unicode() <= '9')
            ++i;
        start = i + 1;
    }
    flush(n);
}

// What decoding will see after a run's Beta Code: a small letter continues
// a word (sigma is medial before it), a digit would join a number to a code.
struct Following {
    bool letter = false;
    bool digit = false;
};

bool isAsciiLetter(QChar c) { return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')); }
bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The TLG's code for a sign that Beta Code would otherwise read as one of its own.
const char* escapeOf(char16_t c)
{
    switch (c) {
    case u'(': return "[1";
    case u')': return "]1";
    case u'{': return "[3";
    case u'}': return "]3";
    case u'⟨': return "[2";
    case u'⟩': return "]2";
    case u'⟦': return "[4";
    case u'⟧': return "]4";
    case u'?': return "%1";
    case u'*': return "%2";
    case u'/': return "%3";
    case u'|': return "%5";
    case u'=': return "%6";
    case u'+': return "%7";
    case u'%': return "%8";
    case u'&': return "%9";
    case u'†': return "%";
    default: return nullptr;
    }
}

// Signs without a code of the TLG that Beta Code's Greek would misread:
// written as Latin text, which is read as it is.
bool needsLatin(char16_t c)
{
    switch (c) {
    case u'\\':
    case u'#':
    case u'@':
    case u'<':
    case u'>':
    case u'_': return true;
    default: return c < 128 && isAsciiLetter(QChar(c));
    }
}

// The Unicode of one Greek run (NFD) as Beta Code, appended to `out`. True
// when it ends in Latin text: a sign written as Latin text at its end stays
// open when a number follows, which `$` would take for a style of type.
bool encodeGreek(const QString& unicode, Following after, QString& out, int& unwritable)
{
    const qsizetype n = unicode.size();
    auto marksEnd = [&](qsizetype k) {
        while (k < n && unicode[k].category() == QChar::Mark_NonSpacing)
            ++k;
        return k;
    };
    // A small letter follows (Beta Code's capital begins with `*`, no letter).
    auto letterAt = [&](qsizetype k) {
        if (k >= n)
            return after.letter;
        const QChar c = unicode[k];
        return c.isLower() && c.script() == QChar::Script_Greek;
    };
    auto digitAt = [&](qsizetype k) { return k >= n ? after.digit : isAsciiDigit(unicode[k]); };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = unicode[i];
        const qsizetype j = marksEnd(i + 1);
        const QStringView marks = QStringView(unicode).sliced(i + 1, j - i - 1);
        auto hasMark = [&](char16_t m) { return marks.contains(QChar(m)); };
        for (const QChar m : marks)
            if (!markFor(m.unicode()))
                ++unwritable; // a mark Beta Code has no sign for (a dot below): left out
        const char16_t lower = c.toLower().unicode();
        char letter = 0;
        for (const auto& l : kLetters)
            if (l.greek == lower)
                letter = l.beta;
        if (!c.isUpper() && (lower == u'ς' || lower == u'ϲ' || lower == u'σ')) {
            // Position decides where it can; a number where position would mislead.
            const bool letterFollows = letterAt(j);
            const bool digitFollows = digitAt(j);
            if (lower == u'ς')
                out += letterFollows || digitFollows ? QStringLiteral("S2") : QStringLiteral("S");
            else if (lower == u'ϲ')
                out += QStringLiteral("S3");
            else
                out += letterFollows ? QStringLiteral("S") : QStringLiteral("S1");
            for (const auto& m : kMarks)
                if (hasMark(m.combining))
                    out += QLatin1Char(m.beta);
            i = j - 1;
            continue;
        }
        if (letter && c.isUpper()) {
            out += QLatin1Char('*');
            for (const auto& m : kMarks)
                if (m.combining != 0x0345 && hasMark(m.combining))
                    out += QLatin1Char(markFor(m.combining));
            out += QLatin1Char(letter);
            if (hasMark(0x0345))
                out += QLatin1Char('|');
            i = j - 1;
            continue;
        }
        if (letter) {
            out += QLatin1Char(letter);
            for (const auto& m : kMarks)
                if (hasMark(m.combining))
                    out += QLatin1Char(m.beta);
            i = j - 1;
            continue;
        }
        // Not a letter: a spacing mark, punctuation, or a sign of the Latin half of the code table.
        bool spacing = false;
        const Spacing* own = spacingOf(c.unicode());
        if (own && !(c.unicode() == 0x1FBF && marks.isEmpty())) { // alone, the psili is the apostrophe
            // Its own marks and those its decomposition put after it: the
            // layout's spacing sign for all of them, if it has one.
            const QString all = combiningOf(own->marks) + marks.toString();
            const Spacing* sign = spacingFor(all);
            if (sign && ordered(all).size() == all.size()) {
                out += QLatin1Char('*') + QLatin1String(sign->marks);
                // Before a small letter, `*` and marks would read as a capital: an
                // empty stretch of Latin text parts them.
                if (letterAt(j))
                    out += QLatin1String("&$");
                spacing = true;
            }
        }
        if (spacing) {
            i = j - 1;
            continue;
        }
        const char16_t u = c.unicode();
        const bool digitNext = digitAt(i + 1);
        if (u == 0x00B7 || u == 0x0387)
            out += QLatin1Char(':');
        else if (u == 0x1FBF)
            out += QLatin1Char('\''); // the apostrophe of elision
        else if (u == 0x2014)
            out += QLatin1Char('_');
        else if (u == u'$')
            ++unwritable; // both of Beta Code's switches read it as one of their own
        else if (const auto numeral = std::find_if(std::begin(kNumbered), std::end(kNumbered),
                                                   [&](const Numbered& k) { return k.sign == '#' && k.character == u; });
                 numeral != std::end(kNumbered) && !digitNext) {
            out += QLatin1Char('#');
            if (numeral->number >= 0)
                out += QString::number(numeral->number);
        } else if (const char* escape = escapeOf(u); escape && !digitNext)
            out += QLatin1String(escape);
        else if (u == u'&')
            ++unwritable; // before a number: neither its code nor Latin text can hold it
        else if (escape || needsLatin(u) || ((u == u'[' || u == u']' || u == u'"') && digitNext)) {
            // As Latin text, with the digits after it: a number right after `$` would be read as a style of type.
            out += QLatin1Char('&') + c;
            while (i + 1 < n && isAsciiDigit(unicode[i + 1]))
                out += unicode[++i];
            if (i + 1 == n && after.digit)
                return true;
            out += QLatin1Char('$');
            continue;
        }
        else
            out += c;
        // Marks on a sign that is no letter stay combining characters: Beta
        // Code's marks after it would read as spacing marks of their own.
        if (j > i + 1) {
            unwritable -= int(std::count_if(marks.begin(), marks.end(), [](QChar m) { return !markFor(m.unicode()); }));
            out += marks.toString();
        }
        i = j - 1;
    }
    return false;
}

// The Greek letters and marks decomposed (letter, then its marks); other
// characters as they are, so that an Ä of the code table stays one sign.
QString nfdOf(QStringView codes)
{
    static const auto table = [] {
        std::array<QString, 0x0400 + 0x1000> t; // 0x0370-0x03FF, then 0x1F00-0x1FFF
        auto fill = [&](char16_t from, char16_t to, int at) {
            for (char16_t c = from; c <= to; ++c)
                t[at + c - from] = QString(QChar(c)).normalized(QString::NormalizationForm_D);
        };
        fill(0x0370, 0x03FF, 0);
        fill(0x1F00, 0x1FFF, 0x0400);
        return t;
    }();
    const QString nfc = unicodegreek::exportGreek(codes);
    QString out;
    out.reserve(nfc.size() * 2);
    for (const QChar c : nfc) {
        const char16_t u = c.unicode();
        if (u >= 0x0370 && u <= 0x03FF)
            out += table[u - 0x0370];
        else if (u >= 0x1F00)
            out += u <= 0x1FFF ? table[0x0400 + u - 0x1F00] : QString(c);
        else
            out += c;
    }
    return out;
}

// Latin text that reads the same in Beta Code's Greek: written there without switching.
bool isNeutral(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || isAsciiDigit(c) || c == QLatin1Char('.') || c == QLatin1Char(',')
        || c == QLatin1Char('-') || c == QLatin1Char('!');
}

// What goes into the font "Greek" when read as Greek: its letters and marks,
// and what its code shows as itself there (a space, a digit, a bracket).
bool showsInGreek(QChar c)
{
    if (unicodegreek::isGreek(c) || c.category() == QChar::Mark_NonSpacing || c == QLatin1Char('\n') || c.unicode() == 0x00B7)
        return true;
    const std::optional<unsigned char> code = codepage::toCode(c);
    return code && *code >= 32 && !greeklayout::unicodeOf(*code);
}

bool isGreekRun(const styled::Run& run) { return run.format.font.compare(QLatin1String(styled::kDefaultFont), Qt::CaseInsensitive) == 0; }

} // namespace

Decoded decode(const QString& beta)
{
    Decoded out;
    segments(beta, out.dropped, [&](bool greek, QString text) {
        if (!greek) {
            out.codes += text;
            return;
        }
        const unicodegreek::Imported imported = unicodegreek::importGreek(text);
        out.codes += imported.codes;
        out.uncoded += imported.unmapped;
    });
    return out;
}

ImportNotes DecodedDocument::notes() const
{
    ImportNotes n;
    n.betaSigns = dropped;
    n.uncodedGreek = uncoded;
    return n;
}

DecodedDocument toDocument(const QString& beta, const styled::CharFormat& greek, const styled::CharFormat& latin, int alignment)
{
    DecodedDocument out;
    styled::DocumentBuilder builder;
    segments(styled::paragraphBreaks(beta), out.dropped, [&](bool isGreek, QString text) {
        if (!isGreek) {
            builder.append(text, latin);
            return;
        }
        // The Greek and what the font "Greek" shows as itself (a space, a
        // digit, a parenthesis) go into "Greek"; a sign whose code shows a
        // Greek letter there (the crux) or that has no code goes into the
        // Latin font.
        qsizetype from = 0;
        const qsizetype n = text.size();
        while (from < n) {
            qsizetype to = from;
            const bool inGreek = showsInGreek(text[from]);
            while (to < n && showsInGreek(text[to]) == inGreek)
                ++to;
            const QStringView piece = QStringView(text).sliced(from, to - from);
            if (!inGreek) {
                builder.append(piece.toString(), latin);
            } else {
                const unicodegreek::Imported imported = unicodegreek::importGreek(piece);
                // A Greek letter without a code stays Unicode, in the Latin font as a paste leaves it.
                qsizetype a = 0;
                const QString& codes = imported.codes;
                for (qsizetype i = 1; i <= codes.size(); ++i) {
                    const bool coded = codepage::toCode(codes[i - 1]).has_value();
                    if (i < codes.size() && codepage::toCode(codes[i]).has_value() == coded)
                        continue;
                    builder.append(codes.mid(a, i - a), coded ? greek : latin);
                    a = i;
                }
            }
            from = to;
        }
    });
    // Greek Unicode in the Latin text is Greek as a paste's is; what has no code is counted here, once.
    unicodegreek::ImportedDocument imported = unicodegreek::importDocument(builder.take());
    out.document = std::move(imported.document);
    out.uncoded = imported.unmapped;
    for (styled::Paragraph& p : out.document.paragraphs)
        p.alignment = alignment;
    return out;
}

QString encode(const QString& codes)
{
    QString out;
    int unwritable = 0;
    encodeGreek(nfdOf(codes), {}, out, unwritable);
    return out;
}

Encoded fromDocument(const styled::Document& source, LatinText latin)
{
    // Greek Unicode in any font is Greek as much as the font's codes are.
    styled::Document document = unicodegreek::importDocument(source).document;
    document.normalize();
    Encoded out;
    bool greekMode = true; // Beta Code begins in Greek
    const bool switched = latin == LatinText::Switched;
    for (qsizetype p = 0; p < document.paragraphs.size(); ++p) {
        const QList<styled::Run>& runs = document.paragraphs[p].runs;
        if (p > 0) {
            // A line that begins in Greek has its switch at the end of the line before, as the corpora write it.
            if (!greekMode && switched && !runs.isEmpty() && isGreekRun(runs.first())) {
                out.text += QLatin1Char('$');
                greekMode = true;
            }
            out.text += QLatin1Char('\n');
        }
        for (qsizetype r = 0; r < runs.size(); ++r) {
            // The first character the next run writes, if it writes it as it is.
            QChar first;
            bool nextGreek = false;
            if (r + 1 < runs.size() && !runs[r + 1].text.isEmpty()) {
                nextGreek = isGreekRun(runs[r + 1]);
                first = nextGreek ? nfdOf(QStringView(runs[r + 1].text).first(std::min<qsizetype>(2, runs[r + 1].text.size())))[0]
                                  : runs[r + 1].text[0];
            }
            // What decoding sees after this run's last character, when `c` is the next one written.
            auto following = [&](QChar c) -> Following {
                if (c.isNull())
                    return {};
                if (c.script() == QChar::Script_Greek)
                    return {c.isLower(), false}; // written as Greek in either run
                if (!switched || isNeutral(c))
                    return {!switched && isAsciiLetter(c), isAsciiDigit(c)};
                return {}; // after a switch
            };
            if (isGreekRun(runs[r])) {
                const Following after = following(first);
                QStringView codes(runs[r].text);
                if (!greekMode) {
                    // Digits right after `$` would read as a style of type: they stay on the Latin side.
                    while (!codes.isEmpty() && isAsciiDigit(codes.front())) {
                        out.text += codes.front();
                        codes = codes.sliced(1);
                    }
                    if (codes.isEmpty())
                        continue;
                    out.text += QLatin1Char('$');
                    greekMode = true;
                }
                greekMode = !encodeGreek(nfdOf(codes), after, out.text, out.unwritable);
                continue;
            }
            const QString& text = runs[r].text;
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text[i];
                if (unicodegreek::isGreek(c)) {
                    // Greek without a code (a digamma) is Greek all the same.
                    qsizetype end = i + 1;
                    while (end < text.size() && (unicodegreek::isGreek(text[end]) || text[end].category() == QChar::Mark_NonSpacing))
                        ++end;
                    if (!greekMode && switched)
                        out.text += QLatin1Char('$');
                    greekMode = true;
                    greekMode = !encodeGreek(nfdOf(QStringView(text).sliced(i, end - i)), following(end < text.size() ? text[end] : first),
                                             out.text, out.unwritable);
                    i = end - 1;
                    continue;
                }
                if (!switched) {
                    out.text += c; // for the clipboard: the rest as it is
                    continue;
                }
                const bool digitNext = i + 1 < text.size() ? isAsciiDigit(text[i + 1]) : isAsciiDigit(first);
                if (c == QLatin1Char('$') || (c == QLatin1Char('&') && digitNext)) {
                    ++out.unwritable; // the switches themselves have no other form
                } else if (c == QLatin1Char('&')) {
                    if (!greekMode)
                        out.text += QLatin1Char('$');
                    greekMode = true;
                    out.text += QLatin1String("%9");
                } else if (isNeutral(c)) {
                    out.text += c;
                } else {
                    if (greekMode)
                        out.text += QLatin1Char('&');
                    greekMode = false;
                    out.text += c;
                }
            }
        }
    }
    return out;
}

} // namespace betacode
