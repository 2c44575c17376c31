#pragma once

#include "report.h"

#include <QDialog>

#include <functional>

class PreviewControl;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

// The print preview window "Drucken": the preview control, the zoom box and
// buttons, the page buttons with the page state, print and close. The
// report's text comes from `source` (the main window's editor).
class TForm2 : public QDialog {
    Q_OBJECT
public:
    static const QStringList kZooms; // "10%" ... "300%"

    TForm2(std::function<styled::Document()> source, QWidget* parent = nullptr);

    report::Report& qr() { return m_report; }
    int selectedZoomEntry() const { return m_selected; } // -1: none

    // "&Drucken" of the main window: the report for an item `width` pixels
    // wide and the given title, produced afresh; zoom to the page width; shown.
    void prepare(int itemWidth, const QString& title);
    // "Druck&vorschau (Vollbild)": the engine's own full-screen preview.
    void fullScreenPreview(int itemWidth);

    void sakt();
    void zo();

    // controls, named as the form names them
    PreviewControl* prev;
    QWidget* Panel1;
    QToolButton *SpeedButton1, *sbzi, *sbzo, *SpeedButton2, *SpeedButton3, *sbzz, *sbz, *sbv, *sbvv;
    QComboBox* ComboBox1;
    QLineEdit* mSeite;
    QPushButton *BitBtn3, *BitBtn1;

    void SpeedButton1Click();
    void ComboBox1Change() { zo(); }
    void sbziClick();
    void sbzoClick();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void sbzzClick();
    void sbzClick();
    void sbvClick();
    void sbvvClick();
    void BitBtn3Click();
    void BitBtn1Click() { hide(); }
    void prevPageAvailable() { sakt(); }

private:
    void selectEntry(int index);

    std::function<styled::Document()> m_source;
    report::Report m_report;
    int m_selected = -1;
};
