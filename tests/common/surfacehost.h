#pragma once

#include "richtextsurface.h"
#include "sharedstate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

// An editor surface on a host widget of its own, with the shared state the
// parts above it read: the fixture of every test of those parts.
struct SurfaceHost {
    QWidget host;
    RichTextSurface txt{&host};
    SharedState state;

    explicit SurfaceHost(QSize size = {500, 300})
    {
        host.resize(size);
        txt.widget()->resize(size);
    }
};

// A key pressed and let go of, as the keyboard sends it.
inline void sendKey(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
}

// Text typed key by key.
inline void typeKeys(QWidget* target, const QString& text)
{
    for (QChar c : text)
        sendKey(target, Qt::Key_unknown, Qt::NoModifier, QString(c));
}
