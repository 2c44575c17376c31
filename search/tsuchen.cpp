#include "tsuchen.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

Tsuchen::Tsuchen(QWidget* parent)
    : QDialog(parent)
    , stxt(new QLineEdit(this))
    , Button2(new QPushButton(QStringLiteral("&Weitersuchen"), this))
    , Button1(new QPushButton(QStringLiteral("&Suchen"), this))
    , CheckBox1(new QCheckBox(QStringLiteral("Groß/Kleinschreibung"), this))
    , CheckBox2(new QCheckBox(QStringLiteral("Ganzes Wort"), this))
    , CheckBox3(new QCheckBox(QStringLiteral("In ganzem Text"), this))
{
    setObjectName(QStringLiteral("suchen"));
    setWindowTitle(QStringLiteral("Wort suchen"));
    setProperty("helpFile", QStringLiteral("sthilfe"));
    setModal(false);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    setGeometry(324, 144, 242 - 8, 134 - 27); // outer 242 x 134 with the frame
    stxt->setGeometry(8, 8, 217, 21);
    Button2->setGeometry(144, 40, 81, 25);
    Button1->setGeometry(144, 72, 81, 25);
    CheckBox1->setGeometry(8, 48, 129, 17);
    CheckBox2->setGeometry(8, 64, 97, 17);
    CheckBox3->setGeometry(8, 80, 97, 17);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, CheckBox3);
    setTabOrder(CheckBox3, stxt);
    Button1->setFocus();
}
