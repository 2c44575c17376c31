#include "form1controls.h"

#include "anchorlayout.h"
#include "formatting.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

QFont sized(const char* family, int pixels)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    return f;
}

// The buttons show pictures only: a screen reader says their names.
QPushButton* pictureButton(QWidget* parent, const char* icon, const char* name, int left, int top)
{
    auto* b = new QPushButton(parent);
    b->setAccessibleName(QString::fromUtf8(name));
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    b->setIconSize(QSize(18, 18));
    b->setGeometry(left, top, 25, 25);
    return b;
}

QToolButton* speedButton(QWidget* parent, const char* icon, const char* name, int left)
{
    auto* b = new QToolButton(parent);
    b->setAccessibleName(QString::fromUtf8(name));
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    b->setIconSize(QSize(18, 18));
    b->setGeometry(left, 4, 25, 25);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

void buildForm1Controls(Form1Controls& c, QWidget* client, AnchorLayout& anchors, FontBox* fbox, QWidget* editor)
{
    using A = AnchorLayout;
    c.ToolBar1 = new QFrame(client);
    static_cast<QFrame*>(c.ToolBar1)->setFrameShape(QFrame::StyledPanel);
    c.ToolBar1->setGeometry(0, 0, 716, 29);
    anchors.setAnchors(c.ToolBar1, A::Left | A::Top | A::Right);
    fbox->setParent(c.ToolBar1);
    fbox->setObjectName(QStringLiteral("fbox"));
    fbox->setEditable(true);
    fbox->setInsertPolicy(QComboBox::NoInsert);
    fbox->setGeometry(0, 2, 153, 24);
    fbox->setAccessibleName(QStringLiteral("Schriftart"));
    fbox->setFont(sized("Arial", 13));
    c.grbox = new ChoiceBox(c.ToolBar1);
    c.grbox->setObjectName(QStringLiteral("grbox"));
    c.grbox->setEditable(true);
    c.grbox->setInsertPolicy(QComboBox::NoInsert);
    c.grbox->setGeometry(153, 2, 57, 24);
    c.grbox->setAccessibleName(QStringLiteral("Schriftgröße"));
    c.grbox->setFont(sized("Arial", 13));
    c.grbox->addItems({"4", "6", "8", "10", "11", "12", "14", "16", "18", "22", "28", "34", "46", "68", "100", "200"});
    c.grbox->setEditText(QString());

    c.BitBtn10 = pictureButton(client, "new", "Neu", 216, 4);
    c.BitBtn11 = pictureButton(client, "open", "Öffnen", 242, 4);
    c.BitBtn12 = pictureButton(client, "save", "Speichern", 268, 4);
    c.BitBtn5 = pictureButton(client, "print", "Drucken", 304, 4);

    c.Panel1 = new QWidget(client);
    c.Panel1->setGeometry(0, 32, 329, 33);
    c.BitBtn1 = pictureButton(c.Panel1, "alpha", "Schrift Greek", 8, 4);
    c.BitBtn2 = pictureButton(c.Panel1, "latin", "Schrift Arial", 34, 4);
    c.BitBtn3 = pictureButton(c.Panel1, "smaller", "Schrift kleiner", 72, 4);
    c.BitBtn4 = pictureButton(c.Panel1, "larger", "Schrift größer", 98, 4);
    c.BitBtn6 = pictureButton(c.Panel1, "bold", "Fett", 134, 4);
    c.BitBtn7 = pictureButton(c.Panel1, "italic", "Kursiv", 160, 4);
    c.BitBtn8 = pictureButton(c.Panel1, "underline", "Unterstrichen", 186, 4);
    c.BitBtn9 = pictureButton(c.Panel1, "strikeout", "Durchgestrichen", 212, 4);
    c.sbl = speedButton(c.Panel1, "alignleft", "Linksbündig", 256);
    c.sbm = speedButton(c.Panel1, "aligncentre", "Zentriert", 280);
    c.sbr = speedButton(c.Panel1, "alignright", "Rechtsbündig", 304);
    QWidget* order[] = {c.BitBtn1, c.BitBtn2, c.BitBtn3, c.BitBtn4, c.BitBtn6, c.BitBtn7, c.BitBtn8, c.BitBtn9};
    for (int i = 0; i + 1 < 8; ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);

    c.Panel2 = new QWidget(client);
    c.Panel2->setGeometry(0, 32, 329, 33);
    c.pb1 = new QProgressBar(c.Panel2);
    c.pb1->setGeometry(8, 8, 313, 17);
    c.pb1->setRange(0, 100);
    c.pb1->setTextVisible(false);
    c.pb1->setAccessibleName(QStringLiteral("Fortschritt"));
    c.Panel2->hide();

    c.lineal = new QLabel(client);
    c.lineal->setGeometry(3, 64, 697, 25);
    c.lineal->setPixmap(QIcon(QStringLiteral(":/icons/ruler.svg")).pixmap(QSize(697, 21)));
    c.lineal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lineal->setAccessibleName(QStringLiteral("Lineal"));

    editor->setObjectName(QStringLiteral("txt"));
    editor->setAccessibleName(QStringLiteral("Text"));
    editor->setGeometry(3, 88, 706, 195);
    anchors.setAnchors(editor, A::Left | A::Top); // as in the form, until options() first runs

    c.StatusBar1 = new QStatusBar(client);
    c.StatusBar1->setGeometry(0, 283, 716, 19);
    anchors.setAnchors(c.StatusBar1, A::Left | A::Right | A::Bottom);

    for (QWidget* w : {static_cast<QWidget*>(c.BitBtn10), static_cast<QWidget*>(c.BitBtn11), static_cast<QWidget*>(c.BitBtn12),
                       static_cast<QWidget*>(c.BitBtn5)})
        w->raise(); // they lie over the right part of the tool bar
}
