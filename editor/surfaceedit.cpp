#include "surfaceedit.h"

#include "mimeimport.h"
#include "richtextsurface.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using surface::ChangeOrigin;

SurfaceEdit::SurfaceEdit(RichTextSurface* owner, QWidget* parent)
    : QTextEdit(parent)
    , m_owner(owner)
{
}

void SurfaceEdit::keyPressEvent(QKeyEvent* e)
{
    emit m_owner->keyDown(e);
    if (const int direction = zoomKey(e)) {
        zoomTo(direction == 2 ? 100 : RichTextSurface::zoomStep(m_owner->zoom(), direction));
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo)) {
        RichTextSurface::OriginScope scope(m_owner, ChangeOrigin::UndoRedo);
        QTextEdit::keyPressEvent(e);
        return;
    }
    if (isTypedText(e)) {
        m_owner->typeText(e->text());
        e->accept();
        return;
    }
    if (isAltLetter(e)) {
        // Alt with a letter that opens no menu types nothing.
        e->ignore();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && (e->modifiers() & Qt::ShiftModifier)) {
        // Qt would enter a line separator, which the document cannot
        // hold: Shift+Return is a paragraph break like Return.
        QKeyEvent plain(e->type(), e->key(), e->modifiers() & ~Qt::ShiftModifier, e->text(), e->isAutoRepeat(),
                        ushort(e->count()));
        QTextEdit::keyPressEvent(&plain);
        e->setAccepted(plain.isAccepted());
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void SurfaceEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (!isReadOnly() && e->preeditString().isEmpty() && e->replacementLength() == 0
        && !e->commitString().isEmpty()) {
        m_owner->typeText(e->commitString());
        e->accept();
        return;
    }
    // A commit that also changes the pre-edit text is typing as well.
    RichTextSurface::OriginScope scope(m_owner, ChangeOrigin::Typing);
    QTextEdit::inputMethodEvent(e);
}

// Paste and drop arrive here; copy, cut and drag take their data here.
void SurfaceEdit::insertFromMimeData(const QMimeData* source)
{
    m_owner->insertMimeData(source);
}
QMimeData* SurfaceEdit::createMimeDataFromSelection() const
{
    return m_owner->mimeDataForSelection();
}

// The window builds the menu: its items are the main menu's commands.
void SurfaceEdit::contextMenuEvent(QContextMenuEvent* e)
{
    emit m_owner->contextMenuRequested(e->globalPos());
    e->accept();
}

void SurfaceEdit::mousePressEvent(QMouseEvent* e)
{
    QTextEdit::mousePressEvent(e);
    emit m_owner->mouseDown(e);
}

void SurfaceEdit::wheelEvent(QWheelEvent* e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) {
        QTextEdit::wheelEvent(e);
        return;
    }
    // Ctrl with the wheel zooms the view; a touchpad's small steps add up to a notch.
    m_wheel += e->angleDelta().y();
    while (std::abs(m_wheel) >= 120) {
        const int direction = m_wheel > 0 ? 1 : -1;
        m_wheel -= direction * 120;
        zoomTo(RichTextSurface::zoomStep(m_owner->zoom(), direction));
    }
    e->accept();
}

bool SurfaceEdit::isTypedText(const QKeyEvent* e) const
{
    if (isReadOnly() || e->text().isEmpty())
        return false;
    const auto mods = e->modifiers();
    if ((mods & Qt::MetaModifier) || ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)))
        return false;
    if (isAltLetter(e))
        return false;
    if (e->text() == QLatin1String("\t"))
        return !tabChangesFocus() && !(mods & ~Qt::KeypadModifier);
    return std::all_of(e->text().cbegin(), e->text().cend(), [](QChar c) { return c.isPrint(); });
}

// Alt without Ctrl: a menu's access key, never text (Ctrl+Alt is AltGr on Windows).
bool SurfaceEdit::isAltLetter(const QKeyEvent* e)
{
    return (e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier) && !e->text().isEmpty();
}

// The user's zoom, told when it changes.
void SurfaceEdit::zoomTo(int percent)
{
    if (percent == m_owner->zoom())
        return;
    m_owner->setZoom(percent);
    emit m_owner->zoomChanged(percent);
}

// 1 for Ctrl+Plus (Ctrl+= as well, the plus's key on many layouts), -1
// for Ctrl+Minus, 2 for Ctrl+0; 0 for any other key.
int SurfaceEdit::zoomKey(const QKeyEvent* e)
{
    if (!(e->modifiers() & Qt::ControlModifier) || (e->modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
        return 0;
    switch (e->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: return 1;
    case Qt::Key_Minus: return -1;
    case Qt::Key_0: return (e->modifiers() & Qt::ShiftModifier) ? 0 : 2;
    default: return 0;
    }
}
