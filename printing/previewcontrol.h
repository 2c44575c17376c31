#pragma once

#include "report.h"

#include <QScrollArea>

#include <memory>

// The preview control: one page of a report at a time, at a zoom in
// percent, scrolling both ways when the page image is larger.
class PreviewControl : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kMinZoom = 2;
    static constexpr int kMaxZoom = 2000;

    explicit PreviewControl(QWidget* parent = nullptr);

    // The pages shown from now on.
    void setPages(std::shared_ptr<report::Pages> pages);
    const std::shared_ptr<report::Pages>& pages() const { return m_pages; }

    int pageNumber() const { return m_page; }
    // A number of 0 or less, or of a page not yet finished, is refused.
    void setPageNumber(int page);
    int zoom() const { return m_zoom; }
    // Below 2 or above 2000 is refused; otherwise the page image is laid out again.
    void setZoom(int percent);
    // The page's size at 100 % times the zoom, rounded, plus 4 pixels; centred
    // where it is smaller than the control; scrolled to the top left.
    void relayout();
    void zoomToWholePage();
    void zoomToWidth();
    // The shown report's page at 100 %, in screen pixels.
    QSize pageSize() const;

signals:
    void pageAvailable(int page);

private:
    class PageImage;
    PageImage* m_image;
    std::shared_ptr<report::Pages> m_pages;
    QMetaObject::Connection m_announce;
    int m_page = 1;
    int m_zoom = 100;
};
