#include "accessibletext.h"

#include "richtextsurface.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

#include <algorithm>

// --- the map between Unicode offsets and positions ------------------------------

CodedTextAccessible::CodedTextAccessible(QWidget* widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role)
{
}

void* CodedTextAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString CodedTextAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return readable().text;
    return QAccessibleWidget::text(t);
}

QAccessible::State CodedTextAccessible::editState(bool readOnly, bool multiLine) const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = !readOnly;
    s.readOnly = readOnly;
    s.multiLine = multiLine;
    s.selectableText = true;
    return s;
}

const unicodegreek::Readable& CodedTextAccessible::readable() const
{
    const quint64 now = revision();
    if (now != m_revision || m_readable.offsets.empty()) {
        // What changed since the map was made is read again alone, when the
        // widget keeps a record of its changes; else the map is made anew.
        if (!m_readable.offsets.empty()) {
            if (const std::optional<Change> c = changeSince(m_revision); c && patch(c->from, c->removed, c->added))
                return m_readable;
        }
        QString text;
        std::vector<unsigned char> greek;
        codes(text, greek);
        m_readable = unicodegreek::readable(text, greek);
        m_revision = now;
    }
    return m_readable;
}

int CodedTextAccessible::offsetOf(int position) const
{
    const unicodegreek::Readable& r = readable();
    return r.offsets[std::size_t(std::clamp(position, 0, r.positions()))];
}

void CodedTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    int s = 0, e = 0;
    selectedPositions(&s, &e);
    if (selectionIndex != 0 || s == e)
        return;
    *startOffset = offsetOf(s);
    *endOffset = offsetOf(e);
}

int CodedTextAccessible::selectionCount() const
{
    int s = 0, e = 0;
    selectedPositions(&s, &e);
    return s == e ? 0 : 1;
}

void CodedTextAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void CodedTextAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        selectPositions(caretPosition(), caretPosition());
}

void CodedTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const unicodegreek::Readable& r = readable();
    int s = r.positionOf(std::min(startOffset, endOffset));
    int e = std::max(startOffset, endOffset) >= int(r.text.size()) ? r.positions()
                                                                    : r.positionOf(std::max(startOffset, endOffset));
    selectPositions(s, e);
}

int CodedTextAccessible::cursorPosition() const { return offsetOf(caretPosition()); }

void CodedTextAccessible::setCursorPosition(int position)
{
    const unicodegreek::Readable& r = readable();
    const int p = position >= int(r.text.size()) ? r.positions() : r.positionOf(position);
    selectPositions(p, p);
}

QString CodedTextAccessible::text(int startOffset, int endOffset) const
{
    const QString& t = readable().text;
    startOffset = std::clamp(startOffset, 0, int(t.size()));
    endOffset = std::clamp(endOffset, startOffset, int(t.size()));
    return t.mid(startOffset, endOffset - startOffset);
}

int CodedTextAccessible::characterCount() const { return int(readable().text.size()); }

QRect CodedTextAccessible::characterRect(int offset) const
{
    const unicodegreek::Readable& r = readable();
    if (offset < 0 || offset >= int(r.text.size()))
        return QRect();
    // A capital with its marks is one letter of two codes: its rectangle holds both.
    const int p = r.positionOf(offset);
    return positionsRect(p, r.endOfPiece(p));
}

int CodedTextAccessible::offsetAtPoint(const QPoint& point) const
{
    const int p = positionAt(point);
    if (p < 0)
        return -1;
    return offsetOf(p);
}

void CodedTextAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    const unicodegreek::Readable& r = readable();
    scrollToPositions(r.positionOf(startIndex), r.positionOf(endIndex));
}

QString CodedTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    const unicodegreek::Readable& r = readable();
    if (offset < 0 || offset >= int(r.text.size())) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    const int p = r.positionOf(offset);
    *startOffset = offsetOf(p);
    *endOffset = offsetOf(r.endOfPiece(p));
    return QStringLiteral("font-family:\"%1\";").arg(fontAt(p));
}

bool CodedTextAccessible::patch(int position, int removed, int added) const
{
    if (m_readable.offsets.empty())
        return false;
    const int n = m_readable.positions();
    if (position < 0 || removed < 0 || added < 0 || position + removed > n)
        return false;
    // Two codes on either side are read again: a capital and the marks
    // before it may join anew at the change; a joined pair is not cut.
    int from = std::max(0, position - 2);
    while (from > 0 && m_readable.offsets[std::size_t(from) - 1] == m_readable.offsets[std::size_t(from)])
        --from;
    int to = std::min(n, position + removed + 2);
    while (to < n && m_readable.offsets[std::size_t(to)] == m_readable.offsets[std::size_t(to) - 1])
        ++to;
    const int newTo = to - removed + added;
    QString codes;
    std::vector<unsigned char> greek;
    if (!codesOf(from, newTo, codes, greek) || codes.size() != newTo - from)
        return false;
    m_readable.replace(from, to, unicodegreek::readable(codes, greek));
    m_revision = revision();
    return true;
}

std::unique_ptr<QAccessibleEvent> CodedTextAccessible::translate(QAccessibleEvent* event)
{
    // What a removal took away is read from the text as it was, before the
    // map is made anew: each change is told, so the kept map is the one before it.
    const bool known = !m_readable.offsets.empty();
    auto oldSpan = [&](int position, int length) {
        const int n = m_readable.positions();
        const int from = m_readable.offsets[std::size_t(std::clamp(position, 0, n))];
        const int to = m_readable.offsets[std::size_t(std::clamp(position + length, 0, n))];
        return std::pair(from, m_readable.text.mid(from, to - from));
    };
    auto newSpan = [&](int position, int length) {
        const int from = offsetOf(position);
        return std::pair(from, readable().text.mid(from, offsetOf(position + length) - from));
    };
    std::unique_ptr<QAccessibleEvent> out;
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
        const auto [at, text] = newSpan(e->changePosition(), int(e->textInserted().size()));
        out = std::make_unique<QAccessibleTextInsertEvent>(this, at, text);
        break;
    }
    case QAccessible::TextRemoved: {
        const auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
        const auto [at, text] = known ? oldSpan(e->changePosition(), int(e->textRemoved().size()))
                                      : std::pair(offsetOf(e->changePosition()), e->textRemoved());
        readable(); // the map of the text as it is now
        out = std::make_unique<QAccessibleTextRemoveEvent>(this, at, text);
        break;
    }
    case QAccessible::TextUpdated: {
        const auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
        const QString old = known ? oldSpan(e->changePosition(), int(e->textRemoved().size())).second : e->textRemoved();
        const auto [at, text] = newSpan(e->changePosition(), int(e->textInserted().size()));
        out = std::make_unique<QAccessibleTextUpdateEvent>(this, at, old, text);
        break;
    }
    case QAccessible::TextSelectionChanged: {
        const auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
        out = std::make_unique<QAccessibleTextSelectionEvent>(this, offsetOf(e->selectionStart()), offsetOf(e->selectionEnd()));
        break;
    }
    case QAccessible::TextCaretMoved:
        out = std::make_unique<QAccessibleTextCursorEvent>(this, 0);
        break;
    default: return nullptr;
    }
    static_cast<QAccessibleTextCursorEvent*>(out.get())->setCursorPosition(cursorPosition());
    return out;
}

// --- the editor ------------------------------------------------------------

namespace {

class SurfaceAccessible : public CodedTextAccessible {
public:
    SurfaceAccessible(QTextEdit* edit, RichTextSurface* surface)
        : CodedTextAccessible(edit, QAccessible::EditableText)
        , m_edit(edit)
        , m_surface(surface)
    {
    }

    QAccessible::State state() const override { return editState(m_edit->isReadOnly(), true); }

protected:
    quint64 revision() const override { return m_surface->revision(); }
    std::optional<Change> changeSince(quint64 revision) const override
    {
        const std::optional<surface::TextChange> c = m_surface->changeLog().since(revision);
        if (!c)
            return std::nullopt;
        return Change{c->from, c->removed, c->added};
    }
    void codes(QString& text, std::vector<unsigned char>& greek) const override { m_surface->readText(text, greek); }
    bool codesOf(int start, int end, QString& text, std::vector<unsigned char>& greek) const override
    {
        if (start < 0 || end > m_surface->textLength() || start > end)
            return false;
        text = m_surface->textRange(start, end - start);
        text.replace(QLatin1Char('\n'), QChar::ParagraphSeparator); // as the kept text holds breaks
        greek.resize(std::size_t(text.size()));
        for (int i = 0; i < int(text.size()); ++i)
            greek[std::size_t(i)] = m_surface->fontNameOfChar(start + i) == QLatin1String(styled::kDefaultFont) ? 1 : 0;
        return true;
    }
    void selectedPositions(int* start, int* end) const override
    {
        *start = m_surface->selStart();
        *end = *start + m_surface->selLength();
    }
    int caretPosition() const override { return m_surface->caretPosition(); }
    void selectPositions(int start, int end) override
    {
        if (start == end)
            m_surface->setSelStart(start);
        else
            m_surface->selectRange(start, end - start);
    }
    QRect positionsRect(int start, int end) const override
    {
        // As Qt measures a character of its editors: from the caret before it
        // to the caret behind it on the same line.
        QRect r = m_surface->caretRect(start);
        const QRect behind = m_surface->caretRect(end);
        if (behind.y() == r.y() && behind.x() > r.x())
            r.setWidth(behind.x() - r.x());
        else
            r.setWidth(m_edit->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
        r.moveTo(m_edit->viewport()->mapToGlobal(r.topLeft()));
        return r;
    }
    int positionAt(const QPoint& global) const override
    {
        const QPoint local = m_edit->viewport()->mapFromGlobal(global);
        if (!m_edit->viewport()->rect().contains(local))
            return -1;
        // The caret place nearest to the point; the character under it is
        // the one before when the point lies left of that place on its line.
        const int p = m_surface->positionAt(local);
        if (p > 0) {
            const QRect at = m_surface->caretRect(p);
            if (at.x() > local.x() && m_surface->caretRect(p - 1).y() == at.y())
                return p - 1;
        }
        return p;
    }
    void scrollToPositions(int start, int end) override
    {
        const QRect first = m_surface->caretRect(start);
        const QRect last = m_surface->caretRect(end);
        QScrollBar* bar = m_edit->verticalScrollBar();
        const int height = m_edit->viewport()->height();
        if (first.top() < 0)
            bar->setValue(bar->value() + first.top());
        else if (last.bottom() > height)
            bar->setValue(bar->value() + std::min(last.bottom() - height, first.top()));
    }
    QString fontAt(int position) const override
    {
        return position < m_surface->textLength() ? m_surface->fontNameOfChar(position) : m_surface->fontName();
    }

private:
    QTextEdit* m_edit;
    RichTextSurface* m_surface;
};

// --- the coded fields ---------------------------------------------------------

class FieldAccessible : public CodedTextAccessible {
public:
    explicit FieldAccessible(CodedLineEdit* field)
        : CodedTextAccessible(field, QAccessible::EditableText)
        , m_field(field)
    {
    }

    QAccessible::State state() const override { return editState(m_field->isReadOnly(), false); }

protected:
    bool greek() const { return m_field->font().family() == QLatin1String(styled::kDefaultFont); }
    quint64 revision() const override { return qHash(m_field->text()) ^ (greek() ? 1 : 0); }
    void codes(QString& text, std::vector<unsigned char>& mask) const override
    {
        // The field shows all of its text in one font: Greek when it is "Greek".
        text = m_field->text();
        mask.assign(std::size_t(text.size()), greek() ? 1 : 0);
    }
    void selectedPositions(int* start, int* end) const override
    {
        *start = m_field->hasSelectedText() ? m_field->selectionStart() : m_field->cursorPosition();
        *end = m_field->hasSelectedText() ? m_field->selectionEnd() : *start;
    }
    int caretPosition() const override { return m_field->cursorPosition(); }
    void selectPositions(int start, int end) override
    {
        if (start == end)
            m_field->setCursorPosition(start);
        else
            m_field->setSelection(start, end - start);
    }
    QRect positionsRect(int start, int end) const override
    {
        QRect r = m_field->charactersRect(start, end);
        r.moveTo(m_field->mapToGlobal(r.topLeft()));
        return r;
    }
    int positionAt(const QPoint& global) const override
    {
        const QPoint local = m_field->mapFromGlobal(global);
        if (!m_field->rect().contains(local))
            return -1;
        const int p = m_field->cursorPositionAt(local);
        if (p > 0 && m_field->charactersRect(p, p).x() > local.x())
            return p - 1; // left of the nearest caret place: in the character before it
        return p;
    }
    QString fontAt(int) const override { return m_field->font().family(); }

private:
    CodedLineEdit* m_field;
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("SurfaceEdit")) {
        auto* edit = qobject_cast<QTextEdit*>(object);
        RichTextSurface* surface = RichTextSurface::of(object);
        if (edit && surface)
            return new SurfaceAccessible(edit, surface);
    }
    if (className == QLatin1String("CodedLineEdit"))
        if (auto* field = qobject_cast<CodedLineEdit*>(object))
            return new FieldAccessible(field);
    return nullptr;
}

} // namespace

QRect CodedLineEdit::charactersRect(int start, int end) const
{
    // The caret's rectangle tells where the field has scrolled its text to;
    // the characters lie at their advance from it.
    const QFontMetrics fm(font());
    const QString t = displayText();
    start = std::clamp(start, 0, int(t.size()));
    end = std::clamp(end, start, int(t.size()));
    const QRect caret = cursorRect();
    const int origin = caret.center().x() - fm.horizontalAdvance(t.left(cursorPosition()));
    const int left = origin + fm.horizontalAdvance(t.left(start));
    const int right = origin + fm.horizontalAdvance(t.left(end));
    return QRect(left, caret.top(), std::max(right - left, 1), caret.height());
}

namespace {

QAccessible::UpdateHandler g_next = nullptr;
void translateUpdate(QAccessibleEvent* event);

// Hands the event on as if no handler of ours were there.
void handOn(QAccessibleEvent* event)
{
    QAccessible::installUpdateHandler(g_next);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(translateUpdate);
}

// Qt's editors tell their changes in positions and characters of the
// codes; a screen reader echoing what was typed must hear the Unicode.
void translateUpdate(QAccessibleEvent* event)
{
    // Only text events are looked at: asking any other event for its
    // interface would make interfaces of widgets still being built.
    switch (event->type()) {
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
    case QAccessible::TextSelectionChanged:
    case QAccessible::TextCaretMoved:
        if (auto* coded = dynamic_cast<CodedTextAccessible*>(event->accessibleInterface())) {
            if (const std::unique_ptr<QAccessibleEvent> translated = coded->translate(event)) {
                handOn(translated.get());
                return;
            }
        }
        break;
    default: break;
    }
    handOn(event);
}

} // namespace

void accessibletext::install()
{
    QAccessible::installFactory(factory);
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(translateUpdate);
    if (before != translateUpdate)
        g_next = before; // ours goes on to the one installed before it

}
