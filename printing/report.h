#pragma once

#include "pages.h"
#include "styledtext.h"

#include <QObject>
#include <QPicture>
#include <QSizeF>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QThread;
class QWidget;

// The report engine: the pages of a document (pages.h) produced for the
// preview on a worker thread, printed and written to PDF through a printer.
namespace report {

// The pages of one production, filled page by page from a worker thread and
// read from the user-interface thread. `begun()` is the page count so far.
class Pages : public QObject {
    Q_OBJECT
public:
    explicit Pages(bool landscape = false)
        : m_landscape(landscape)
    {
    }
    bool landscape() const { return m_landscape; }
    QSize pageSize() const { return pageSizePx(m_landscape); }
    int begun() const { return m_begun.load(); }
    int finished() const { return m_finished.load(); }
    bool done() const { return m_done.load(); }
    // Page n (from 1), or nothing when it is not finished.
    std::shared_ptr<const QPicture> page(int n) const;

    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled.load(); }

    // For the producer.
    void begin() { ++m_begun; }
    void add(QPicture picture);
    void finish() { m_done = true; }

signals:
    // Page n is finished; delivered on the thread the Pages object lives in.
    void pageAvailable(int n);
    void productionDone();

private:
    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<const QPicture>> m_pages;
    std::atomic<int> m_begun{0};
    std::atomic<int> m_finished{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_cancelled{false};
    const bool m_landscape;
};

class Report : public QObject {
    Q_OBJECT
public:
    explicit Report(QObject* parent = nullptr);
    ~Report() override;

    void setItemWidth(int pixels) { m_itemWidth = pixels; }
    int itemWidth() const { return m_itemWidth; }
    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }

    // Starts producing the pages in the background at once and returns them
    // as they grow; an earlier production still running is stopped.
    std::shared_ptr<Pages> producePreview(const styled::Document& text);

    // The printer and its settings, kept for later prints.
    QPrinter& printer();
    // The print dialog (printer, copies, page range, orientation, or a PDF file);
    // `accept` names its accept button when it does not print at once.
    bool printerSetup(QWidget* parent, const QString& accept = {});
    // Produces the pages again and prints them with the kept settings and a
    // progress window that can be cancelled; asks for the printer first when
    // there is none to print to. Returns whether the pages were sent.
    bool print(const styled::Document& text, QWidget* parent);
    // Prints into a PDF file without asking; throws IoError when it cannot be written.
    void printToPdf(const styled::Document& text, const QString& file);

private:
    struct PageRange {
        bool range = false; // false: every page
        int from = 0;
        int to = 0;         // 0: to the end
    };
    bool printPages(const styled::Document& text, QPagedPaintDevice& device, const PageRange& pages, bool landscape,
                    QWidget* progressParent);
    void stopProduction();

    int m_itemWidth = 100;
    QString m_title;
    std::unique_ptr<QPrinter> m_printer;
    std::shared_ptr<Pages> m_current;
    QThread* m_worker = nullptr;
};

} // namespace report
