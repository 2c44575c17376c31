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
            while (m_line < m_layout->lineCount()) {
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
            if (!full) {
                m_layout.reset();
                m_line = 0;
                ++m_paragraph;
            }
        }
        painter.restore();
        return m_paragraph < m_text.paragraphs.size();
    }

private:
    void layOut(const styled::Paragraph& p)
    {
        QString text;
        QList<QTextLayout::FormatRange> ranges;
        for (const styled::Run& run : p.runs) {
            const styled::Run shown = exportwriters::exportedRun(run, QString::fromLatin1(exportwriters::kGreekFamily));
            ranges.append({int(text.size()), int(shown.text.size()), formatOf(shown.format)});
            text += shown.text;
        }
        m_layout = std::make_unique<QTextLayout>(text, m_base);
        QTextOption option(qtformat::visualAlignment(p.alignment));
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setUseDesignMetrics(true); // the same advances at any resolution
        m_layout->setTextOption(option);
        m_layout->setFormats(ranges);
        m_layout->beginLayout();
        qreal y = 0;
        for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
            line.setLineWidth(m_width);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        m_layout->endLayout();
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
            throw IoError(0, QStringLiteral("Die PDF-Datei konnte nicht erzeugt werden")).about(file);
        painter.scale(pdf.logicalDpiX() / kDpi, pdf.logicalDpiY() / kDpi);
        PageMaker maker(text, itemWidthPx, landscape);
        while (maker.draw(painter))
            pdf.newPage();
        painter.end();
    }
    out.finish();
}

} // namespace report
