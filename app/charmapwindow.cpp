#include "charmapwindow.h"

#include "accessibletext.h"
#include "codepage.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kRows = (256 - CharMapWindow::kFirst) / CharMapWindow::kColumns;

QRect cellOf(int code)
{
    const int i = code - CharMapWindow::kFirst;
    return QRect((i % CharMapWindow::kColumns) * CharMapWindow::kCell, (i / CharMapWindow::kColumns) * CharMapWindow::kCell,
                 CharMapWindow::kCell, CharMapWindow::kCell);
}

// A screen reader reads the cells as one text, code after code, in the
// Unicode the cells show; the character under the mouse is the caret.
class CharMapAccessible : public CodedTextAccessible {
public:
    explicit CharMapAccessible(CharMapWindow* map)
        : CodedTextAccessible(map, QAccessible::StaticText)
        , m_map(map)
    {
    }

protected:
    quint64 revision() const override { return qHash(m_map->fontName()); }
    void codes(QString& text, std::vector<unsigned char>& greek) const override
    {
        text.clear();
        for (int code = CharMapWindow::kFirst; code < 256; ++code)
            text += codepage::toChar(uchar(code));
        greek.assign(std::size_t(text.size()), m_map->fontName() == QLatin1String("Greek") ? 1 : 0);
    }
    void selectedPositions(int* start, int* end) const override { *start = *end = caretPosition(); }
    int caretPosition() const override { return std::max(m_map->hoveredCode() - CharMapWindow::kFirst, 0); }
    void selectPositions(int, int) override {}
    QRect positionsRect(int start, int end) const override
    {
        QRect r;
        for (int p = start; p < std::max(end, start + 1) && p < 256 - CharMapWindow::kFirst; ++p)
            r |= cellOf(CharMapWindow::kFirst + p);
        r.moveTo(m_map->mapToGlobal(r.topLeft()));
        return r;
    }
    int positionAt(const QPoint& global) const override
    {
        const int code = m_map->codeAt(m_map->mapFromGlobal(global));
        return code < 0 ? -1 : code - CharMapWindow::kFirst;
    }
    QString fontAt(int) const override { return m_map->fontName(); }

private:
    CharMapWindow* m_map;
};

QAccessibleInterface* charMapFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CharMapWindow"))
        if (auto* map = qobject_cast<CharMapWindow*>(object))
            return new CharMapAccessible(map);
    return nullptr;
}
} // namespace

void CharMapWindow::installAccessibility() { QAccessible::installFactory(charMapFactory); }

CharMapWindow::CharMapWindow(QWidget* parent)
    // A palette: a click chooses a character, and the keyboard stays where
    // the typing is (the window manager gives it no focus).
    : QWidget(parent, Qt::Tool | Qt::WindowDoesNotAcceptFocus)
{
    setWindowTitle(QStringLiteral("Sonderzeichen"));
    setAccessibleName(QStringLiteral("Sonderzeichen"));
    setFixedSize(kColumns * kCell + 1, kRows * kCell + 1);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CharMapWindow::setFontName(const QString& family)
{
    m_family = family;
    update();
}

int CharMapWindow::codeAt(const QPoint& p) const
{
    const int col = p.x() / kCell;
    const int row = p.y() / kCell;
    if (p.x() < 0 || p.y() < 0 || col >= kColumns || row >= kRows)
        return -1;
    return kFirst + row * kColumns + col;
}

void CharMapWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    QFont f(m_family);
    f.setPixelSize(kCell * 2 / 3);
    p.setFont(f);
    for (int code = kFirst; code < 256; ++code) {
        const QRect cell = cellOf(code);
        if (code == m_hover)
            p.fillRect(cell, palette().highlight());
        p.setPen(palette().mid().color());
        p.drawRect(cell);
        p.setPen(code == m_hover ? palette().highlightedText().color() : palette().text().color());
        p.drawText(cell, Qt::AlignCenter, QString(codepage::toChar(uchar(code))));
    }
}

void CharMapWindow::mousePressEvent(QMouseEvent* event)
{
    const int code = codeAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && code >= 0)
        emit codeChosen(code);
}

void CharMapWindow::mouseMoveEvent(QMouseEvent* event)
{
    const int code = codeAt(event->position().toPoint());
    if (code != m_hover) {
        m_hover = code;
        update();
    }
}
