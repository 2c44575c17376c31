#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The non-modal search dialog "Wort suchen".
class Tsuchen : public QDialog {
    Q_OBJECT
public:
    explicit Tsuchen(QWidget* parent = nullptr);

    QLineEdit* stxt;
    QPushButton* Button2; // "&Weitersuchen"
    QPushButton* Button1; // "&Suchen", the default button
    QCheckBox* CheckBox1; // "Groß/Kleinschreibung"
    QCheckBox* CheckBox2; // "Ganzes Wort"
    QCheckBox* CheckBox3; // "In ganzem Text"
};
