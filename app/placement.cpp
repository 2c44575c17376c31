#include "placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void placeBeside(QWidget* window, const QWidget* main)
{
    if (!main)
        return;
    constexpr int kGap = 8;
    const QRect frame = main->frameGeometry();
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    QPoint at(frame.right() + 1 + kGap, frame.top());
    if (const QScreen* screen = main->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.x() + size.width() > room.right() + 1) {
            // No room to the right: to the left, or where it fits on the screen at all.
            if (frame.left() - kGap - size.width() >= room.left())
                at.setX(frame.left() - kGap - size.width());
            else
                at.setX(std::max(room.left(), room.right() + 1 - size.width()));
        }
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
    }
    window->move(at);
}
