#include "viewoptions.h"

#include "anchorlayout.h"
#include "richtextsurface.h"

#include <QAction>
#include <QScrollArea>
#include <QTextEdit>

ViewOptions::ViewOptions(const ViewOptionControls& c)
    : m_c(c)
{
}

void ViewOptions::options()
{
    m_c.txt->setWordWrap(m_c.fzu->isChecked());
    m_c.txt->setTabEntry(m_c.Tabs1->isChecked());

    // The editor keeps its left edge, width and height: its bottom moves with its top.
    QWidget* editor = m_c.txt->widget();
    QRect g = editor->geometry();
    const bool ruler = m_c.Lineal1->isChecked();
    g.moveTop(ruler ? kTopWithRuler : kTopWithoutRuler);
    editor->setGeometry(g);
    m_c.lineal->setVisible(ruler);

    using A = AnchorLayout;
    QWidget* content = m_c.scroller->widget();
    if (m_c.fg->isChecked()) {
        m_c.anchors->setAnchors(editor, A::Left | A::Top | A::Bottom);
        g = editor->geometry();
        g.setWidth(kFixedWidth);
        editor->setGeometry(g);
        // The window scrolls when it is narrower than the editor.
        content->setMinimumWidth(editor->geometry().right() + 1);
        m_c.scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
        // Give up the scroll range first, with the editor's width still fixed:
        // the editor keeps its width until the window itself is next resized.
        content->setMinimumWidth(0);
        m_c.scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        content->resize(m_c.scroller->viewport()->width(), content->height());
        m_c.anchors->setAnchors(editor, A::Left | A::Top | A::Right | A::Bottom);
    }
}
