#include "richtextsurface.h"

#include "paragraphlayout.h"

#include "filedrops.h"
#include "findtext.h"
#include "formatcache.h"
#include "surfaceedit.h"

#include "mimeimport.h"
#include "qtformat.h"
#include "textsearch.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
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

RichTextSurface::RichTextSurface(QWidget* parent)
    : QObject(parent)
    , m_edit(new SurfaceEdit(this, parent))
    , m_doc(m_edit->document())
    , m_drops(new FileDrops(this))
{
    m_drops->watch(m_edit->viewport()); // a scroll area's drags arrive at its viewport
    connect(m_drops, &FileDrops::filesDropped, this, &RichTextSurface::filesDropped);
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
}

void RichTextSurface::onContentsChange(int from, int removed, int added)
{
    // Text or attributes, one record per transaction: Qt reports an edit
    // block's changes as one when the block closes.
    m_log.record(from, removed, added, m_origin, textLength());
}

void RichTextSurface::onContentsChanged()
{
    // A transaction the program told while its block was open is not told again.
    const surface::TextChange* last = m_log.last();
    if (!last || last->revision <= m_told)
        return;
    m_told = last->revision;
    emit changed(*last);
}

void RichTextSurface::announce(int from, int removed, int added, ChangeOrigin origin)
{
    // The revision the transaction will have once its block closes.
    m_told = m_log.revision() + 1;
    emit changed({from, removed, added, origin, m_told});
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

int RichTextSurface::caretPosition() const { return m_edit->textCursor().position(); }

QRect RichTextSurface::caretRect(int position) const
{
    QTextCursor c(m_doc);
    c.setPosition(std::clamp(position, 0, textLength()));
    return m_edit->cursorRect(c);
}

int RichTextSurface::positionAt(const QPoint& viewportPoint) const { return m_edit->cursorForPosition(viewportPoint).position(); }

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

const FindText& RichTextSurface::findText(bool folded) const
{
    if (!m_findText)
        m_findText = std::make_unique<FindText>();
    m_findText->update(
        m_log, textLength(), [this](int start, int end, QString& text, std::vector<unsigned char>& greek) { readFindText(start, end, text, greek); },
        folded);
    return *m_findText;
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
    m_findText->keep(std::move(s), m_log.revision());
#ifndef QT_NO_DEBUG
    // The model's text is the walker's, character for character and font for font.
    QString walked;
    std::vector<unsigned char> greek;
    readFindText(0, textLength(), walked, greek);
    Q_ASSERT(walked == m_findText->text() && greek == m_findText->greek());
#endif
}

textsearch::Match RichTextSurface::findMatch(const QString& what, int start, int length, int options) const
{
    Q_ASSERT(start >= 0 && length >= 0 && start + length <= textLength());
    const bool ignoreMarks = options & surface::IgnoreMarks;
    const FindText& f = findText(ignoreMarks);
    QString wanted = what;
    wanted.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
    return textsearch::find(f.text(), f.greek(), wanted, start, length, options, ignoreMarks ? QStringView(f.folded()) : QStringView());
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
    announce(from, removed, textLength() - before + removed, origin);
    c.endEditBlock();
    m_told = std::min(m_told, m_log.revision()); // a transaction that changed nothing has no revision
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

ImportNotes RichTextSurface::insertBetaCode(const QString& text)
{
    if (text.isEmpty() || m_edit->isReadOnly())
        return {};
    const mimeimport::BetaCodeEntry entry = mimeimport::fromBetaCode(text, entryPlace());
    enterModel(ChangeOrigin::Paste, entry.document);
    return entry.notes;
}

ImportNotes RichTextSurface::pasteBetaCode() { return insertBetaCode(QGuiApplication::clipboard()->text()); }

void RichTextSurface::copyAsBetaCode()
{
    const QTextCursor c = m_edit->textCursor();
    if (!c.hasSelection())
        return;
    QGuiApplication::clipboard()->setMimeData(mimeimport::toBetaCodeMime(snapshot(c.selectionStart(), c.selectionEnd())));
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
    announce(from, removed, end - from, ChangeOrigin::Replace);
    c.endEditBlock();
    m_told = std::min(m_told, m_log.revision());
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
    m_log.restart(textLength()); // nothing made from the old document can be patched
    m_edit->setDocument(doc);
    if (m_zoom != 100)
        applyZoom(); // the new document's layout measures for the zoomed view too
    m_edit->setTextCursor(QTextCursor(doc)); // at the start, in the first character's format
    if (old && old->parent() == m_edit)
        delete old;
    keepFindText(document);
    m_told = m_log.revision();
    emit changed({0, removed, textLength(), ChangeOrigin::Load, m_told});
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
    text = f.text();
    greek = f.greek();
}

