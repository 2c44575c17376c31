#include "previewcontrol.h"

#include <QPainter>
#include <QScrollBar>

#include <cmath>

// The page drawn at the control's zoom, with a 2-pixel border of the background around it.
class PreviewControl::PageImage : public QWidget {
public:
    explicit PageImage(PreviewControl* owner)
        : m_owner(owner)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRectF page = QRectF(rect()).adjusted(2, 2, -2, -2);
        p.fillRect(page, Qt::white);
        p.setPen(Qt::gray);
        p.drawRect(page.adjusted(-0.5, -0.5, 0.5, 0.5));
        if (!m_owner->m_pages)
            return;
        if (const auto picture = m_owner->m_pages->page(m_owner->m_page)) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            report::drawPage(p, *picture, page, m_owner->m_pages->landscape());
        }
    }

private:
    PreviewControl* m_owner;
};

PreviewControl::PreviewControl(QWidget* parent)
    : QScrollArea(parent)
    , m_image(new PageImage(this))
{
    setWidget(m_image);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Button); // the system's button face
    relayout();
}

void PreviewControl::setPages(std::shared_ptr<report::Pages> pages)
{
    disconnect(m_announce);
    m_pages = std::move(pages);
    if (m_pages)
        m_announce = connect(m_pages.get(), &report::Pages::pageAvailable, this, [this](int n) {
            if (n == m_page)
                m_image->update();
            emit pageAvailable(n);
        });
    // Production runs from the moment it starts: pages finished before this
    // connection are announced once more, so that none is missed.
    if (m_pages && m_pages->finished() > 0) {
        const auto pages = m_pages;
        QMetaObject::invokeMethod(
            this, [this, pages] {
                if (pages == m_pages)
                    emit pageAvailable(pages->finished());
            },
            Qt::QueuedConnection);
    }
    relayout(); // an upright or a lying page
}

QSize PreviewControl::pageSize() const { return m_pages ? m_pages->pageSize() : report::pageSizePx(); }

void PreviewControl::setPageNumber(int page)
{
    if (page <= 0 || !m_pages || page > m_pages->finished())
        return;
    m_page = page;
    m_image->update();
}

void PreviewControl::setZoom(int percent)
{
    if (percent < kMinZoom || percent > kMaxZoom)
        return;
    m_zoom = percent;
    relayout();
}

void PreviewControl::relayout()
{
    const QSize page = pageSize();
    const int w = int(std::lround(page.width() * m_zoom / 100.0)) + 4;
    const int h = int(std::lround(page.height() * m_zoom / 100.0)) + 4;
    m_image->resize(w, h);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    m_image->update();
}

void PreviewControl::zoomToWholePage()
{
    const QSize page = pageSize();
    const int byWidth = int(std::lround(95.0 * width() / page.width()));
    const int byHeight = int(std::lround(95.0 * height() / page.height()));
    setZoom(std::min(byWidth, byHeight));
    relayout();
}

void PreviewControl::zoomToWidth()
{
    setZoom(int(std::lround(90.0 * width() / pageSize().width())));
    relayout();
}
