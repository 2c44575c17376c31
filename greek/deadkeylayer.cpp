#include "deadkeylayer.h"

#include "composer.h"

#include <QCoreApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QWidget>

DeadKeyLayer::DeadKeyLayer(QObject* parent)
    : QObject(parent)
{
}

void DeadKeyLayer::disableSystemInputMethod()
{
#ifndef Q_OS_WIN
    // A system input method would swallow the dead keys before the layer sees them.
    qputenv("QT_IM_MODULE", "none");
#endif
}

DeadKeyLayer* DeadKeyLayer::install()
{
#ifdef Q_OS_WIN
    return nullptr;
#else
    auto* layer = new DeadKeyLayer(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(layer);
    return layer;
#endif
}

bool DeadKeyLayer::isHandledDeadKey(int key)
{
    return key == Qt::Key_Dead_Acute || key == Qt::Key_Dead_Grave || key == Qt::Key_Dead_Circumflex;
}

QChar DeadKeyLayer::bareMark(int deadKey)
{
    switch (deadKey) {
    case Qt::Key_Dead_Acute: return QChar(0x00B4);
    case Qt::Key_Dead_Grave: return QChar(u'`');
    default: return QChar(u'^');
    }
}

QString DeadKeyLayer::combine(int deadKey, const QString& text)
{
    if (text.size() != 1 || text[0].unicode() > 127)
        return {};
    const unsigned char vowel = greek::deadKeyVowel((unsigned char)bareMark(deadKey).unicode(), (unsigned char)text[0].unicode());
    return vowel ? QString(QChar(vowel)) : QString();
}

bool DeadKeyLayer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::InputMethodQuery)
        return answerInputMethodQuery(watched, static_cast<QInputMethodQueryEvent*>(event));
    if (m_sending || event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    // A key event that its first widget ignores travels on to the parents,
    // passing this filter again; only its first widget counts.
    auto* widget = static_cast<QWidget*>(watched);
    if (event == m_lastEvent && m_lastTarget && widget != m_lastTarget && widget->isAncestorOf(m_lastTarget))
        return false;
    m_lastEvent = event;
    m_lastTarget = widget;
    return handleKeyPress(watched, static_cast<QKeyEvent*>(event));
}

// Every text field tells the platform it takes no input method. Qt's
// Wayland plugin reads QT_IM_MODULE=none as the name of a plugin, falls back
// to its own compose input context and composes the dead keys before any key
// event exists; a field without input methods gets them raw, as on X11.
bool DeadKeyLayer::answerInputMethodQuery(QObject* watched, QInputMethodQueryEvent* query)
{
    if (!(query->queries() & Qt::ImEnabled))
        return false;
    // The field answers everything else itself.
    const Qt::InputMethodQueries rest = query->queries() & ~Qt::ImEnabled;
    if (rest) {
        QInputMethodQueryEvent others(rest);
        watched->event(&others);
        for (unsigned bit = 1; bit != 0 && bit <= unsigned(Qt::ImQueryAll); bit <<= 1) {
            const auto q = Qt::InputMethodQuery(bit);
            if (rest & q)
                query->setValue(q, others.value(q));
        }
    }
    query->setValue(Qt::ImEnabled, false);
    query->accept();
    return true;
}

bool DeadKeyLayer::handleKeyPress(QObject* target, QKeyEvent* e)
{
    const int key = e->key();
    if (isHandledDeadKey(key)) {
        if (m_pending && m_pendingTarget == target) {
            // The same dead key twice gives its mark; another one gives the
            // first mark and waits in its place.
            sendText(target, *e, QString(bareMark(m_pending)));
            m_pending = key == m_pending ? 0 : key;
        } else {
            m_pending = key;
            m_pendingTarget = target;
        }
        return true;
    }
    if (!m_pending)
        return false;
    if (e->text().isEmpty()) {
        // Shift and the other modifiers leave the accent waiting; any other key
        // without text (arrows, function keys) drops it.
        if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_AltGr
            || key == Qt::Key_Meta || key == Qt::Key_CapsLock || key == Qt::Key_NumLock)
            return false;
        m_pending = 0;
        return false;
    }
    const int dead = m_pending;
    m_pending = 0;
    if (m_pendingTarget != target)
        return false;
    if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    if (e->text() == QLatin1String(" ")) {
        sendText(target, *e, QString(bareMark(dead)));
        return true;
    }
    const QString letter = combine(dead, e->text());
    if (!letter.isEmpty()) {
        sendText(target, *e, letter);
        return true;
    }
    sendText(target, *e, QString(bareMark(dead)));
    return false; // the character itself follows as it was typed
}

void DeadKeyLayer::sendText(QObject* target, const QKeyEvent& like, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, like.key() ? like.key() : Qt::Key_unknown,
                    like.modifiers() & ~(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier), text);
    m_sending = true;
    QCoreApplication::sendEvent(target, &press);
    m_sending = false;
}
