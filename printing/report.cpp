#include "report.h"

#include "atomicfiles.h"
#include "exportwriters.h"
#include "ioerror.h"
#include "qtformat.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QPageLayout>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>

#include <cmath>

namespace report {

namespace {

QSizeF pageSizeExact(bool landscape = false)
{
    const QSizeF upright(mmToPx(kPageWidthMm), mmToPx(kPageHeightMm));
    return landscape ? upright.transposed() : upright;
}

// The text laid out page by page: each paragraph gets a layout of its own
// when its page is made and gives it up after, and a line that does not fit
// the page starts the next one, so that time and memory grow with the pages
// and not with their square. The pages are laid out in the 96-dpi page space
// with the font's own metrics, so the printer's pages are the preview's. The
// Greek is drawn as the export writes it, real Unicode in Gentium Plus (the
// design "Greek" is made from, with the same metrics): a PDF carries real
// text. "Greek" itself cannot serve: a PDF names each glyph by the lowest
// character that reaches it, and in "Greek" that is the code's Latin letter.
class PageMaker {
public:
    PageMaker(const styled::Document& text, int itemWidthPx, bool landscape)
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

} // namespace

QSize pageSizePx(bool landscape) { return pageSizeExact(landscape).toSize(); }

std::shared_ptr<const QPicture> Pages::page(int n) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (n < 1 || n > int(m_pages.size()))
        return nullptr;
    return m_pages[std::size_t(n - 1)];
}

void Pages::add(QPicture picture)
{
    int n = 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pages.push_back(std::make_shared<const QPicture>(std::move(picture)));
        n = int(m_pages.size());
    }
    m_finished = n;
    emit pageAvailable(n);
}

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

Report::Report(QObject* parent)
    : QObject(parent)
{
}

Report::~Report() { stopProduction(); }

void Report::stopProduction()
{
    if (m_current)
        m_current->cancel();
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
}

std::shared_ptr<Pages> Report::producePreview(const styled::Document& text)
{
    stopProduction();
    // The orientation chosen in the printer setup holds from this production on.
    const bool landscape = printer().pageLayout().orientation() == QPageLayout::Landscape;
    auto pages = std::make_shared<Pages>(landscape);
    m_current = pages;
    const int width = m_itemWidth;
    // The pages are made off the user-interface thread; each finished one is
    // announced there through the Pages object's queued signal.
    m_worker = QThread::create([pages, text, width, landscape] {
        producePages(text, width, landscape, [&](int, QPicture&& picture) {
            if (pages->cancelled())
                return false;
            pages->begin();
            pages->add(std::move(picture));
            return true;
        });
        pages->finish();
        emit pages->productionDone();
    });
    m_worker->start();
    return pages;
}

QPrinter& Report::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                             QPageLayout::Millimeter));
        m_printer->setFullPage(true); // the report's own margins are drawn in
    }
    return *m_printer;
}

bool Report::printerSetup(QWidget* parent, const QString& accept)
{
    QPrinter& p = printer();
    QPrintDialog dialog(&p, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (!accept.isEmpty()) {
        // Qt names the button "Drucken"; a setup only takes the settings.
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                ok->setText(accept);
    }
    return dialog.exec() == QDialog::Accepted;
}

bool Report::print(const styled::Document& text, QWidget* parent)
{
    QPrinter& p = printer();
    // With no printer to print to, the dialog offers a PDF file.
    if (p.outputFileName().isEmpty() && QPrinterInfo::availablePrinters().isEmpty() && !printerSetup(parent))
        return false;
    p.setDocName(m_title);
    const QString file = p.outputFileName();
    if (file.isEmpty())
        return printPages(text, p, parent);
    // A file chosen in the print dialog is written whole or not at all, like every other output.
    bool sent = false;
    writeFileThrough(file, [&](const QString& scratch) {
        p.setOutputFileName(scratch);
        sent = printPages(text, p, parent);
        p.setOutputFileName(file);
        if (!sent)
            throw IoError(0, QStringLiteral("Der Druck in die Datei wurde abgebrochen"));
    });
    return sent;
}

bool Report::printToPdf(const styled::Document& text, const QString& file)
{
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(file);
    pdf.setPageLayout(printer().pageLayout());
    pdf.setFullPage(true);
    pdf.setDocName(m_title);
    pdf.setCreator(QStringLiteral("Stilora"));
    return printPages(text, pdf, nullptr);
}

bool Report::printPages(const styled::Document& text, QPrinter& printer, QWidget* progressParent)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    std::unique_ptr<QProgressDialog> progress;
    if (progressParent) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Drucken …"), QStringLiteral("Abbrechen"), 0, 0, progressParent);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(300);
    }
    // The same pages as the preview's, drawn at the printer's resolution.
    PageMaker maker(text, m_itemWidth, printer.pageLayout().orientation() == QPageLayout::Landscape);
    painter.scale(printer.logicalDpiX() / kDpi, printer.logicalDpiY() / kDpi);
    const bool range = printer.printRange() == QPrinter::PageRange;
    bool ok = true;
    bool first = true;
    for (int index = 0;; ++index) {
        const int n = index + 1;
        if (progress) {
            progress->setLabelText(QStringLiteral("Seite %1 …").arg(n));
            QApplication::processEvents();
            if (progress->wasCanceled()) {
                ok = false;
                break;
            }
        }
        const bool wanted = !range || (n >= printer.fromPage() && (printer.toPage() == 0 || n <= printer.toPage()));
        bool more = false;
        if (wanted) {
            if (!first && !printer.newPage()) {
                ok = false;
                break;
            }
            first = false;
            more = maker.draw(painter);
        } else {
            // Pages before the range are laid out, not printed.
            QImage scratch(1, 1, QImage::Format_ARGB32);
            QPainter skip(&scratch);
            more = maker.draw(skip);
        }
        if (!more || (range && printer.toPage() > 0 && n >= printer.toPage()))
            break;
    }
    painter.end();
    return ok && printer.printerState() != QPrinter::Error;
}

} // namespace report
