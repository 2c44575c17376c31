#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// Moves a dialog aside when it would cover `match` (screen coordinates):
// below it, else above, else beside it, never off the screen.
void uncoverMatch(QWidget* dialog, const QRect& match);

// The non-modal search dialog "Wort suchen".
class Tsuchen : public QDialog {
    Q_OBJECT
public:
    explicit Tsuchen(QWidget* parent = nullptr);

    // Moves the dialog aside when it would cover `match` (screen coordinates).
    void uncover(const QRect& match);

    QLineEdit* stxt;
    QPushButton* Button2; // "&Weitersuchen"
    QPushButton* Button1; // "&Suchen", the default button
    QCheckBox* CheckBox1; // "Groß/Kleinschreibung"
    QCheckBox* CheckBox2; // "Ganzes Wort"
    QCheckBox* CheckBox3; // "In ganzem Text"
    QCheckBox* CheckBox4; // "Akzente ignorieren"

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitToTexts();
};
