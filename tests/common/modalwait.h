#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>

// Runs `act` as soon as a modal window is up, shown and active, from inside
// that window's own event loop, as a user answers it; after `timeoutMs`
// without one, with null. Waits for the window, not for a time.
inline void whenModal(std::function<void(QWidget*)> act, int timeoutMs = 10000)
{
    auto* poll = new QTimer;
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, since, act = std::move(act), timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool up = modal && modal->isVisible() && modal->windowHandle() && modal->windowHandle()->isExposed()
            && QApplication::activeWindow() == modal;
        if (!up && since->elapsed() < timeoutMs)
            return;
        poll->stop();
        poll->deleteLater();
        act(up ? modal : nullptr);
    });
    poll->start();
}
