#include "tersetzen.h"

#include "accessibletext.h"

#include "tsuchen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Two boxes that show one state.
void mirror(QCheckBox* a, QCheckBox* b)
{
    b->setChecked(a->isChecked());
    QObject::connect(a, &QCheckBox::toggled, b, [b](bool on) { b->setChecked(on); });
    QObject::connect(b, &QCheckBox::toggled, a, [a](bool on) { a->setChecked(on); });
}

// The text is read from the field, not taken from the signal: a field that
// composes rewrites its text inside the edit, and the edit's own signal,
// sent after that, still carries the text from before.
void mirror(QLineEdit* a, QLineEdit* b)
{
    b->setText(a->text());
    const auto follow = [](QLineEdit* from, QLineEdit* to) {
        QObject::connect(from, &QLineEdit::textChanged, to, [from, to] {
            if (to->text() != from->text())
                to->setText(from->text());
        });
    };
    follow(a, b);
    follow(b, a);
}

} // namespace

Tersetzen::Tersetzen(Tsuchen* search, QWidget* parent)
    : QDialog(parent)
    , stxt(new CodedLineEdit(this))
    , etxt(new QComboBox(this))
    , CheckBox1(new QCheckBox(QStringLiteral("Groß/Kleinschreibung"), this))
    , CheckBox2(new QCheckBox(QStringLiteral("Ganzes Wort"), this))
    , CheckBox3(new QCheckBox(QStringLiteral("In ganzem Text"), this))
    , CheckBox4(new QCheckBox(QStringLiteral("Akzente ignorieren"), this))
    , Button1(new QPushButton(QStringLiteral("&Weitersuchen"), this))
    , Button2(new QPushButton(QStringLiteral("&Ersetzen"), this))
    , Button3(new QPushButton(QStringLiteral("&Alle ersetzen"), this))
{
    setObjectName(QStringLiteral("ersetzen"));
    setWindowTitle(QStringLiteral("Ersetzen"));
    setProperty("helpFile", QStringLiteral("sthilfe"));
    setModal(false);
    setFont(search->font());
    etxt->setEditable(true);
    etxt->setLineEdit(new CodedLineEdit(etxt)); // its text is codes, as the search field's
    etxt->setInsertPolicy(QComboBox::NoInsert); // the list grows by remember(), not by Return
    etxt->setMaxCount(kHistory);
    etxt->setMinimumContentsLength(24);
    etxt->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto* fields = new QGridLayout;
    auto* what = new QLabel(QStringLiteral("Suchen &nach:"), this);
    auto* with = new QLabel(QStringLiteral("Ersetzen &durch:"), this);
    what->setBuddy(stxt);
    with->setBuddy(etxt);
    fields->addWidget(what, 0, 0);
    fields->addWidget(stxt, 0, 1);
    fields->addWidget(with, 1, 0);
    fields->addWidget(etxt, 1, 1);
    auto* boxes = new QVBoxLayout;
    for (QCheckBox* b : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        boxes->addWidget(b);
    boxes->addStretch();
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* lower = new QHBoxLayout;
    lower->addLayout(boxes, 1);
    lower->addLayout(buttons);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(8, 8, 8, 8);
    all->addLayout(fields);
    all->addLayout(lower);
    setFixedSize(sizeHint());

    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    setTabOrder(stxt, etxt);
    setTabOrder(etxt, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, CheckBox3);
    setTabOrder(CheckBox3, CheckBox4);
    setTabOrder(CheckBox4, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    mirror(search->stxt, stxt);
    mirror(search->CheckBox1, CheckBox1);
    mirror(search->CheckBox2, CheckBox2);
    mirror(search->CheckBox3, CheckBox3);
    mirror(search->CheckBox4, CheckBox4);
    stxt->setFocus();
}

QString Tersetzen::replacement() const { return etxt->currentText(); }

void Tersetzen::remember(const QString& replacement)
{
    QStringList list = history();
    list.removeAll(replacement);
    list.prepend(replacement);
    setHistory(list);
}

QStringList Tersetzen::history() const
{
    QStringList list;
    for (int i = 0; i < etxt->count(); ++i)
        list.append(etxt->itemText(i));
    return list;
}

void Tersetzen::setHistory(const QStringList& history)
{
    // The field keeps what it shows; only the list behind it changes.
    const QString shown = etxt->currentText();
    const int cursor = etxt->lineEdit()->cursorPosition();
    etxt->clear();
    etxt->addItems(history.mid(0, kHistory));
    etxt->setCurrentIndex(-1);
    etxt->setEditText(shown);
    etxt->lineEdit()->setCursorPosition(cursor);
}
