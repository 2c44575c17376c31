#include "richtextsurface.h"

#include "paragraphlayout.h"

#include "mimeimport.h"
#include "qtformat.h"
#include "textsearch.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QUrl>
#include <QWheelEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

using surface::ChangeOrigin;

// Marks the changes made inside one operation with their origin.
class RichTextSurface::OriginScope {
public:
    OriginScope(RichTextSurface* s, ChangeOrigin origin)
        : m_s(s)
        , m_before(s->m_origin)
    {
        s->m_origin = origin;
    }
    ~OriginScope() { m_s->m_origin = m_before; }

private:
    RichTextSurface* m_s;
    ChangeOrigin m_before;
};

// The editor widget. It reports key and mouse presses to the surface and
// enters typed text itself, each keystroke as one undo step of its own, so
// that a composition triggered by the keystroke can join that step.
// Its own class name lets the accessibility factory find it.
class SurfaceEdit : public QTextEdit {
    Q_OBJECT
public:
    RichTextSurface* owner() const { return m_owner; }

    SurfaceEdit(RichTextSurface* owner, QWidget* parent)
        : QTextEdit(parent)
        , m_owner(owner)
    {
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        emit m_owner->keyDown(e);
        if (const int direction = zoomKey(e)) {
            zoomTo(direction == 2 ? 100 : RichTextSurface::zoomStep(m_owner->zoom(), direction));
            e->accept();
            return;
        }
        if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo)) {
            RichTextSurface::OriginScope scope(m_owner, ChangeOrigin::UndoRedo);
            QTextEdit::keyPressEvent(e);
            return;
        }
        if (isTypedText(e)) {
            m_owner->typeText(e->text());
            e->accept();
            return;
        }
        if (isAltLetter(e)) {
            // Alt with a letter that opens no menu types nothing.
            e->ignore();
            return;
        }
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && (e->modifiers() & Qt::ShiftModifier)) {
            // Qt would enter a line separator, which the document cannot
            // hold: Shift+Return is a paragraph break like Return.
            QKeyEvent plain(e->type(), e->key(), e->modifiers() & ~Qt::ShiftModifier, e->text(), e->isAutoRepeat(),
                            ushort(e->count()));
            QTextEdit::keyPressEvent(&plain);
            e->setAccepted(plain.isAccepted());
            return;
        }
        QTextEdit::keyPressEvent(e);
    }

    void inputMethodEvent(QInputMethodEvent* e) override
    {
        if (!isReadOnly() && e->preeditString().isEmpty() && e->replacementLength() == 0
            && !e->commitString().isEmpty()) {
            m_owner->typeText(e->commitString());
            e->accept();
            return;
        }
        // A commit that also changes the pre-edit text is typing as well.
        RichTextSurface::OriginScope scope(m_owner, ChangeOrigin::Typing);
        QTextEdit::inputMethodEvent(e);
    }

    // Paste and drop arrive here; copy, cut and drag take their data here.
    void insertFromMimeData(const QMimeData* source) override { m_owner->insertMimeData(source); }
    QMimeData* createMimeDataFromSelection() const override { return m_owner->mimeDataForSelection(); }

    // The window builds the menu: its items are the main menu's commands.
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        emit m_owner->contextMenuRequested(e->globalPos());
        e->accept();
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        QTextEdit::mousePressEvent(e);
        emit m_owner->mouseDown(e);
    }

    void wheelEvent(QWheelEvent* e) override
    {
        if (!(e->modifiers() & Qt::ControlModifier)) {
            QTextEdit::wheelEvent(e);
            return;
        }
        // Ctrl with the wheel zooms the view; a touchpad's small steps add up to a notch.
        m_wheel += e->angleDelta().y();
        while (std::abs(m_wheel) >= 120) {
            const int direction = m_wheel > 0 ? 1 : -1;
            m_wheel -= direction * 120;
            zoomTo(RichTextSurface::zoomStep(m_owner->zoom(), direction));
        }
        e->accept();
    }

    // Local files dragged here are opened, not entered: the drag is taken
    // without the text's drop caret, and the drop hands them on.
    void dragEnterEvent(QDragEnterEvent* e) override
    {
        if (mimeimport::localFiles(e->mimeData()).isEmpty())
            return QTextEdit::dragEnterEvent(e);
        e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override
    {
        if (mimeimport::localFiles(e->mimeData()).isEmpty())
            return QTextEdit::dragMoveEvent(e);
        e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override
    {
        const QStringList files = mimeimport::localFiles(e->mimeData());
        if (files.isEmpty())
            return QTextEdit::dropEvent(e);
        e->acceptProposedAction();
        emit m_owner->filesDropped(files);
    }

private:
    bool isTypedText(const QKeyEvent* e) const
    {
        if (isReadOnly() || e->text().isEmpty())
            return false;
        const auto mods = e->modifiers();
        if ((mods & Qt::MetaModifier) || ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)))
            return false;
        if (isAltLetter(e))
            return false;
        if (e->text() == QLatin1String("\t"))
            return !tabChangesFocus() && !(mods & ~Qt::KeypadModifier);
        return std::all_of(e->text().cbegin(), e->text().cend(), [](QChar c) { return c.isPrint(); });
    }

    // Alt without Ctrl: a menu's access key, never text (Ctrl+Alt is AltGr on Windows).
    static bool isAltLetter(const QKeyEvent* e)
    {
        return (e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier) && !e->text().isEmpty();
    }

    // The user's zoom, told when it changes.
    void zoomTo(int percent)
    {
        if (percent == m_owner->zoom())
            return;
        m_owner->setZoom(percent);
        emit m_owner->zoomChanged(percent);
    }

    // 1 for Ctrl+Plus (Ctrl+= as well, the plus's key on many layouts), -1
    // for Ctrl+Minus, 2 for Ctrl+0; 0 for any other key.
    static int zoomKey(const QKeyEvent* e)
    {
        if (!(e->modifiers() & Qt::ControlModifier) || (e->modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
            return 0;
        switch (e->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: return 1;
        case Qt::Key_Minus: return -1;
        case Qt::Key_0: return (e->modifiers() & Qt::ShiftModifier) ? 0 : 2;
        default: return 0;
        }
    }

    RichTextSurface* m_owner;
    int m_wheel = 0;
};

RichTextSurface::RichTextSurface(QWidget* parent)
    : QObject(parent)
    , m_edit(new SurfaceEdit(this, parent))
    , m_doc(m_edit->document())
{
    QFont font(QString::fromLatin1(kDefaultFont));
    font.setPixelSize(kDefaultPixelSize);
    m_edit->setFont(font);
    attachDocument(m_doc);
    m_edit->setAcceptRichText(true);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setLineWrapMode(QTextEdit::WidgetWidth);
    m_edit->setTabChangesFocus(false);
    // The editor draws the same whether its window is active or not (a
    // question open over it, say): the selection stays visible in its usual
    // colours, and so does everything else.
    QPalette pal = m_edit->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        pal.setBrush(QPalette::Inactive, QPalette::ColorRole(role), pal.brush(QPalette::Active, QPalette::ColorRole(role)));
    m_edit->setPalette(pal);

}

RichTextSurface::~RichTextSurface() = default;

QWidget* RichTextSurface::widget() const { return m_edit; }

// Gives a document the editor's layout, font and notifications.
void RichTextSurface::attachDocument(QTextDocument* doc)
{
    // The editor's 19 pixels as the 14.25 points they are at 96 pixels per
    // inch, the resolution the document's sizes count with: the zoom's
    // resolution then enlarges text of the default size like any other.
    QFont font = m_edit->font();
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    doc->setDefaultFont(font);
    doc->setDocumentLayout(new ParagraphLayout(doc));
    connect(doc, &QTextDocument::contentsChange, this, &RichTextSurface::onContentsChange);
    connect(doc, &QTextDocument::contentsChanged, this, &RichTextSurface::onContentsChanged);
    connect(doc, &QTextDocument::modificationChanged, this, &RichTextSurface::modificationChanged);
    ++m_generation;
}

int RichTextSurface::zoomStep(int percent, int direction)
{
    static constexpr int kSteps[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    if (direction > 0) {
        for (int s : kSteps)
            if (s > percent)
                return s;
        return kZoomMax;
    }
    for (auto it = std::rbegin(kSteps); it != std::rend(kSteps); ++it)
        if (*it < percent)
            return *it;
    return kZoomMin;
}

void RichTextSurface::setZoom(int percent)
{
    percent = std::clamp(percent, kZoomMin, kZoomMax);
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    applyZoom();
}

// The layout measures and draws its fonts for a device of the screen's
// resolution times the zoom: every position the editor works with (caret,
// selection, clicks, scrolling) is then of the zoomed view, while the
// document's formats keep their sizes.
void RichTextSurface::applyZoom()
{
    QAbstractTextDocumentLayout* layout = m_doc ? m_doc->documentLayout() : nullptr;
    if (!layout)
        return;
    if (m_zoom == 100) {
        layout->setPaintDevice(nullptr);
        m_zoomDevice.reset();
    } else {
        auto device = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
        const double dotsPerMetre = m_edit->logicalDpiY() * m_zoom / 100.0 / 0.0254;
        device->setDotsPerMeterX(int(std::lround(dotsPerMetre)));
        device->setDotsPerMeterY(int(std::lround(dotsPerMetre)));
        layout->setPaintDevice(device.get());
        m_zoomDevice = std::move(device); // the old one goes after the layout has let it go
    }
    // Everything is measured anew.
    m_doc->markContentsDirty(0, m_doc->characterCount());
    m_edit->viewport()->update();
}

void RichTextSurface::onContentsChanged()
{
    if (!m_hasPending || m_announced)
        return;
    m_hasPending = false;
    const surface::TextChange change = m_pending;
    emit changed(change);
}

// --- selection -------------------------------------------------------------

int RichTextSurface::selStart() const { return m_edit->textCursor().selectionStart(); }

int RichTextSurface::selLength() const
{
    const QTextCursor c = m_edit->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextSurface::setSelStart(int pos)
{
    Q_ASSERT(pos >= 0 && pos <= textLength());
    QTextCursor c = m_edit->textCursor();
    c.setPosition(std::clamp(pos, 0, textLength()));
    m_edit->setTextCursor(c);
}

void RichTextSurface::setSelLength(int length)
{
    selectRange(selStart(), length);
}

QRect RichTextSurface::selectionScreenRect() const
{
    const QTextCursor c = m_edit->textCursor();
    QTextCursor from(m_doc), to(m_doc);
    from.setPosition(c.selectionStart());
    to.setPosition(c.selectionEnd());
    QRect r = m_edit->cursorRect(from).united(m_edit->cursorRect(to));
    if (from.block() != to.block()) // lines between: the whole width
        r = QRect(0, r.top(), m_edit->viewport()->width(), r.height());
    return QRect(m_edit->viewport()->mapToGlobal(r.topLeft()), r.size());
}

void RichTextSurface::selectRange(int start, int length)
{
    // A selection reaching past the end ends at the end, as the edit control's does.
    Q_ASSERT(start >= 0 && start <= textLength() && length >= 0);
    const int size = textLength();
    start = std::clamp(start, 0, size);
    const int end = std::clamp(start + std::max(length, 0), start, size);
    QTextCursor c = m_edit->textCursor();
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    m_edit->setTextCursor(c);
    m_edit->ensureCursorVisible();
}

QString RichTextSurface::selText() const
{
    QString s = m_edit->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

void RichTextSurface::deleteSelection()
{
    QTextCursor c = m_edit->textCursor();
    if (c.hasSelection())
        c.removeSelectedText();
}

// --- whole text ---------------------------------------------------------------

QString RichTextSurface::text() const
{
    QString s = m_doc->toRawText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

void RichTextSurface::setText(const QString& text)
{
    load(styled::Document::fromPlainText(text, qtformat::toModel(QTextCharFormat(), m_doc->defaultFont())));
}

int RichTextSurface::textLength() const { return m_doc->characterCount() - 1; }

QString RichTextSurface::textRange(int start, int length) const
{
    Q_ASSERT(start >= 0 && length >= 0 && start + length <= textLength());
    const int size = textLength();
    start = std::clamp(start, 0, size);
    const int end = std::clamp(start + length, start, size);
    QString s;
    s.reserve(end - start);
    for (int i = start; i < end; ++i) {
        const QChar ch = m_doc->characterAt(i);
        s.append(ch == QChar::ParagraphSeparator ? QChar(QLatin1Char('\n')) : ch);
    }
    return s;
}

// --- attributes -------------------------------------------------------------

QTextCharFormat RichTextSurface::charFormatOfChar(int index) const
{
    if (index < 0 || index >= textLength())
        return m_edit->textCursor().charFormat();
    // Walk the fragments of the one paragraph: a QTextCursor would ask the
    // layout for its x position, which shapes the line, on every keystroke.
    const QTextBlock block = m_doc->findBlock(index);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (index < fragment.position() + fragment.length())
            return fragment.charFormat();
    }
    return block.charFormat(); // the paragraph break itself
}

QTextCharFormat RichTextSurface::selectionFormat() const
{
    const QTextCursor c = m_edit->textCursor();
    if (!c.hasSelection())
        return c.charFormat();
    return charFormatOfChar(c.selectionStart());
}

QString RichTextSurface::fontName() const { return qtformat::familyOf(selectionFormat(), m_doc->defaultFont()); }

QString RichTextSurface::fontNameOfChar(int index) const
{
    return qtformat::familyOf(charFormatOfChar(index), m_doc->defaultFont());
}

void RichTextSurface::mergeFormat(const QTextCharFormat& format)
{
    OriginScope scope(this, ChangeOrigin::Formatting);
    QTextCursor c = m_edit->textCursor();
    if (c.hasSelection())
        c.mergeCharFormat(format);
    else
        m_edit->mergeCurrentCharFormat(format);
}

void RichTextSurface::setFontName(const QString& name)
{
    QTextCharFormat f;
    qtformat::setFamily(f, name);
    mergeFormat(f);
}

int RichTextSurface::fontSize() const { return currentFormat().size; }

void RichTextSurface::setFontSize(int points)
{
    // Qt has no font of zero or negative size; the smallest it keeps is one point.
    QTextCharFormat f;
    f.setFontPointSize(std::max(points, 1));
    mergeFormat(f);
}

int RichTextSurface::fontStyle() const { return currentFormat().style; }

void RichTextSurface::setFontStyle(int style)
{
    QTextCharFormat f;
    f.setFontWeight((style & surface::Bold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(style & surface::Italic);
    f.setFontUnderline(style & surface::Underline);
    f.setFontStrikeOut(style & surface::StrikeOut);
    mergeFormat(f);
}

int RichTextSurface::alignment() const { return qtformat::alignmentOf(m_edit->textCursor().blockFormat()); }

void RichTextSurface::setAlignment(int alignment)
{
    OriginScope scope(this, ChangeOrigin::Formatting);
    QTextCursor c = m_edit->textCursor();
    c.mergeBlockFormat(qtformat::blockFormat(alignment));
}

// --- find -------------------------------------------------------------------

namespace {

// What a walk's reader makes of each of the document's formats, made once
// per format: a document of many runs has few formats, and converting a
// format costs more than the rest of a run.
template <class T>
class FormatCache {
public:
    template <class Make>
    const T& at(const QTextFragment& fragment, Make&& make)
    {
        const int index = fragment.charFormatIndex();
        if (index < 0)
            return m_scratch = make(fragment.charFormat());
        if (std::size_t(index) >= m_made.size()) {
            m_made.resize(std::size_t(index) + 1);
            m_values.resize(std::size_t(index) + 1);
        }
        if (!m_made[std::size_t(index)]) {
            m_values[std::size_t(index)] = make(fragment.charFormat());
            m_made[std::size_t(index)] = true;
        }
        return m_values[std::size_t(index)];
    }

private:
    std::vector<bool> m_made;
    std::vector<T> m_values;
    T m_scratch{};
};

} // namespace

// The text as find() reads it (a paragraph break is one position), for
// each position whether it is set in the font "Greek", and, once a search
// ignoring the marks asked for it, the text folded for that search. Kept
// from one search to the next: a change marks the part of the document it
// touched (onContentsChange), and the next search reads only that part
// again; another document attached reads all.
namespace {
constexpr int kFindTextSlack = 1 << 16; // characters the kept text may grow by before it moves
} // namespace

struct RichTextSurface::FindText {
    quint64 document = 0; // m_generation of the document it was made from (0: not made yet)
    QString text;
    std::vector<unsigned char> greek;
    QString folded; // empty until a search ignoring the marks
    bool foldedMade = false;
    // What changed since: the first `unchangedHead` and the last
    // `unchangedTail` positions are as kept.
    int unchangedHead = 0;
    int unchangedTail = 0;
    bool changed = false;

    void touched(int from, int added, int length)
    {
        // Qt may report more than changed (up to the final paragraph's end),
        // never less: the clamps keep the marks inside the document.
        const int end = std::clamp(from + std::max(added, 0), 0, length);
        from = std::clamp(from, 0, end);
        if (!changed) {
            unchangedHead = from;
            unchangedTail = length - end;
            changed = true;
        } else {
            unchangedHead = std::min(unchangedHead, from);
            unchangedTail = std::min(unchangedTail, length - end);
        }
    }
};

void RichTextSurface::onContentsChange(int from, int removed, int added)
{
    ++m_revision;
    // Text or attributes: what find() keeps is old from here on.
    if (m_findText)
        m_findText->touched(from, added, textLength());
    if (m_announced)
        return;
    // Qt reports an attribute change as the same range removed and added; the
    // origin tells it from new text (TextChange::inserted).
    m_pending = {from, removed, added, m_origin};
    m_hasPending = true;
}

void RichTextSurface::readFindText(int start, int end, QString& text, std::vector<unsigned char>& greek) const
{
    if (text.capacity() < end - start)
        text.reserve(end - start);
    if (greek.capacity() < std::size_t(end - start))
        greek.reserve(std::size_t(end - start));
    const QFont def = m_doc->defaultFont();
    const QString kGreek = QString::fromLatin1(styled::kDefaultFont);
    FormatCache<unsigned char> formats;
    bool first = true;
    walk(
        start, end,
        [&](const QTextBlock& b) {
            // A paragraph reached after the first begins behind its break.
            if (!first && b.position() - 1 >= start && b.position() - 1 < end) {
                text += QChar::ParagraphSeparator;
                greek.push_back(0);
            }
            first = false;
        },
        [&](QString&& piece, const QTextFragment& fragment) {
            text += piece;
            const unsigned char g = formats.at(fragment, [&](const QTextCharFormat& format) {
                return qtformat::familyOf(format, def) == kGreek ? 1 : 0;
            });
            greek.insert(greek.end(), std::size_t(piece.size()), g);
        });
    Q_ASSERT(text.size() == end - start && greek.size() == std::size_t(text.size()));
}

const RichTextSurface::FindText& RichTextSurface::findText(bool folded) const
{
    if (!m_findText)
        m_findText = std::make_unique<FindText>();
    FindText& f = *m_findText;
    const int length = textLength();
    if (f.document != m_generation) {
        f.text.clear();
        f.greek.clear();
        f.text.reserve(length + kFindTextSlack);
        f.greek.reserve(std::size_t(length + kFindTextSlack));
        readFindText(0, length, f.text, f.greek);
        f.folded.clear();
        f.foldedMade = false;
        f.document = m_generation;
        f.changed = false;
    } else if (f.changed) {
        const int kept = int(f.text.size());
        const int head = std::min({f.unchangedHead, length - f.unchangedTail, kept - f.unchangedTail});
        const int newEnd = length - f.unchangedTail, oldEnd = kept - f.unchangedTail;
        QString text;
        std::vector<unsigned char> greek;
        readFindText(head, newEnd, text, greek);
        // Room to grow in place: a typed letter moves the tail, it does not
        // copy the whole text into new memory.
        const qsizetype room = length + kFindTextSlack;
        if (f.text.capacity() < length) {
            f.text.reserve(room);
            f.greek.reserve(std::size_t(room));
            if (f.foldedMade)
                f.folded.reserve(room);
        }
        f.text.replace(head, oldEnd - head, text);
        f.greek.erase(f.greek.begin() + head, f.greek.begin() + oldEnd);
        f.greek.insert(f.greek.begin() + head, greek.begin(), greek.end());
        if (f.foldedMade) {
            QString part(text.size(), Qt::Uninitialized);
            textsearch::foldRange(f.text, f.greek, head, newEnd, part.data() - head);
            f.folded.replace(head, oldEnd - head, part);
        }
        f.changed = false;
    }
    Q_ASSERT(f.text.size() == length && f.greek.size() == std::size_t(length));
    if (folded && !f.foldedMade) {
        f.folded.clear();
        f.folded.reserve(length + kFindTextSlack);
        f.folded.resize(length);
        textsearch::foldRange(f.text, f.greek, 0, length, f.folded.data());
        f.foldedMade = true;
    }
    return f;
}

static_assert(int(surface::WholeWord) == int(textsearch::WholeWord) && int(surface::MatchCase) == int(textsearch::MatchCase) &&
              int(surface::IgnoreMarks) == int(textsearch::IgnoreMarks));

// A loaded document's search text comes from its model, which is flat and
// quick to read: the first search after an open need not walk the document.
void RichTextSurface::keepFindText(const styled::Document& document)
{
    textsearch::Searchable s = textsearch::searchable(document);
    if (s.text.size() != textLength())
        return; // not as the document holds it: the next search reads the document
    if (!m_findText)
        m_findText = std::make_unique<FindText>();
    FindText& f = *m_findText;
    f.text = std::move(s.text);
    f.greek = std::move(s.greek);
    f.text.reserve(f.text.size() + kFindTextSlack);
    f.greek.reserve(f.greek.size() + kFindTextSlack);
    f.folded.clear();
    f.foldedMade = false;
    f.document = m_generation;
    f.changed = false;
#ifndef QT_NO_DEBUG
    // The model's text is the walker's, character for character and font for font.
    QString walked;
    std::vector<unsigned char> greek;
    readFindText(0, textLength(), walked, greek);
    Q_ASSERT(walked == f.text && greek == f.greek);
#endif
}

textsearch::Match RichTextSurface::findMatch(const QString& what, int start, int length, int options) const
{
    Q_ASSERT(start >= 0 && length >= 0 && start + length <= textLength());
    const bool ignoreMarks = options & surface::IgnoreMarks;
    const FindText& f = findText(ignoreMarks);
    QString wanted = what;
    wanted.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
    return textsearch::find(f.text, f.greek, wanted, start, length, options, ignoreMarks ? QStringView(f.folded) : QStringView());
}

int RichTextSurface::find(const QString& what, int start, int length, int options) const
{
    return findMatch(what, start, length, options).start;
}

// --- edit commands ------------------------------------------------------------

void RichTextSurface::undo()
{
    OriginScope scope(this, ChangeOrigin::UndoRedo);
    m_edit->undo();
}

bool RichTextSurface::canUndo() const { return m_doc->isUndoAvailable(); }

void RichTextSurface::redo()
{
    OriginScope scope(this, ChangeOrigin::UndoRedo);
    m_edit->redo();
}

bool RichTextSurface::canRedo() const { return m_doc->isRedoAvailable(); }

void RichTextSurface::copy() { m_edit->copy(); }

void RichTextSurface::cut() { m_edit->cut(); }

void RichTextSurface::paste() { m_edit->paste(); }

void RichTextSurface::enter(ChangeOrigin origin, const std::function<void(QTextCursor&)>& insert)
{
    OriginScope scope(this, origin);
    QTextCursor c = m_edit->textCursor();
    const int from = c.selectionStart();
    const int removed = c.selectionEnd() - from;
    const int before = textLength();
    c.beginEditBlock();
    c.removeSelectedText();
    insert(c);
    m_edit->setTextCursor(c);
    // The change is announced inside its own edit block: a composition it
    // causes becomes part of the same undo step, and the layout runs once
    // for both when the block closes.
    m_hasPending = false;
    emit changed({from, removed, textLength() - before + removed, origin});
    m_announced = true;
    c.endEditBlock();
    m_announced = false;
    m_edit->ensureCursorVisible();
}

namespace {
// Plain text as the document holds it: paragraph breaks, and Unicode scalars only.
QString enteringText(const QString& text)
{
    QString t = styled::paragraphBreaks(text);
    styled::replaceLoneSurrogates(t);
    return t;
}
} // namespace

void RichTextSurface::typeText(const QString& text)
{
    if (text.isEmpty())
        return;
    // Typed text takes the caret's format as it is.
    enter(ChangeOrigin::Typing, [&](QTextCursor& c) { c.insertText(enteringText(text)); });
}

mimeimport::Place RichTextSurface::entryPlace() const
{
    // Where the caret stands once the selection is gone: the format of the
    // character before it, the alignment of its paragraph.
    QTextCursor at(m_doc);
    at.setPosition(m_edit->textCursor().selectionStart());
    return {qtformat::toModel(at.charFormat(), m_doc->defaultFont()), qtformat::alignmentOf(at.blockFormat()),
            m_doc->defaultFont(), m_edit->acceptRichText()};
}

void RichTextSurface::enterModel(ChangeOrigin origin, const styled::Document& fragment)
{
    if (fragment.length() > 0 || fragment.paragraphs.size() > 1)
        enter(origin, [&](QTextCursor& c) { qtformat::insertModel(c, fragment); });
}

void RichTextSurface::insertText(const QString& text)
{
    if (!text.isEmpty())
        enterModel(ChangeOrigin::Paste, mimeimport::fromPlainText(text, entryPlace()));
}

void RichTextSurface::insertMimeData(const QMimeData* source)
{
    if (!source || m_edit->isReadOnly())
        return;
    if (const auto fragment = mimeimport::fromMime(source, entryPlace()))
        enterModel(ChangeOrigin::Paste, *fragment);
}

void RichTextSurface::replaceRanges(const std::vector<textsearch::Match>& ranges, const QString& text)
{
    if (ranges.empty() || m_edit->isReadOnly())
        return;
    Q_ASSERT(std::is_sorted(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.start < b.start; }));
    Q_ASSERT(ranges.front().start >= 0 && ranges.back().start + ranges.back().length <= textLength());
    OriginScope scope(this, ChangeOrigin::Replace);
    const QString entering = enteringText(text);
    const int before = textLength();
    const int from = ranges.front().start;
    const int removed = ranges.back().start + ranges.back().length - from;
    QTextCursor c(m_doc);
    c.beginEditBlock();
    // The last range first: the ones before it keep their positions. Runs of
    // matches in one format are the rule; the paste's form of the text is
    // made once for each.
    QTextCharFormat lastFormat;
    int lastAlignment = -1;
    styled::Document fragment;
    for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
        Q_ASSERT(r->length >= 0 && (r + 1 == ranges.rend() || (r + 1)->start + (r + 1)->length <= r->start));
        const QTextCharFormat format = charFormatOfChar(r->start);
        c.setPosition(r->start);
        const int alignment = qtformat::alignmentOf(c.blockFormat());
        if (fragment.paragraphs.isEmpty() || format != lastFormat || alignment != lastAlignment) {
            fragment = mimeimport::fromPlainText(entering, {qtformat::toModel(format, m_doc->defaultFont()), alignment,
                                                            m_doc->defaultFont(), m_edit->acceptRichText()});
            lastFormat = format;
            lastAlignment = alignment;
        }
        c.setPosition(r->start + r->length, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        qtformat::insertModel(c, fragment);
    }
    const int end = from + removed + textLength() - before;
    QTextCursor selection(m_doc);
    selection.setPosition(from);
    selection.setPosition(end, QTextCursor::KeepAnchor);
    m_edit->setTextCursor(selection);
    m_hasPending = false;
    emit changed({from, removed, end - from, ChangeOrigin::Replace});
    m_announced = true;
    c.endEditBlock();
    m_announced = false;
    m_edit->ensureCursorVisible();
}

bool RichTextSurface::selectionSpansLines() const
{
    const QTextCursor c = m_edit->textCursor();
    if (!c.hasSelection())
        return false;
    QTextCursor from(m_doc), to(m_doc);
    from.setPosition(c.selectionStart());
    to.setPosition(c.selectionEnd());
    if (from.block() != to.block())
        return true;
    // One paragraph: on the screen it may still wrap over several lines.
    const QTextLayout* layout = from.block().layout();
    if (!layout || layout->lineCount() < 2)
        return false;
    const int inBlock = from.block().position();
    return layout->lineForTextPosition(from.position() - inBlock).lineNumber() !=
           layout->lineForTextPosition(to.position() - inBlock).lineNumber();
}

// --- the model ----------------------------------------------------------------

styled::CharFormat RichTextSurface::currentFormat() const { return qtformat::toModel(selectionFormat(), m_doc->defaultFont()); }

// The one walk over the document's fragments in [start, end): `paragraph`
// at the start of each paragraph it reaches, `piece` for each piece of text
// with the fragment it is of (its format, and that format's index). Positions are counted along from the first paragraph's,
// not asked of each fragment (which walks the document's tree).
template <class Paragraph, class Piece>
void RichTextSurface::walk(int start, int end, Paragraph&& paragraph, Piece&& piece) const
{
    Q_ASSERT(0 <= start && start <= end && end <= textLength());
    QTextBlock b = m_doc->findBlock(start);
    for (int blockAt = b.position(); b.isValid() && blockAt <= end; blockAt += b.length(), b = b.next()) {
        paragraph(b);
        int at = blockAt;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int length = f.length();
            const int from = std::max(start, at), to = std::min(end, at + length);
            if (from < to)
                piece(from == at && to == at + length ? f.text() : f.text().mid(from - at, to - from), f);
            at += length;
        }
        if (blockAt + b.length() > end)
            break;
    }
}

styled::Document RichTextSurface::snapshot(int start, int end) const
{
    styled::Document out;
    out.paragraphs.clear();
    if (start == 0 && end == textLength())
        out.paragraphs.reserve(m_doc->blockCount());
    const QFont def = m_doc->defaultFont();
    FormatCache<styled::CharFormat> formats;
    walk(
        start, end,
        [&](const QTextBlock& b) {
            styled::Paragraph p;
            p.alignment = qtformat::alignmentOf(b.blockFormat());
            out.paragraphs.append(std::move(p));
        },
        [&](QString&& text, const QTextFragment& fragment) {
            QList<styled::Run>& runs = out.paragraphs.last().runs;
            const styled::CharFormat& format =
                formats.at(fragment, [&](const QTextCharFormat& f) { return qtformat::toModel(f, def); });
            if (!runs.isEmpty() && runs.last().format == format)
                runs.last().text += text;
            else
                runs.append(styled::Run{std::move(text), format});
        });
    if (out.paragraphs.isEmpty())
        out.paragraphs.resize(1);
    return out;
}

QMimeData* RichTextSurface::mimeDataForSelection() const
{
    const QTextCursor c = m_edit->textCursor();
    return mimeimport::toMime(snapshot(c.selectionStart(), c.selectionEnd()));
}

styled::Document RichTextSurface::snapshot() const { return snapshot(0, textLength()); }

void RichTextSurface::load(const styled::Document& document)
{
    OriginScope scope(this, ChangeOrigin::Load);
    const int removed = textLength();
    // Built off-screen without undo or layout, then swapped in whole.
    auto* doc = new QTextDocument(m_edit); // the editor owns the documents it is given
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(m_doc->defaultFont());
    doc->setDefaultTextOption(m_doc->defaultTextOption());
    doc->setPageSize(m_doc->pageSize());
    doc->setDocumentMargin(m_doc->documentMargin());
    {
        // One edit block: the document settles once, not after every run.
        QTextCursor c(doc);
        c.beginEditBlock();
        qtformat::insertModel(c, document);
        c.endEditBlock();
    }
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    attachDocument(doc);

    // The editor deletes the document it made itself; the ones it was given go here.
    QPointer<QTextDocument> old = m_doc;
    disconnect(old, nullptr, this, nullptr);
    m_doc = doc;
    m_hasPending = false;
    m_edit->setDocument(doc);
    if (m_zoom != 100)
        applyZoom(); // the new document's layout measures for the zoomed view too
    m_edit->setTextCursor(QTextCursor(doc)); // at the start, in the first character's format
    if (old && old->parent() == m_edit)
        delete old;
    keepFindText(document);
    emit changed({0, removed, textLength(), ChangeOrigin::Load});
    emit modificationChanged(false); // the new document is as it was loaded
}

void RichTextSurface::rewrite(int start, const QString& oldText, const QString& newText)
{
    Q_ASSERT(start >= 0 && start + oldText.size() <= textLength());
    Q_ASSERT(textRange(start, int(oldText.size())) == oldText);
    const int n = int(oldText.size());
    const int m = int(newText.size());
    int prefix = 0;
    while (prefix < n && prefix < m && oldText[prefix] == newText[prefix])
        ++prefix;
    int suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix && oldText[n - 1 - suffix] == newText[m - 1 - suffix])
        ++suffix;
    if (prefix == n && prefix == m)
        return;

    // Formats of the replaced characters; a pure insertion takes the one before it.
    const int first = prefix;
    const int last = std::max(prefix, n - suffix) - 1;
    std::vector<QTextCharFormat> formats;
    for (int i = first; i <= last; ++i)
        formats.push_back(charFormatOfChar(start + i));
    if (formats.empty())
        formats.push_back(charFormatOfChar(start + prefix - 1));

    QTextCursor c(m_doc);
    c.beginEditBlock();
    c.setPosition(start + prefix);
    c.setPosition(start + n - suffix, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    for (int j = prefix; j < m - suffix; ++j) {
        // Count from the window's end: the composed letter is the last one typed.
        const int source = std::clamp(j + (n - m), first, std::max(first, last)) - first;
        c.insertText(QString(newText[j]), formats[std::min<std::size_t>(source, formats.size() - 1)]);
    }
    c.endEditBlock();
}

// --- settings and layout ------------------------------------------------------

void RichTextSurface::setWordWrap(bool on)
{
    const auto mode = on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap;
    if (m_edit->lineWrapMode() != mode)
        m_edit->setLineWrapMode(mode);
    // Without wrapping, long lines are reached by scrolling sideways.
    m_edit->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

bool RichTextSurface::isModified() const { return m_doc->isModified(); }

void RichTextSurface::setModified(bool modified) { m_doc->setModified(modified); }

bool RichTextSurface::layoutComplete() const
{
    auto* layout = qobject_cast<ParagraphLayout*>(m_doc->documentLayout());
    return !layout || layout->complete();
}

bool RichTextSurface::wordWrap() const { return m_edit->lineWrapMode() != QTextEdit::NoWrap; }

void RichTextSurface::setTabEntry(bool on) { m_edit->setTabChangesFocus(!on); }

bool RichTextSurface::tabEntry() const { return !m_edit->tabChangesFocus(); }

void RichTextSurface::setVisible(bool on) { m_edit->setVisible(on); }

void RichTextSurface::setEnabled(bool on) { m_edit->setEnabled(on); }

void RichTextSurface::setFocus() { m_edit->setFocus(Qt::OtherFocusReason); }

RichTextSurface* RichTextSurface::of(const QObject* editor)
{
    const auto* edit = qobject_cast<const SurfaceEdit*>(editor);
    return edit ? edit->owner() : nullptr;
}

void RichTextSurface::readText(QString& text, std::vector<unsigned char>& greek) const
{
    const FindText& f = findText(false);
    text = f.text;
    greek = f.greek;
}

#include "richtextsurface.moc"
