#pragma once

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

class QPainter;
class QPrinter;
class QThread;
class QWidget;

// The report engine: the editor's text laid out on A4 portrait pages with
// margins of 10 mm, as one rich text item 2.1 mm inside the band, as wide as
// it is set in screen pixels (96 per inch). Pages are recorded as pictures in
// a 96-dots-per-inch page space; the preview, the full-screen preview, the
// printer and PDF all draw the same pictures.
namespace report {

constexpr double kDpi = 96;
constexpr double kPageWidthMm = 210.0;
constexpr double kPageHeightMm = 297.0;
constexpr double kMarginMm = 10.0;
constexpr double kItemOffsetMm = 2.1;

inline double mmToPx(double mm) { return mm * kDpi / 25.4; }
// The page in screen pixels at 100 %: 794 by 1123 upright, 1123 by 794 lying.
QSize pageSizePx(bool landscape = false);

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

// Lays the text out in pages and records each page; `page` is called with
// each page's number and picture and returns false to stop.
void producePages(const styled::Document& text, int itemWidthPx, bool landscape,
                  const std::function<bool(int, QPicture&&)>& page);

// Draws one recorded page into a painter whose page space is `target` (in the
// painter's coordinates), scaling from the 96-dpi page.
void drawPage(QPainter& painter, const QPicture& page, const QRectF& target, bool landscape = false);

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
    // Prints into a PDF file without asking.
    bool printToPdf(const styled::Document& text, const QString& file);

private:
    bool printPages(const styled::Document& text, QPrinter& printer, QWidget* progressParent);
    void stopProduction();

    int m_itemWidth = 100;
    QString m_title;
    std::unique_ptr<QPrinter> m_printer;
    std::shared_ptr<Pages> m_current;
    QThread* m_worker = nullptr;
};

} // namespace report
