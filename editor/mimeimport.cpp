#include "mimeimport.h"

#include "betacode.h"

#include "qtformat.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "unicodegreek.h"

#include <QFont>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <QUrl>

namespace mimeimport {

namespace {

class Reducer {
public:
    explicit Reducer(const FormatReader& format)
        : m_format(format)
    {
    }

    void frame(QTextFrame* frame)
    {
        QList<QTextFrame::iterator> items;
        for (auto it = frame->begin(); !it.atEnd(); ++it)
            items.append(it);
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (QTextFrame* child = items[i].currentFrame()) {
                if (auto* table = qobject_cast<QTextTable*>(child))
                    this->table(table);
                else
                    this->frame(child);
                continue;
            }
            // Qt keeps an empty paragraph on either side of a frame; it is no text.
            const QTextBlock block = items[i].currentBlock();
            const bool besideFrame = (i > 0 && items[i - 1].currentFrame())
                || (i + 1 < items.size() && items[i + 1].currentFrame());
            if (block.length() == 1 && besideFrame)
                continue;
            paragraph();
            blockText(block);
        }
    }

    styled::Document take() { return m_out.take(); }

private:
    // Each block of the source starts a paragraph of its own, the first one excepted.
    void paragraph()
    {
        if (m_started)
            m_out.breakParagraph();
        m_started = true;
        m_out.setAlignment(styled::AlignLeft);
    }

    void blockText(const QTextBlock& block)
    {
        m_out.setAlignment(qtformat::alignmentOf(block.blockFormat()));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || f.charFormat().isImageFormat())
                continue;
            const styled::CharFormat format = m_format(f.charFormat());
            for (QChar ch : f.text()) {
                if (ch == QChar::ObjectReplacementCharacter)
                    continue; // an image or another object
                if (ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator || ch == QLatin1Char('\n')) {
                    m_out.breakParagraph();
                    continue;
                }
                m_out.appendChar(ch, format);
            }
        }
    }

    void table(QTextTable* table)
    {
        for (int row = 0; row < table->rows(); ++row) {
            paragraph();
            for (int col = 0; col < table->columns(); ++col) {
                const QTextTableCell cell = table->cellAt(row, col);
                // A cell spanning columns is written once, where it starts.
                if (cell.column() != col || cell.row() != row) {
                    if (col > 0)
                        m_out.appendChar(QLatin1Char('\t'), m_last);
                    continue;
                }
                if (col > 0)
                    m_out.appendChar(QLatin1Char('\t'), m_last);
                bool first = true;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    const QTextBlock b = it.currentBlock();
                    if (!b.isValid())
                        continue; // a nested frame: its text is the cell's blocks
                    if (!first)
                        m_out.appendChar(QLatin1Char(' '), m_last);
                    first = false;
                    cellText(b);
                }
            }
        }
    }

    // Cell text stays on the row's line: breaks inside a cell become spaces.
    void cellText(const QTextBlock& block)
    {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || f.charFormat().isImageFormat())
                continue;
            m_last = m_format(f.charFormat());
            for (QChar ch : f.text()) {
                if (ch == QChar::ObjectReplacementCharacter)
                    continue;
                const bool brk = ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator || ch == QLatin1Char('\n');
                m_out.appendChar(brk ? QChar(QLatin1Char(' ')) : ch, m_last);
            }
        }
    }

    const FormatReader& m_format;
    styled::DocumentBuilder m_out;
    styled::CharFormat m_last;
    bool m_started = false;
};

} // namespace

styled::Document reduce(const QTextDocument& doc, const FormatReader& format)
{
    Reducer r(format);
    r.frame(doc.rootFrame());
    styled::Document out = r.take();
    out.normalize();
    return out;
}

bool hasRichText(const QMimeData* source)
{
    return source && source->hasHtml() && !source->html().trimmed().isEmpty();
}

styled::Document reduceRich(const QMimeData* source, const QFont& base, const FormatReader& format)
{
    QTextDocument doc;
    doc.setDefaultFont(base);
    doc.setHtml(source->html());
    return reduce(doc, format);
}

styled::Document fromPlainText(const QString& text, const Place& place)
{
    return unicodegreek::importDocument(styled::Document::fromPlainText(styled::paragraphBreaks(text), place.format, place.alignment))
        .document;
}

std::optional<styled::Document> fromMime(const QMimeData* source, const Place& place)
{
    if (!source)
        return std::nullopt;
    // Our own form first: it comes back exactly as it was copied.
    const QString own = QString::fromLatin1(kOwnMimeType);
    if (source->hasFormat(own)) {
        const rtf::ReadResult r = rtf::read(source->data(own));
        if (r.ok())
            return r.document;
    }
    // Other programs' text: Greek Unicode becomes codes of the font "Greek".
    if (place.richText) {
        for (const char* type : {"text/rtf", "application/rtf"}) {
            if (source->hasFormat(QString::fromLatin1(type))) {
                const rtf::ReadResult r = rtf::read(source->data(QString::fromLatin1(type)));
                if (r.status == rtf::Status::Ok)
                    return unicodegreek::importDocument(r.document).document;
            }
        }
        if (hasRichText(source)) {
            QFont base = place.documentFont;
            base.setFamilies({place.format.font});
            base.setPointSize(std::max(1, place.format.size));
            const styled::Document fragment
                = reduceRich(source, base, [&](const QTextCharFormat& f) { return qtformat::toModel(f, base); });
            return unicodegreek::importDocument(fragment).document;
        }
    }
    if (source->hasText() && !source->text().isEmpty())
        return fromPlainText(source->text(), place);
    return std::nullopt;
}

QMimeData* toMime(const styled::Document& part)
{
    auto* data = new QMimeData;
    // Plain text as real Unicode Greek, for mail, browsers and everything else.
    data->setText(unicodegreek::exportPlainText(part));
    const QByteArray rtf = rtf::write(part);
    data->setData(QStringLiteral("text/rtf"), rtf);
    data->setData(QStringLiteral("application/rtf"), rtf);
    data->setData(QString::fromLatin1(kOwnMimeType), rtf);
    return data;
}

BetaCodeEntry fromBetaCode(const QString& text, const Place& place)
{
    const QString greekFont = QString::fromLatin1(styled::kDefaultFont);
    styled::CharFormat greek = place.format;
    greek.font = greekFont;
    styled::CharFormat latin = place.format;
    if (latin.font.compare(greekFont, Qt::CaseInsensitive) == 0)
        latin.font = QStringLiteral("Arial");
    const betacode::DecodedDocument d = betacode::toDocument(text, greek, latin, place.alignment);
    return {d.document, d.notes()};
}

QMimeData* toBetaCodeMime(const styled::Document& part)
{
    auto* data = new QMimeData;
    data->setText(betacode::fromDocument(part, betacode::LatinText::AsItIs).text);
    return data;
}

QStringList localFiles(const QMimeData* source)
{
    QStringList out;
    if (!source || !source->hasUrls())
        return out;
    for (const QUrl& u : source->urls()) {
        if (!u.isLocalFile())
            return {}; // a link of a web page is text to enter
        out << u.toLocalFile();
    }
    return out;
}

} // namespace mimeimport
