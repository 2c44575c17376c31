#include "charmapwindow.h"

#include "codepage.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kRows = (256 - CharMapWindow::kFirst) / CharMapWindow::kColumns;
}

CharMapWindow::CharMapWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Sonderzeichen"));
    setFixedSize(kColumns * kCell + 1, kRows * kCell + 1);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CharMapWindow::setFontName(const QString& family)
{
    m_family = family;
    update();
}

int CharMapWindow::codeAt(const QPoint& p) const
{
    const int col = p.x() / kCell;
    const int row = p.y() / kCell;
    if (p.x() < 0 || p.y() < 0 || col >= kColumns || row >= kRows)
        return -1;
    return kFirst + row * kColumns + col;
}

void CharMapWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    QFont f(m_family);
    f.setPixelSize(kCell * 2 / 3);
    p.setFont(f);
    for (int code = kFirst; code < 256; ++code) {
        const int i = code - kFirst;
        const QRect cell((i % kColumns) * kCell, (i / kColumns) * kCell, kCell, kCell);
        if (code == m_hover)
            p.fillRect(cell, palette().highlight());
        p.setPen(palette().mid().color());
        p.drawRect(cell);
        p.setPen(code == m_hover ? palette().highlightedText().color() : palette().text().color());
        p.drawText(cell, Qt::AlignCenter, QString(codepage::toChar(uchar(code))));
    }
}

void CharMapWindow::mousePressEvent(QMouseEvent* event)
{
    const int code = codeAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && code >= 0)
        emit codeChosen(code);
}

void CharMapWindow::mouseMoveEvent(QMouseEvent* event)
{
    const int code = codeAt(event->position().toPoint());
    if (code != m_hover) {
        m_hover = code;
        update();
    }
}
