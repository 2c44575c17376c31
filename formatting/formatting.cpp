#include "formatting.h"

#include <QStyle>

#include "richtextsurface.h"
#include "sharedstate.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLineEdit>

#include <limits>

ChoiceBox::ChoiceBox(QWidget* parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this] {
        if (!m_opening)
            emit chosen();
    });
}

void ChoiceBox::showPopup()
{
    // The list is as wide as its longest entry, never cut to the box's width
    // ("DejaVu Sans Condensed", not "DejaVu S…ondensed").
    QAbstractItemView* list = view();
    const int entries = list->sizeHintForColumn(0) + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
        + 2 * list->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    list->setMinimumWidth(std::max(entries, width()));
    m_opening = true;
    QComboBox::showPopup();
    m_opening = false;
}

void ChoiceBox::showText(const QString& text)
{
    const int entry = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (entry != currentIndex() || entry < 0)
        setCurrentIndex(entry);
    setEditText(text);
}

void FontBox::showPopup()
{
    emit dropDown();
    // The names are always listed in a readable font, whatever font the box
    // shows its own text in.
    QFont list(QStringLiteral("Arial"));
    list.setPixelSize(13);
    view()->setFont(list);
    ChoiceBox::showPopup();
}

namespace {

// The value of one digit in base 10 or 16, or -1.
int digitValue(QChar c, int base)
{
    const char16_t u = c.toLower().unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (base == 16 && u >= u'a' && u <= u'f')
        return 10 + (u - u'a');
    return -1;
}

} // namespace

int leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == QLatin1Char('0')
               && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0)
            break;
        value = value * base + digit;
        if (value > std::numeric_limits<int>::max())
            return 0; // out of range reads as no number
    }
    return int(negative ? -value : value);
}

Formatting::Formatting(const FormattingControls& c)
    : m_c(c)
{
}

void Formatting::svmark()
{
    m_c.state->ComposeArmed = false;
    m_c.state->SavedSelStart = m_c.txt->selStart();
    m_c.state->SavedSelLength = m_c.txt->selLength();
}

void Formatting::remark()
{
    m_c.txt->setSelStart(m_c.state->SavedSelStart);
    m_c.txt->setSelLength(m_c.state->SavedSelLength);
    m_c.txt->setFocus();
    m_c.state->ComposeArmed = true;
}

void Formatting::setze()
{
    if (m_c.txt->selLength() <= 0)
        m_c.txt->setSelLength(1);
    m_c.txt->setFontName(m_c.fbox->currentText());
}

// The font box shows a font's name in that very font, at its own height.
void Formatting::showFontName(const QString& name)
{
    QFont f = m_c.fbox->font();
    if (f.families() == QStringList{name})
        return; // a new font makes the box lay out its whole list again: only when it changes
    f.setFamilies(QStringList{name});
    m_c.fbox->setFont(f);
}

Formatting::Bracket::Bracket(Formatting& f)
    : m_f(f)
{
    m_f.svmark();
}

Formatting::Bracket::~Bracket()
{
    if (m_focus) {
        m_f.remark();
        return;
    }
    m_f.m_c.txt->setSelStart(m_f.m_c.state->SavedSelStart);
    m_f.m_c.txt->setSelLength(m_f.m_c.state->SavedSelLength);
    m_f.m_c.state->ComposeArmed = true;
}

void Formatting::fontButton(const QString& name)
{
    const Bracket bracket(*this);
    m_c.fbox->showText(name);
    showFontName(m_c.fbox->currentText());
    setze();
}

void Formatting::fboxChange()
{
    Bracket bracket(*this);
    // The focus stays in the box, so that a name can be typed letter by letter.
    bracket.keepFocus();
    showFontName(m_c.fbox->currentText());
    setze();
    setze();
}

void Formatting::fboxDropDown()
{
    showFontName(QStringLiteral("Arial"));
}

void Formatting::grboxChange(bool typing)
{
    Bracket bracket(*this);
    // Each partial number applies at once, but the focus stays in the box
    // while the user types there: the next digit must not replace the text.
    if (typing)
        bracket.keepFocus();
    const int size = leadingNumber(m_c.grbox->currentText());
    if (size > 0)
        m_c.txt->setFontSize(size);
}

void Formatting::sizeSmaller()
{
    const Bracket bracket(*this);
    const int s = m_c.txt->fontSize();
    if (s < 500)
        m_c.txt->setFontSize(s - 2);
    m_c.grbox->showText(QString::number(m_c.txt->fontSize()));
}

void Formatting::sizeLarger()
{
    {
        const Bracket bracket(*this);
        const int s = m_c.txt->fontSize();
        if (s < 500)
            m_c.txt->setFontSize(s + 2);
    }
    m_c.grbox->showText(QString::number(m_c.txt->fontSize()));
}

void Formatting::toggleStyle(int flag)
{
    const Bracket bracket(*this);
    const int style = m_c.txt->fontStyle();
    m_c.txt->setFontStyle((style & flag) ? (style & ~flag) : (style | flag));
}

void Formatting::align(int alignment)
{
    const Bracket bracket(*this);
    m_c.txt->setAlignment(alignment);
}

void Formatting::alignmentButton(QAbstractButton* pressed, int alignment)
{
    // The button toggled itself on the click; up to us to release the others.
    if (pressed->isChecked()) {
        for (QAbstractButton* b : {m_c.sbl, m_c.sbm, m_c.sbr})
            if (b != pressed)
                b->setChecked(false);
    }
    align(alignment);
}

void Formatting::sync()
{
    if (m_c.state->LoadingDocument)
        return;
    m_c.fbox->showText(m_c.txt->fontName());
    showFontName(m_c.fbox->currentText());
    m_c.sbr->setChecked(m_c.txt->alignment() == surface::AlignRight);
    m_c.sbl->setChecked(m_c.txt->alignment() == surface::AlignLeft);
    m_c.sbm->setChecked(m_c.txt->alignment() == surface::AlignCentre);
    m_c.grbox->showText(QString::number(m_c.txt->fontSize()));
}
