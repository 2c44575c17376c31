#pragma once

#include <QWidget>

// In place of the system's character map: the codes 32 to 255 in the font at
// the caret; a click enters the code at the caret.
class CharMapWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 16;
    static constexpr int kFirst = 32;
    static constexpr int kCell = 30;

    explicit CharMapWindow(QWidget* parent = nullptr);
    void setFontName(const QString& family);
    const QString& fontName() const { return m_family; }
    int hoveredCode() const { return m_hover; }
    // Screen readers read the cells as Unicode; once, after the application object exists.
    static void installAccessibility();
    // The code in the cell at a point of the window, or -1.
    int codeAt(const QPoint& p) const;

signals:
    void codeChosen(int code);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString m_family;
    int m_hover = -1;
};
