#include "tinfo.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

Tinfo::Tinfo(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , Label1(new QLabel(QStringLiteral("Stilora - Version 1.1"), this))
    , Label2(new QLabel(QStringLiteral("Ein Editor für Altgriechisch"), this))
    , Label3(new QLabel(QStringLiteral("Download von neueren Versionen und anderer Programme bei:"), this))
    , Label4(new QLabel(QString::fromLatin1(kWebAddress), this))
    , BitBtn1(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("info"));
    setWindowTitle(QStringLiteral("Info zu Stilora"));
    setProperty("helpFile", QStringLiteral("sthilfe"));
    setGeometry(179, 267, 388 - 8, 169 - 27); // outer 388 x 169 with a sizeable frame
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);

    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(21);
    title.setBold(true);
    title.setUnderline(true);
    Label1->setFont(title);
    Label1->move(72, 0);
    Label1->adjustSize();
    Label2->move(72, 32);
    Label2->adjustSize();
    Label3->move(32, 64);
    Label3->adjustSize();

    QFont link(QStringLiteral("Arial Black"));
    link.setPixelSize(19);
    Label4->setFont(link);
    Label4->setStyleSheet(QStringLiteral("color: blue"));
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->move(80, 80);
    Label4->adjustSize();
    Label4->installEventFilter(this);

    BitBtn1->setGeometry(152, 112, 75, 25);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    BitBtn1->setDefault(true);

    // The labels take the width their font gives them ("MS Sans Serif" is a
    // wider font where it is not installed): the window grows to hold them
    // with the margin of the line that starts furthest left, the button in
    // the middle.
    int right = 0;
    for (QLabel* l : {Label1, Label2, Label3, Label4})
        right = std::max(right, l->geometry().right() + 1);
    if (right + 32 > width()) {
        resize(right + 32, height());
        BitBtn1->move((width() - BitBtn1->width()) / 2, BitBtn1->y());
    }
}

bool Tinfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit linkClicked();
    return QWidget::eventFilter(watched, event);
}

// Enter presses the default button, as in a dialog.
void Tinfo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        BitBtn1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
