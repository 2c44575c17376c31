#include "rtfwriter.h"

#include "codepage.h"
#include "greeklayout.h"
#include "unicodegreek.h"

#include <QHash>
#include <QIODevice>

namespace rtf {

namespace {

const char kHex[] = "0123456789abcdef";

void hexByte(QByteArray& out, unsigned char b)
{
    out += "\\'";
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

void unicode(QByteArray& out, char16_t u)
{
    out += "\\u";
    out += QByteArray::number(u > 32767 ? int(u) - 65536 : int(u));
}

// Font names go into the table as 8-bit text; the characters RTF gives a
// meaning are escaped.
QByteArray fontNameBytes(const QString& name)
{
    QByteArray out;
    for (QChar ch : name) {
        const auto code = codepage::toCode(ch);
        if (!code || *code == ';')
            continue;
        if (*code == '\\' || *code == '{' || *code == '}')
            out += '\\';
        if (*code >= 128 || *code < 32)
            hexByte(out, *code);
        else
            out += char(*code);
    }
    return out;
}

class Writer {
public:
    // Without a device the whole text stays in body().
    explicit Writer(QIODevice* out = nullptr)
        : m_out(out)
    {
    }
    bool run(const styled::Document& d);
    QByteArray& body() { return m_body; }

private:
    int fontIndex(const QString& name);
    void runFormat(const styled::CharFormat& f, int font);
    void text(const QString& s, bool greekFont);

    void flush(bool force = false);

    QIODevice* m_out;
    bool m_ok = true;
    bool m_afterSpace = false; // the last character written was a space
    QHash<QString, int> m_fonts;
    QStringList m_fontOrder;
    QByteArray m_body;
};

int Writer::fontIndex(const QString& name)
{
    const auto it = m_fonts.constFind(name);
    if (it != m_fonts.constEnd())
        return *it;
    const int index = int(m_fontOrder.size());
    m_fonts.insert(name, index);
    m_fontOrder << name;
    return index;
}

void Writer::runFormat(const styled::CharFormat& f, int font)
{
    m_body += "\\plain\\f";
    m_body += QByteArray::number(font);
    m_body += "\\fs";
    m_body += QByteArray::number(qint64(std::max(f.size, 1)) * 2);
    if (f.style & styled::Bold)
        m_body += "\\b";
    if (f.style & styled::Italic)
        m_body += "\\i";
    if (f.style & styled::Underline)
        m_body += "\\ul";
    if (f.style & styled::StrikeOut)
        m_body += "\\strike";
    m_body += ' ';
}

// The codes Windows-1252 leaves open.
bool isOpenCode(unsigned char b) { return b == 129 || b == 141 || b == 143 || b == 144 || b == 157; }

void Writer::text(const QString& s, bool greekFont)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar ch = s[i];
        const char16_t u = ch.unicode();
        const bool afterSpace = m_afterSpace;
        m_afterSpace = ch == QLatin1Char(' ');
        const auto code = codepage::toCode(ch);
        if (!code) {
            unicode(m_body, u);
            m_body += '?';
            continue;
        }
        if (greekFont && i + 1 < s.size() && unicodegreek::isCapitalWithMarks(ch, s[i + 1])) {
            // One letter for Unicode readers, its two codes as the fallback for
            // 8-bit ones; where Unicode composes it only with combining marks,
            // these follow without a fallback of their own.
            const QString letter = unicodegreek::exportGreek(QStringView(s).mid(i, 2));
            m_body += "\\uc2";
            unicode(m_body, letter[0].unicode());
            hexByte(m_body, *code);
            hexByte(m_body, *codepage::toCode(s[i + 1]));
            if (letter.size() > 1) {
                m_body += "\\uc0";
                for (qsizetype k = 1; k < letter.size(); ++k)
                    unicode(m_body, letter[k].unicode());
            }
            m_body += "\\uc1 ";
            ++i;
            continue;
        }
        if (greekFont) {
            if (const auto greek = greeklayout::unicodeOf(*code)) {
                unicode(m_body, *greek);
                hexByte(m_body, *code);
                continue;
            }
        }
        if (isOpenCode(*code)) {
            // No character of Windows-1252 (and in "Greek" no glyph): readers take it as what it is.
            unicode(m_body, u);
            m_body += "\\'3f";
            continue;
        }
        const unsigned char b = *code;
        // LibreOffice reads a run of spaces as spaces and six-per-em spaces
        // by turns: a space after a space goes as \u32 with its byte.
        if (b == ' ' && afterSpace) {
            m_body += "\\u32\\'20";
            continue;
        }
        if (b == '\\' || b == '{' || b == '}') {
            m_body += '\\';
            m_body += char(b);
        } else if (b == '\t') {
            m_body += "\\tab ";
        } else if (b >= 128 || b < 32) {
            hexByte(m_body, b);
        } else {
            m_body += char(b);
        }
    }
}

void Writer::flush(bool force)
{
    if (!m_out || (!force && m_body.size() < (1 << 16)))
        return;
    if (m_ok && m_out->write(m_body) != m_body.size())
        m_ok = false;
    m_body.clear();
}

bool Writer::run(const styled::Document& d)
{
    // The font table comes first: every font is known before the text is written.
    fontIndex(QString::fromLatin1(styled::kDefaultFont)); // \deff0
    for (const styled::Paragraph& p : d.paragraphs)
        for (const styled::Run& r : p.runs)
            fontIndex(r.format.font);
    m_body.reserve(m_out ? (1 << 16) + 4096 : d.length() * 2 + 1024);
    m_body += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
    for (qsizetype i = 0; i < m_fontOrder.size(); ++i) {
        m_body += "{\\f";
        m_body += QByteArray::number(i);
        m_body += "\\fnil\\fcharset0 ";
        m_body += fontNameBytes(m_fontOrder[i]);
        m_body += ";}";
    }
    m_body += "}\r\n";
    // The page the print uses: A4, the text 12.1 mm from the left and top
    // edges in the 706-pixel column of the fixed width, 10 mm above the
    // bottom. Without it word processors lay the text out on US Letter.
    m_body += "\\paperw11906\\paperh16838\\margl686\\margr630\\margt686\\margb567\r\n";
    for (const styled::Paragraph& p : d.paragraphs) {
        m_afterSpace = false;
        m_body += "\\pard";
        m_body += p.alignment == styled::AlignRight ? "\\qr" : p.alignment == styled::AlignCentre ? "\\qc" : "\\ql";
        // An empty paragraph keeps the editor's own font and size.
        if (p.runs.isEmpty())
            runFormat(styled::CharFormat(), 0);
        for (const styled::Run& r : p.runs) {
            runFormat(r.format, fontIndex(r.format.font));
            text(r.text, r.format.font == QLatin1String(styled::kDefaultFont));
            flush();
        }
        m_body += "\\par\r\n";
        flush();
    }
    m_body += "}\r\n";
    flush(true);
    return m_ok;
}

} // namespace

QByteArray write(const styled::Document& document)
{
    Writer w;
    w.run(document);
    return std::move(w.body());
}

bool write(const styled::Document& document, QIODevice& out) { return Writer(&out).run(document); }

} // namespace rtf
