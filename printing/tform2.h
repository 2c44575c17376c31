#pragma once

#include <QDialog>

// The print preview window "Drucken"; its page and zoom controls come with printing.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};
