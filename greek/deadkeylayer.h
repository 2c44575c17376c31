#pragma once

#include <QObject>
#include <QPointer>

class QInputMethodQueryEvent;
class QKeyEvent;
class QWidget;

// Composes the three dead accents for the whole process the way the
// composition engine expects: on a, e, i, o, u (and the capitals) one Latin-1
// letter; before anything else the bare mark, then that character; before a
// space or the same dead key the bare mark alone. X11 and Wayland compose
// differently (´ then space gives an apostrophe, ´ then h loses the accent),
// so the program does it itself; on Windows the system already behaves so.
class DeadKeyLayer : public QObject {
    Q_OBJECT
public:
    explicit DeadKeyLayer(QObject* parent = nullptr);

    // Installs the layer on the application, where the platform needs it.
    // Call before the QApplication exists for disableInputMethod() to work.
    static void disableSystemInputMethod();
    static DeadKeyLayer* install();

    // The character a dead key and the following text give, or an empty
    // string when they do not combine.
    static QString combine(int deadKey, const QString& text);
    static QChar bareMark(int deadKey);
    static bool isHandledDeadKey(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKeyPress(QObject* target, QKeyEvent* event);
    static bool answerInputMethodQuery(QObject* watched, QInputMethodQueryEvent* query);
    void sendText(QObject* target, const QKeyEvent& like, const QString& text);

    int m_pending = 0; // the dead key waiting for its letter, 0 for none
    QPointer<QObject> m_pendingTarget;
    bool m_sending = false;
    const QEvent* m_lastEvent = nullptr;
    QPointer<QWidget> m_lastTarget;
};
