#pragma once

#include <QTextEdit>

class RichTextSurface;

// The editor widget. It reports key and mouse presses to the surface and
// enters typed text itself, each keystroke as one undo step of its own, so
// that a composition triggered by the keystroke can join that step.
// Its own class name lets the accessibility factory find it.
class SurfaceEdit : public QTextEdit {
    Q_OBJECT
public:
    RichTextSurface* owner() const { return m_owner; }

    SurfaceEdit(RichTextSurface* owner, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    // Paste and drop arrive here; copy, cut and drag take their data here.
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    // The window builds the menu: its items are the main menu's commands.
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // Ctrl with the wheel zooms the view.
    void wheelEvent(QWheelEvent* e) override;

private:
    bool isTypedText(const QKeyEvent* e) const;
    // Alt without Ctrl: a menu's access key, never text (Ctrl+Alt is AltGr on Windows).
    static bool isAltLetter(const QKeyEvent* e);
    // The user's zoom, told when it changes.
    void zoomTo(int percent);
    // 1 for Ctrl+Plus (Ctrl+= as well, the plus's key on many layouts), -1
    // for Ctrl+Minus, 2 for Ctrl+0; 0 for any other key.
    static int zoomKey(const QKeyEvent* e);

    RichTextSurface* m_owner;
    int m_wheel = 0;
};
