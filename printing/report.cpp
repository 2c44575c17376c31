#include "report.h"

#include "qtformat.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QPageLayout>
#include <QPrintDialog>
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

// The text laid out with Qt's own document layout into page-high slices of
// the item's column; page after page is drawn, laying out only as far as
// the page reaches.
class PageMaker {
public:
    // Lays out for `device` (the printer, the PDF) when given, in its own
    // resolution, so that fonts come out at their real sizes there; without
    // one, in the 96-dpi page space of the preview.
    PageMaker(const styled::Document& text, int itemWidthPx, bool landscape, QPaintDevice* device = nullptr)
    {
        m_doc.setUndoRedoEnabled(false);
        m_doc.setDocumentMargin(0);
        if (device) {
            m_doc.documentLayout()->setPaintDevice(device);
            m_scale = device->logicalDpiY() / kDpi;
        }
        QFont font(QString::fromLatin1(styled::kDefaultFont));
        font.setPointSizeF(19 * 72.0 / kDpi); // the editor's own 19 pixels, as points for any device
        m_doc.setDefaultFont(font);
        QTextCursor c(&m_doc);
        c.beginEditBlock();
        qtformat::insertModel(c, text);
        c.endEditBlock();
        m_left = mmToPx(kMarginMm + kItemOffsetMm) * m_scale;
        m_top = m_left;
        m_width = std::max<qreal>(1, itemWidthPx * m_scale);
        const double pageHeightMm = landscape ? kPageWidthMm : kPageHeightMm;
        m_height = mmToPx(pageHeightMm - kMarginMm - kItemOffsetMm - kMarginMm) * m_scale;
        m_doc.setPageSize(QSizeF(m_width, m_height));
    }

    // Draws page `index` (from 0) in the page space; true when more pages follow.
    bool draw(QPainter& painter, int index)
    {
        const QRectF slice(0, index * m_height, m_width, m_height);
        painter.save();
        painter.translate(m_left, m_top - slice.top());
        painter.setClipRect(slice);
        QAbstractTextDocumentLayout::PaintContext context;
        // Lays out only as far as this page; a pixel short of its end, so
        // that the next page's first line is not drawn here, even clipped.
        context.clip = slice.adjusted(0, 0, 0, -1);
        context.palette.setColor(QPalette::Text, Qt::black);
        m_doc.documentLayout()->draw(&painter, context);
        painter.restore();
        // The layout runs in order: once the last paragraph has lines, its
        // bottom tells whether the text goes on.
        const QTextBlock last = m_doc.lastBlock();
        if (last.layout()->lineCount() == 0)
            return true;
        return m_doc.documentLayout()->blockBoundingRect(last).bottom() > slice.bottom() + 0.5;
    }

private:
    QTextDocument m_doc;
    qreal m_scale = 1;
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
            more = maker.draw(painter, index);
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

bool Report::printerSetup(QWidget* parent)
{
    QPrinter& p = printer();
    QPrintDialog dialog(&p, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

bool Report::print(const styled::Document& text, QWidget* parent)
{
    QPrinter& p = printer();
    // With no printer to print to, the dialog offers a PDF file.
    if (p.outputFileName().isEmpty() && QPrinterInfo::availablePrinters().isEmpty() && !printerSetup(parent))
        return false;
    p.setDocName(m_title);
    return printPages(text, p, parent);
}

bool Report::printToPdf(const styled::Document& text, const QString& file)
{
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(file);
    pdf.setPageLayout(printer().pageLayout());
    pdf.setFullPage(true);
    pdf.setDocName(m_title);
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
    // The same drawing as the preview's pages, laid out for the printer itself.
    PageMaker maker(text, m_itemWidth, printer.pageLayout().orientation() == QPageLayout::Landscape, &printer);
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
            more = maker.draw(painter, index);
        } else {
            // Pages before the range are laid out, not printed.
            QImage scratch(1, 1, QImage::Format_ARGB32);
            QPainter skip(&scratch);
            more = maker.draw(skip, index);
        }
        if (!more || (range && printer.toPage() > 0 && n >= printer.toPage()))
            break;
    }
    painter.end();
    return ok && printer.printerState() != QPrinter::Error;
}

} // namespace report
