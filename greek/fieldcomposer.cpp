#include "fieldcomposer.h"

#include "codepage.h"
#include "composer.h"
#include "unicodegreek.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace {
constexpr int kWindow = 3; // as many characters before the cursor as the typing pipeline takes
}

FieldComposer::FieldComposer(QLineEdit* field, std::function<bool()> active)
    : QObject(field)
    , m_field(field)
    , m_active(std::move(active))
    , m_plainFont(field->font())
{
    field->installEventFilter(this);
    // The field of an editable combo box gets its keys through the box.
    if (auto* box = qobject_cast<QComboBox*>(field->parentWidget()))
        box->installEventFilter(this);
    connect(field, &QLineEdit::textEdited, this, &FieldComposer::textEdited);
}

void FieldComposer::refresh()
{
    QFont f = m_plainFont;
    if (m_active()) {
        f.setFamilies({QStringLiteral("Greek")});
        f.setPixelSize(16);
    }
    if (m_field->font() != f)
        m_field->setFont(f);
    // An editable combo box's list (the replacements used before) holds the
    // same codes as its field: it shows them in the same font. Its entries
    // are drawn in the box's own font, not the list's.
    if (auto* box = qobject_cast<QComboBox*>(m_field->parentWidget())) {
        if (box->font() != f)
            box->setFont(f);
        if (m_field->font() != f)
            m_field->setFont(f);
    }
}

bool FieldComposer::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        // A key that brings text, not a shortcut: the change it makes is typing.
        m_typed = !e->text().isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
        refresh();
        break;
    }
    case QEvent::InputMethod: m_typed = true; break;
    case QEvent::FocusIn: refresh(); break;
    default: break;
    }
    return false;
}

void FieldComposer::textEdited()
{
    const bool typed = std::exchange(m_typed, false);
    if (m_composing || !m_active())
        return;
    QString text = m_field->text();
    if (!typed && std::any_of(text.cbegin(), text.cend(), [](QChar c) { return unicodegreek::isGreek(c); })) {
        // Greek pasted as Unicode (copied from the editor, say) is searched for as the font's codes.
        m_composing = true;
        const int back = int(text.size()) - m_field->cursorPosition();
        text = unicodegreek::importGreek(text).codes;
        m_field->setText(text);
        m_field->setCursorPosition(std::max(0, int(text.size()) - back));
        m_composing = false;
        return;
    }
    const int cursor = m_field->cursorPosition();
    // The window: up to three characters before the cursor, all with an 8-bit code.
    int count = std::min(cursor, kWindow);
    for (int i = cursor - 1; i >= cursor - count; --i) {
        if (!codepage::toCode(text[i])) {
            count = cursor - 1 - i;
            break;
        }
    }
    if (count == 0)
        return;
    const QString window = text.mid(cursor - count, count);
    const greek::Composition c = greek::compose(codepage::encode(window).toStdString(), typed);
    const QString result = codepage::decode(QByteArray::fromStdString(c.text));
    if (result == window)
        return;
    m_composing = true;
    m_field->setSelection(cursor - count, count);
    m_field->insert(result); // one more step of the field's own undo
    m_composing = false;
}
