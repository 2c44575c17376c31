#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class Tsuchen;

// The non-modal dialog "Ersetzen": the search text, the replacement with the
// replacements used before, and the four boxes of "Wort suchen". Search text
// and boxes are one state shown in both dialogs: a change in one shows in
// the other.
class Tersetzen : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHistory = 10; // replacements kept in the list

    Tersetzen(Tsuchen* search, QWidget* parent = nullptr);

    // Puts the replacement at the top of the list (once).
    void remember(const QString& replacement);
    QStringList history() const;
    void setHistory(const QStringList& history);
    QString replacement() const;

    QLineEdit* stxt;   // "Suchen nach"
    QComboBox* etxt;   // "Ersetzen durch", editable, with the history
    QCheckBox* CheckBox1; // "Groß/Kleinschreibung"
    QCheckBox* CheckBox2; // "Ganzes Wort"
    QCheckBox* CheckBox3; // "In ganzem Text"
    QCheckBox* CheckBox4; // "Akzente ignorieren"
    QPushButton* Button1; // "&Weitersuchen", the default button
    QPushButton* Button2; // "&Ersetzen"
    QPushButton* Button3; // "&Alle ersetzen"
};
