#include "tsuchen.h"

#include "accessibletext.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

Tsuchen::Tsuchen(QWidget* parent)
    : QDialog(parent)
    , stxt(new CodedLineEdit(this))
    , Button2(new QPushButton(QStringLiteral("&Weitersuchen"), this))
    , Button1(new QPushButton(QStringLiteral("&Suchen"), this))
    , CheckBox1(new QCheckBox(QStringLiteral("Groß/Kleinschreibung"), this))
    , CheckBox2(new QCheckBox(QStringLiteral("Ganzes Wort"), this))
    , CheckBox3(new QCheckBox(QStringLiteral("In ganzem Text"), this))
    , CheckBox4(new QCheckBox(QStringLiteral("Akzente ignorieren"), this))
{
    setObjectName(QStringLiteral("suchen"));
    setWindowTitle(QStringLiteral("Wort suchen"));
    setProperty("helpFile", QStringLiteral("sthilfe"));
    setModal(false);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    // Outer 242 x 134 with the frame, and the height of the fourth box.
    setGeometry(324, 144, 242 - 8, 134 - 27 + 17);
    stxt->setGeometry(8, 8, 217, 21);
    Button2->setGeometry(144, 40, 81, 25);
    Button1->setGeometry(144, 72, 81, 25);
    CheckBox1->setGeometry(8, 48, 129, 17);
    CheckBox2->setGeometry(8, 64, 97, 17);
    CheckBox3->setGeometry(8, 80, 97, 17);
    CheckBox4->setGeometry(8, 96, 97, 17);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, CheckBox3);
    setTabOrder(CheckBox3, CheckBox4);
    setTabOrder(CheckBox4, stxt);
    Button1->setFocus();
    fitToTexts();
}

// The controls keep their places, and each is as wide as its text needs in
// the font it is drawn with: the buttons move right when the check boxes
// need the room, and the dialog grows with them.
void Tsuchen::fitToTexts()
{
    int boxes = 129;
    for (QCheckBox* b : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        boxes = std::max(boxes, b->sizeHint().width());
    for (QCheckBox* b : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        b->resize(b == CheckBox1 ? boxes : std::max(97, b->sizeHint().width()), 17);
    int buttons = 81;
    for (QPushButton* b : {Button1, Button2})
        buttons = std::max(buttons, b->sizeHint().width());
    const int x = std::max(144, 8 + boxes + 7);
    Button2->setGeometry(x, 40, buttons, 25);
    Button1->setGeometry(x, 72, buttons, 25);
    stxt->resize(x + buttons - 8, 21);
    resize(x + buttons + 9, height());
}

void Tsuchen::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToTexts();
}

void Tsuchen::uncover(const QRect& match) { uncoverMatch(this, match); }

void uncoverMatch(QWidget* dialog, const QRect& match)
{
    const QRect frame = dialog->frameGeometry();
    constexpr int kGap = 12;
    if (!dialog->isVisible() || !frame.intersects(match.adjusted(-kGap / 2, -kGap / 2, kGap / 2, kGap / 2)))
        return;
    const QRect room = dialog->screen() ? dialog->screen()->availableGeometry() : QRect(frame.topLeft(), frame.size());
    // Below the match, else above it, else beside it; never off the screen.
    QPoint at(frame.left(), match.bottom() + kGap);
    if (at.y() + frame.height() > room.bottom() + 1) {
        at.setY(match.top() - kGap - frame.height());
        if (at.y() < room.top()) {
            at.setY(frame.top());
            at.setX(match.right() + kGap + frame.width() <= room.right() + 1 ? match.right() + kGap : match.left() - kGap - frame.width());
        }
    }
    at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - frame.width())));
    at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height())));
    dialog->move(at);
}
