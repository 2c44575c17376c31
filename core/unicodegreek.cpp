#include "unicodegreek.h"

#include <algorithm>

#include "codepage.h"
#include "greeklayout.h"

#include <array>
#include <memory>

namespace unicodegreek {

namespace {

// The codes the capital rule writes before a capital: spacing breathings,
// alone or with an accent.
bool isCapitalMark(unsigned char code)
{
    return code == 96 || code == 39 || (code >= 145 && code <= 150);
}

bool isBreathingCapital(unsigned char code)
{
    switch (code) {
    case 'A': case 'E': case 'H': case 'I': case 'O': case 'R': case 'U': case 'W': return true;
    default: return false;
    }
}

// The combining marks a spacing mark stands for (U+1FDE: U+0314 U+0301).
QString combiningOf(char16_t spacing)
{
    QString marks = QString(QChar(spacing)).normalized(QString::NormalizationForm_KD);
    marks.remove(QLatin1Char(' '));
    return marks;
}

struct Tables {
    std::array<QString, 256> exported;          // code to its Unicode form
    std::array<char16_t, 256> single{};         // the same as one character
    std::array<QString, 256> marks;             // capital-mark code to its combining marks
    std::unique_ptr<std::array<short, 65536>> code; // NFC character to code, -1 for none
    Tables()
        : code(std::make_unique<std::array<short, 65536>>())
    {
        code->fill(-1);
        for (int c = 0; c < 256; ++c) {
            const auto u = greeklayout::unicodeOf(uchar(c));
            if (!u) {
                exported[std::size_t(c)] = QString(codepage::toChar(uchar(c)));
                single[std::size_t(c)] = codepage::toChar(uchar(c)).unicode();
                continue;
            }
            const QString nfc = QString(QChar(*u)).normalized(QString::NormalizationForm_C);
            exported[std::size_t(c)] = nfc;
            single[std::size_t(c)] = nfc.size() == 1 ? nfc[0].unicode() : 0;
            if (nfc.size() == 1)
                (*code)[nfc[0].unicode()] = short(c);
            (*code)[*u] = short(c);
            if (isCapitalMark(uchar(c)))
                marks[std::size_t(c)] = combiningOf(*u);
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

bool isCombining(QChar ch) { return ch.category() == QChar::Mark_NonSpacing; }

} // namespace

std::optional<unsigned char> approximationOf(QChar ch)
{
    if (ch.unicode() == 0x1FBD) // the koronis, also the mark of elision: the smooth breathing mark
        return 39;
    return std::nullopt;
}

bool isCapitalWithMarks(QChar mark, QChar capital)
{
    const auto m = codepage::toCode(mark);
    const auto c = codepage::toCode(capital);
    return m && c && isCapitalMark(*m) && isBreathingCapital(*c);
}

bool isGreek(QChar ch)
{
    const char16_t u = ch.unicode();
    return (u >= 0x0370 && u <= 0x03FF) || (u >= 0x1F00 && u <= 0x1FFF);
}

QString exportGreek(QStringView codes)
{
    const Tables& t = tables();
    // Written straight into the result: a capital with marks may take three
    // characters for two codes, nothing takes more.
    QString out(codes.size() * 3 / 2 + 2, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const auto code = codepage::toCode(codes[i]);
        if (!code) {
            *o++ = codes[i].unicode(); // no 8-bit code: as it is
            continue;
        }
        if (i + 1 < codes.size() && isCapitalWithMarks(codes[i], codes[i + 1])) {
            const auto next = codepage::toCode(codes[i + 1]);
            {
                // The capital with its marks, composed where Unicode has the letter
                // (normalising only this letter: Qt's normalisation of a long text is slow).
                const QString letter = (t.exported[*next] + t.marks[*code]).normalized(QString::NormalizationForm_C);
                for (QChar ch : letter)
                    *o++ = ch.unicode();
                ++i;
                continue;
            }
        }
        if (const char16_t u = t.single[*code]) {
            *o++ = u;
        } else {
            for (QChar ch : t.exported[*code])
                *o++ = ch.unicode();
        }
    }
    out.truncate(o - reinterpret_cast<const char16_t*>(out.constData()));
    return out; // each piece is NFC and none begins with a combining mark
}

Imported importGreek(QStringView unicode)
{
    const Tables& t = tables();
    Imported r;
    r.codes.reserve(unicode.size());
    auto unmapped = [&](qsizetype at, QStringView cluster) {
        if (r.unmapped++ == 0)
            r.firstUnmapped = int(at);
        r.codes += cluster;
    };
    for (qsizetype i = 0; i < unicode.size();) {
        const QChar ch = unicode[i];
        // The common case first: a character of the table with no mark after it.
        const short direct = (*t.code)[ch.unicode()];
        if (direct >= 0 && (i + 1 == unicode.size() || unicode[i + 1].unicode() < 0x0300 || !isCombining(unicode[i + 1]))) {
            r.codes += codepage::toChar(uchar(direct));
            ++i;
            continue;
        }
        if (const auto near = approximationOf(ch)) {
            if (r.approximated++ == 0)
                r.firstApproximated = int(i);
            r.codes += codepage::toChar(*near);
            ++i;
            continue;
        }
        // The middle dot is the ano teleia's NFC form.
        if (!isGreek(ch) && ch.unicode() != 0x00B7) {
            r.codes += ch; // not Greek: as it is
            ++i;
            continue;
        }
        // A Greek letter with the combining marks after it, as one letter if Unicode has it.
        qsizetype end = i + 1;
        while (end < unicode.size() && isCombining(unicode[end]))
            ++end;
        const QStringView cluster = unicode.mid(i, end - i);
        // Not found as it stands (an oxia, combining marks): found after NFC.
        const QString nfc = cluster.toString().normalized(QString::NormalizationForm_C);
        if (nfc.size() == 1 && (*t.code)[nfc[0].unicode()] >= 0) {
            r.codes += codepage::toChar(uchar((*t.code)[nfc[0].unicode()]));
            i = end;
            continue;
        }
        // A capital with breathing (and accent): the mark's code, then the capital.
        const QString nfd = nfc.normalized(QString::NormalizationForm_D);
        bool done = false;
        if (nfd.size() >= 2) {
            const short capital = (*t.code)[nfd[0].unicode()];
            const QStringView marks = QStringView(nfd).mid(1);
            if (capital >= 0 && isBreathingCapital(uchar(capital))) {
                for (int c = 0; c < 256 && !done; ++c) {
                    if (!t.marks[std::size_t(c)].isEmpty() && t.marks[std::size_t(c)] == marks) {
                        r.codes += codepage::toChar(uchar(c));
                        r.codes += codepage::toChar(uchar(capital));
                        done = true;
                    }
                }
            }
        }
        if (!done)
            unmapped(i, nfc);
        i = end;
    }
    return r;
}

namespace {

// What reads the same in "Greek" as in a Latin font: a space, a comma, a
// full stop, a digit (no letter, and the layout has no Greek glyph at its code).
bool isNeutral(QChar ch)
{
    if (ch.unicode() < 0x20 || ch.unicode() > 0x7E || ch.isLetter())
        return false;
    return !greeklayout::unicodeOf(uchar(ch.unicode())); // no Greek glyph at its code
}

constexpr char16_t kMiddleDot = 0x00B7; // the ano teleia in its NFC form

// Where the Greek that starts at `start` ends: its letters and combining
// marks, a middle dot right after a letter (the ano teleia, as Unicode
// normalises it), spaces and punctuation between two Greek words and the
// punctuation right after the last, which belong to the Greek as they do
// when it is typed.
qsizetype greekEnd(const QString& text, qsizetype start)
{
    const qsizetype n = text.size();
    qsizetype end = start + 1;
    for (;;) {
        while (end < n && (isGreek(text[end]) || text[end].category() == QChar::Mark_NonSpacing))
            ++end;
        if (end < n && text[end].unicode() == kMiddleDot) {
            ++end;
            continue;
        }
        qsizetype k = end;
        while (k < n && isNeutral(text[k]))
            ++k;
        if (k > end && k < n && isGreek(text[k])) {
            end = k;
            continue;
        }
        // Punctuation right after the last word ends its sentence: "τίς;" asks in Greek.
        while (end < n && isNeutral(text[end]) && text[end].isPunct())
            ++end;
        return end;
    }
}

qsizetype nonGreekEnd(const QString& text, qsizetype start)
{
    qsizetype end = start + 1;
    while (end < text.size() && !isGreek(text[end]))
        ++end;
    return end;
}

} // namespace

ImportedDocument importDocument(styled::Document document)
{
    ImportedDocument out;
    out.document = std::move(document);
    const QString greekFont = QString::fromLatin1(styled::kDefaultFont);
    int position = 1;
    auto add = [](QList<styled::Run>& runs, QStringView text, const styled::CharFormat& f) {
        if (text.isEmpty())
            return;
        if (!runs.isEmpty() && runs.last().format == f)
            runs.last().text += text;
        else
            runs.append({text.toString(), f});
    };
    for (styled::Paragraph& p : out.document.paragraphs) {
        QList<styled::Run> runs;
        for (const styled::Run& run : p.runs) {
            // Cut the run where Greek begins and ends; the Greek pieces go into "Greek".
            qsizetype start = 0;
            while (start < run.text.size()) {
                const bool greek = isGreek(run.text[start]);
                const qsizetype end = greek ? greekEnd(run.text, start) : nonGreekEnd(run.text, start);
                const QStringView piece = QStringView(run.text).mid(start, end - start);
                if (greek) {
                    const Imported imported = importGreek(piece);
                    out.unmapped += imported.unmapped;
                    if (imported.approximated > 0 && out.approximated == 0) {
                        out.firstApproximated = position + int(start) + imported.firstApproximated;
                        out.firstApproximatedCharacter = piece[imported.firstApproximated];
                    }
                    out.approximated += imported.approximated;
                    styled::CharFormat inGreek = run.format;
                    inGreek.font = greekFont;
                    // The codes go into "Greek"; what found no code stays in
                    // its own font. Stretches of either go in whole.
                    const QStringView codes(imported.codes);
                    qsizetype from = 0;
                    for (qsizetype i = 1; i <= codes.size(); ++i) {
                        const bool coded = codepage::toCode(codes[i - 1]).has_value();
                        if (i < codes.size() && codepage::toCode(codes[i]).has_value() == coded)
                            continue;
                        add(runs, codes.mid(from, i - from), coded ? inGreek : run.format);
                        from = i;
                    }
                } else {
                    add(runs, piece, run.format);
                }
                start = end;
            }
            position += int(run.text.size());
        }
        // No room kept for growing: a large document is held once, as it is.
        for (styled::Run& r : runs)
            r.text.squeeze();
        runs.squeeze();
        p.runs = std::move(runs);
        ++position;
    }
    out.document.normalize();
    return out;
}

QString exportPlainText(const styled::Document& document)
{
    QString out;
    const QString greekFont = QString::fromLatin1(styled::kDefaultFont);
    for (qsizetype i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            out += QLatin1Char('\n');
        for (const styled::Run& run : document.paragraphs[i].runs)
            out += run.format.font == greekFont ? exportGreek(run.text) : run.text;
    }
    return out;
}

int Readable::positionOf(int offset) const
{
    if (offsets.empty())
        return 0;
    offset = std::clamp(offset, 0, offsets.back());
    auto it = std::upper_bound(offsets.begin(), offsets.end(), offset);
    int position = int(it - offsets.begin()) - 1;
    while (position > 0 && offsets[std::size_t(position) - 1] == offsets[std::size_t(position)])
        --position; // the capital's marks come first
    return std::clamp(position, 0, positions());
}

int Readable::endOfPiece(int position) const
{
    const int n = positions();
    position = std::clamp(position, 0, n);
    int end = position + 1;
    while (end < n && offsets[std::size_t(end)] == offsets[std::size_t(position)])
        ++end;
    return std::min(end, n);
}

void Readable::replace(int from, int to, const Readable& piece)
{
    Q_ASSERT(0 <= from && from <= to && to <= positions());
    const int textFrom = offsets[std::size_t(from)];
    const int textTo = offsets[std::size_t(to)];
    const int delta = int(piece.text.size()) - (textTo - textFrom);
    text.replace(textFrom, textTo - textFrom, piece.text);
    for (auto it = offsets.begin() + to; it != offsets.end(); ++it)
        *it += delta;
    // The piece's own offsets (its last is the end, the first offset behind it).
    std::vector<int> placed(piece.offsets.begin(), piece.offsets.end() - 1);
    for (int& o : placed)
        o += textFrom;
    offsets.erase(offsets.begin() + from, offsets.begin() + to);
    offsets.insert(offsets.begin() + from, placed.begin(), placed.end());
}

Readable readable(QStringView codes, const std::vector<unsigned char>& greek)
{
    Q_ASSERT(greek.size() >= std::size_t(codes.size()));
    // The Unicode of each single code, made once.
    static const std::vector<QString> single = [] {
        std::vector<QString> out(256);
        for (int c = 0; c < 256; ++c) {
            const QChar ch = codepage::toChar(uchar(c));
            out[std::size_t(c)] = exportGreek(QStringView(&ch, 1));
        }
        return out;
    }();
    Readable r;
    const qsizetype n = codes.size();
    r.offsets.resize(std::size_t(n) + 1);
    r.text.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        r.offsets[std::size_t(i)] = int(r.text.size());
        const QChar ch = codes[i];
        if (ch == QChar::ParagraphSeparator) {
            r.text += QLatin1Char('\n');
            continue;
        }
        if (!greek[std::size_t(i)]) {
            r.text += ch;
            continue;
        }
        if (i + 1 < n && greek[std::size_t(i) + 1] && isCapitalWithMarks(ch, codes[i + 1])) {
            r.text += exportGreek(codes.mid(i, 2));
            r.offsets[std::size_t(i) + 1] = r.offsets[std::size_t(i)];
            ++i;
            continue;
        }
        const auto code = codepage::toCode(ch);
        if (code)
            r.text += single[*code];
        else
            r.text += ch;
    }
    r.offsets[std::size_t(n)] = int(r.text.size());
    return r;
}

} // namespace unicodegreek
