#include "pages.h"

#include "atomicfiles.h"
#include "exportwriters.h"
#include "ioerror.h"
#include "qtformat.h"

#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

namespace report {

namespace {

int& pieceLengthSetting()
{
    static int chars = 4096;
    return chars;
}

int pieceLength() { return pieceLengthSetting(); }

QSizeF pageSizeExact(bool landscape = false)
{
    const QSizeF upright(mmToPx(kPageWidthMm), mmToPx(kPageHeightMm));
    return landscape ? upright.transposed() : upright;
}

} // namespace

// The text laid out page by page: each paragraph gets a layout of its own
// when its page is made and gives it up after, and a line that does not fit
// the page starts the next one, so that time and memory grow with the pages
// and not with their square. The pages are laid out in the 96-dpi page space
// with the font's own metrics, so the printer's pages are the preview's. The
// Greek is drawn as the export writes it, real Unicode in Gentium Plus (the
// design "Greek" is made from, with the same metrics): a PDF carries real
// text. "Greek" itself cannot serve: a PDF names each glyph by the lowest
// character that reaches it, and in "Greek" that is the code's Latin letter.
class PageMaker::Impl {
public:
    Impl(const styled::Document& text, int itemWidthPx, bool landscape)
        : m_text(text)
    {
        m_base = QFont(QString::fromLatin1(styled::kDefaultFont));
        m_base.setPixelSize(19); // the editor's own 19 pixels for its 14 points
        m_base.setHintingPreference(QFont::PreferNoHinting);
        m_left = mmToPx(kMarginMm + kItemOffsetMm);
        m_top = m_left;
        m_width = std::max<qreal>(1, itemWidthPx);
        const double pageHeightMm = landscape ? kPageWidthMm : kPageHeightMm;
        m_height = mmToPx(pageHeightMm - kMarginMm - kItemOffsetMm - kMarginMm);
    }

    // Draws the next page into the page space; true when more pages follow.
    bool draw(QPainter& painter)
    {
        painter.save();
        painter.setPen(Qt::black); // text without a colour of its own is drawn in the pen's
        qreal y = 0;
        bool full = false;
        while (!full && m_paragraph < m_text.paragraphs.size()) {
            if (!m_layout)
                layOut(m_text.paragraphs[m_paragraph]);
            while (m_line < m_lines) {
                const QTextLine line = m_layout->lineAt(m_line);
                // A line that does not fit starts the next page; one taller than a page stands alone.
                if (y > 0 && y + line.height() > m_height + 0.01) {
                    full = true;
                    break;
                }
                line.draw(&painter, QPointF(m_left, m_top + y - line.y()));
                y += line.height();
                ++m_line;
            }
            if (full)
                break;
            if (m_lines < m_layout->lineCount()) {
                // The paragraph goes on in the next piece, from the line not drawn.
                layOutPiece(m_pieceStart + m_layout->lineAt(m_lines).textStart());
                continue;
            }
            m_layout.reset();
            m_line = 0;
            ++m_paragraph;
        }
        painter.restore();
        return m_paragraph < m_text.paragraphs.size();
    }

private:
    // A long paragraph is laid out a piece at a time: Qt looks for the end of
    // a word to the end of its text for every line, and a paragraph that is
    // one long word (one character a run, say) would take time with the
    // square of its length. A piece's last line, which the piece's end may
    // have cut short, and the lines a few characters before that end (whose
    // breaks may depend on what follows) are laid out again with the next
    // piece. A paragraph shorter than a piece is laid out whole, as it always was.
    static constexpr int kLookahead = 64;

    void layOut(const styled::Paragraph& p)
    {
        m_ptext.clear();
        m_pranges.clear();
        for (const styled::Run& run : p.runs) {
            const styled::Run shown = exportwriters::exportedRun(run, QString::fromLatin1(exportwriters::kGreekFamily));
            m_pranges.append({int(m_ptext.size()), int(shown.text.size()), formatOf(shown.format)});
            m_ptext += shown.text;
        }
        m_option = QTextOption(qtformat::visualAlignment(p.alignment));
        m_option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_option.setUseDesignMetrics(true); // the same advances at any resolution
        layOutPiece(0);
    }

    // Lays out the paragraph from `start`; m_lines is how many of its lines are final.
    void layOutPiece(int start)
    {
        const int total = int(m_ptext.size());
        for (int piece = pieceLength();; piece *= 2) {
            const int length = std::min(piece, total - start);
            const bool last = start + length == total;
            m_pieceStart = start;
            m_layout = std::make_unique<QTextLayout>(m_ptext.mid(start, length), m_base);
            m_layout->setTextOption(m_option);
            m_layout->setFormats(rangesIn(start, start + length));
            m_layout->beginLayout();
            qreal y = 0;
            for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
                line.setLineWidth(m_width);
                line.setPosition(QPointF(0, y));
                y += line.height();
            }
            m_layout->endLayout();
            m_line = 0;
            m_lines = m_layout->lineCount();
            if (last)
                return;
            while (m_lines > 0) {
                const QTextLine l = m_layout->lineAt(m_lines - 1);
                if (l.textStart() + l.textLength() <= length - kLookahead)
                    break;
                --m_lines;
            }
            if (m_lines > 0)
                return;
            // A single line holds more than the piece: a larger one.
        }
    }

    // The paragraph's format ranges within [from, to), counted from `from`.
    QList<QTextLayout::FormatRange> rangesIn(int from, int to) const
    {
        QList<QTextLayout::FormatRange> out;
        auto it = std::upper_bound(m_pranges.cbegin(), m_pranges.cend(), from,
                                   [](int at, const QTextLayout::FormatRange& r) { return at < r.start + r.length; });
        for (; it != m_pranges.cend() && it->start < to; ++it) {
            const int start = std::max(it->start, from);
            const int end = std::min(it->start + it->length, to);
            if (end > start)
                out.append({start - from, end - start, it->format});
        }
        return out;
    }

    // Documents use few formats many times, or many once each: each is converted once.
    const QTextCharFormat& formatOf(const styled::CharFormat& f)
    {
        auto it = m_formats.find(f);
        if (it == m_formats.end())
            it = m_formats.insert(f, qtformat::toQt(f));
        return *it;
    }

    const styled::Document& m_text;
    QFont m_base;
    QHash<styled::CharFormat, QTextCharFormat> m_formats;
    qsizetype m_paragraph = 0;
    QString m_ptext;                               // the paragraph as it is drawn
    QList<QTextLayout::FormatRange> m_pranges;     // its formats, in order
    QTextOption m_option;
    int m_pieceStart = 0;                          // where the laid-out piece starts in it
    int m_lines = 0;                               // the lines of the piece that are final
    int m_line = 0;
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_left = 0, m_top = 0, m_width = 1, m_height = 0;
};

PageMaker::PageMaker(const styled::Document& text, int itemWidthPx, bool landscape)
    : d(std::make_unique<Impl>(text, itemWidthPx, landscape))
{
}

PageMaker::~PageMaker() = default;

bool PageMaker::draw(QPainter& painter) { return d->draw(painter); }

void setLayoutPiece(int chars) { pieceLengthSetting() = std::max(chars, 2 * 64 + 1); }

QSize pageSizePx(bool landscape) { return pageSizeExact(landscape).toSize(); }

void producePages(const styled::Document& text, int itemWidthPx, bool landscape,
                  const std::function<bool(int, QPicture&&)>& page)
{
    PageMaker maker(text, itemWidthPx, landscape);
    for (int index = 0;; ++index) {
        QPicture picture;
        bool more = false;
        {
            QPainter painter(&picture);
            more = maker.draw(painter);
        }
        picture.setBoundingRect(QRect(QPoint(0, 0), pageSizePx(landscape)));
        if (!page(index + 1, std::move(picture)) || !more)
            return;
    }
}

void drawPage(QPainter& painter, const QPicture& page, const QRectF& target, bool landscape)
{
    const QSizeF size = pageSizeExact(landscape);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width(), target.height() / size.height());
    painter.setPen(Qt::black); // whatever the painter drew before, the page's text is black
    painter.drawPicture(QPointF(0, 0), page);
    painter.restore();
}

void writePdf(const styled::Document& text, int itemWidthPx, const QString& file, const QString& title, bool landscape)
{
    // Qt's PDF writer does not look at what its writes return: the file
    // device keeps the first failure, and the file is no PDF then.
    CheckedFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        out.finish();
    {
        QPdfWriter pdf(&out);
        pdf.setResolution(1200);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Stilora"));
        QPainter painter;
        if (!painter.begin(&pdf))
            throw IoError(IoError::Cause::PdfNotMade).about(file);
        painter.scale(pdf.logicalDpiX() / kDpi, pdf.logicalDpiY() / kDpi);
        PageMaker maker(text, itemWidthPx, landscape);
        while (maker.draw(painter))
            pdf.newPage();
        painter.end();
    }
    out.finish();
}

} // namespace report
