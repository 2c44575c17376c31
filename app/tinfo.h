#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The about window "Info zu Stilora".
class Tinfo : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWebAddress = "https://stilora.example.org";

    explicit Tinfo(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4; // the link
    QPushButton* BitBtn1;

    void BitBtn1Click() { hide(); } // OK closes (hides) the window

signals:
    void linkClicked(); // Label4Click

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
