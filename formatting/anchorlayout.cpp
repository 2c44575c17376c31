#include "anchorlayout.h"

#include <QEvent>
#include <QWidget>

AnchorLayout::AnchorLayout(QWidget* container)
    : QObject(container)
    , m_container(container)
    , m_last(container->size())
{
    container->installEventFilter(this);
}

void AnchorLayout::setAnchors(QWidget* child, int edges) { m_anchors[child] = edges; }

int AnchorLayout::anchors(QWidget* child) const { return m_anchors.value(child, Left | Top); }

bool AnchorLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_container && event->type() == QEvent::Resize) {
        const QSize now = m_container->size();
        apply(now.width() - m_last.width(), now.height() - m_last.height());
        m_last = now;
    }
    return false;
}

void AnchorLayout::apply(int dx, int dy)
{
    for (auto it = m_anchors.cbegin(); it != m_anchors.cend(); ++it) {
        QWidget* w = it.key();
        const int a = it.value();
        QRect g = w->geometry();
        if ((a & Left) && (a & Right))
            g.setWidth(std::max(0, g.width() + dx));
        else if (a & Right)
            g.moveLeft(g.left() + dx);
        if ((a & Top) && (a & Bottom))
            g.setHeight(std::max(0, g.height() + dy));
        else if (a & Bottom)
            g.moveTop(g.top() + dy);
        if (g != w->geometry())
            w->setGeometry(g);
    }
}
