#include "report.h"

#include "atomicfiles.h"
#include "ioerror.h"

#include <QApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPageLayout>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QThread>

#include <cmath>

namespace report {


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
    const bool landscape = p.pageLayout().orientation() == QPageLayout::Landscape;
    const PageRange range{p.printRange() == QPrinter::PageRange, p.fromPage(), p.toPage()};
    const QString file = p.outputFileName();
    if (file.isEmpty()) {
        const bool sent = printPages(text, p, range, landscape, parent);
        return sent && p.printerState() != QPrinter::Error;
    }
    // A file chosen in the print dialog is written whole or not at all, like
    // every other output, through a device that notices a failed write
    // (the printer's own file does not).
    bool sent = false;
    writeFileThrough(file, [&](const QString& scratch) {
        CheckedFile out(scratch);
        if (!out.open(QIODevice::WriteOnly))
            out.finish();
        {
            QPdfWriter pdf(&out);
            pdf.setResolution(p.resolution());
            pdf.setPageLayout(p.pageLayout());
            pdf.setTitle(m_title);
            pdf.setCreator(QStringLiteral("Stilora"));
            sent = printPages(text, pdf, range, landscape, parent);
        }
        out.finish();
        if (!sent)
            throw IoError(IoError::Cause::PrintCancelled);
    });
    return sent;
}

void Report::printToPdf(const styled::Document& text, const QString& file)
{
    // The pages without a printer, in the orientation of the printer's settings.
    writePdf(text, m_itemWidth, file, m_title, printer().pageLayout().orientation() == QPageLayout::Landscape);
}

bool Report::printPages(const styled::Document& text, QPagedPaintDevice& device, const PageRange& pages, bool landscape,
                        QWidget* progressParent)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    std::unique_ptr<QProgressDialog> progress;
    if (progressParent) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Drucken …"), QStringLiteral("Abbrechen"), 0, 0, progressParent);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(300);
    }
    // The same pages as the preview's, drawn at the device's resolution.
    PageMaker maker(text, m_itemWidth, landscape);
    painter.scale(device.logicalDpiX() / kDpi, device.logicalDpiY() / kDpi);
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
        const bool wanted = !pages.range || (n >= pages.from && (pages.to == 0 || n <= pages.to));
        bool more = false;
        if (wanted) {
            if (!first && !device.newPage()) {
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
        if (!more || (pages.range && pages.to > 0 && n >= pages.to))
            break;
    }
    painter.end();
    return ok;
}

} // namespace report
