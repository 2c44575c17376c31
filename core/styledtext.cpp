#include "styledtext.h"

#include <QStringList>

namespace styled {

QString paragraphBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (QChar& ch : text) {
        if (ch == QLatin1Char('\r') || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator)
            ch = QLatin1Char('\n');
    }
    return text;
}

int replaceLoneSurrogates(QString& text)
{
    int replaced = 0;
    const qsizetype n = text.size();
    const QChar* d = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (!d[i].isSurrogate())
            continue;
        if (d[i].isHighSurrogate() && i + 1 < n && d[i + 1].isLowSurrogate()) {
            ++i; // a pair: one character beyond the 16-bit range
            continue;
        }
        text[i] = QChar::ReplacementCharacter; // detaches once; d is the new data from here
        d = text.constData();
        ++replaced;
    }
    return replaced;
}

int Paragraph::length() const
{
    int n = 0;
    for (const Run& r : runs)
        n += int(r.text.size());
    return n;
}

Document::Document()
    : paragraphs(1)
{
}

int Document::length() const
{
    Q_ASSERT(!paragraphs.isEmpty()); // a document always has a paragraph, an empty one at least
    int n = int(paragraphs.size()) - 1;
    for (const Paragraph& p : paragraphs)
        n += p.length();
    return n;
}

QString Document::plainText() const
{
    Q_ASSERT(!paragraphs.isEmpty());
    QString s;
    s.reserve(length());
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            s += QLatin1Char('\n');
        for (const Run& r : paragraphs[i].runs)
            s += r.text;
    }
    return s;
}

void Document::normalize()
{
    if (paragraphs.isEmpty())
        paragraphs.resize(1);
    for (Paragraph& p : paragraphs) {
        QList<Run> merged;
        merged.reserve(p.runs.size());
        for (Run& r : p.runs) {
            if (r.text.isEmpty())
                continue;
            if (!merged.isEmpty() && merged.last().format == r.format)
                merged.last().text += r.text;
            else
                merged.append(std::move(r));
        }
        p.runs = std::move(merged);
    }
}

QString Document::describe() const
{
    QStringList out;
    for (const Paragraph& p : paragraphs) {
        QStringList runs;
        for (const Run& r : p.runs)
            runs << QStringLiteral("[%1 %2 %3]\"%4\"").arg(r.format.font).arg(r.format.size).arg(r.format.style).arg(r.text);
        out << QStringLiteral("align %1: %2").arg(p.alignment).arg(runs.join(QLatin1Char(' ')));
    }
    return out.join(QLatin1String(" | "));
}

Document Document::fromPlainText(const QString& text, const CharFormat& format, int alignment)
{
    DocumentBuilder b;
    b.setAlignment(alignment);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QLatin1Char('\n'))
            continue;
        b.append(text.mid(start, i - start), format);
        if (i < text.size())
            b.breakParagraph(); // keeps the alignment
        start = i + 1;
    }
    return b.take();
}

// --- builder --------------------------------------------------------------------

void DocumentBuilder::appendPlain(QStringView text, const CharFormat& format)
{
    if (text.isEmpty())
        return;
    QList<Run>& runs = m_doc.paragraphs.last().runs;
    if (!runs.isEmpty() && runs.last().format == format)
        runs.last().text += text;
    else
        runs.append({text.toString(), format});
}

void DocumentBuilder::append(const QString& text, const CharFormat& format)
{
    qsizetype start = 0;
    for (qsizetype i = text.indexOf(QLatin1Char('\n')); i >= 0; i = text.indexOf(QLatin1Char('\n'), start)) {
        appendPlain(QStringView(text).mid(start, i - start), format);
        breakParagraph();
        start = i + 1;
    }
    appendPlain(QStringView(text).mid(start), format);
}

void DocumentBuilder::appendChar(QChar ch, const CharFormat& format)
{
    if (ch == QLatin1Char('\n'))
        breakParagraph();
    else
        appendPlain(QStringView(&ch, 1), format);
}

void DocumentBuilder::breakParagraph()
{
    // A new paragraph starts with the alignment of the one before it, as
    // Return does in the editor; readers set their own.
    Paragraph next;
    next.alignment = m_doc.paragraphs.last().alignment;
    m_doc.paragraphs.append(std::move(next));
}

void DocumentBuilder::setAlignment(int alignment) { m_doc.paragraphs.last().alignment = alignment; }

int DocumentBuilder::alignment() const { return m_doc.paragraphs.last().alignment; }

bool DocumentBuilder::atParagraphStart() const { return m_doc.paragraphs.last().runs.isEmpty(); }

Document DocumentBuilder::take()
{
    for (Paragraph& p : m_doc.paragraphs)
        for (Run& r : p.runs)
            replaceLoneSurrogates(r.text);
    Document d = std::move(m_doc);
    m_doc = Document();
    return d;
}

} // namespace styled
