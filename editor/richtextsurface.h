#pragma once

#include <QObject>
#include <QString>
#include <QTextCharFormat>

#include "changelog.h"
#include "mimeimport.h"
#include "styledtext.h"
#include "textsearch.h"

#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QMimeData;
class QMouseEvent;
class QTextCursor;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace surface {

using styled::Alignment;
using styled::Style;
using enum styled::Style;
using enum styled::Alignment;
// Options of find(), the values of textsearch::Option.
enum FindOption : int { WholeWord = 1, MatchCase = 2, IgnoreMarks = 4 };

} // namespace surface

class FileDrops;
class FindText;
class SurfaceEdit;

// The one adapter that owns the document. Every other part reads and changes
// the text through these operations; nobody else holds a QTextCursor on it.
// Each change transaction is recorded once (changeLog(), the changed range,
// its origin and the revision) and told by changed(): the typing pipeline,
// the kept search text and the screen reader's map all read that record.
// Positions are 0-based; a paragraph break is one position. A position
// given to the surface lies in [0, textLength()] and a length is not
// negative: that is asserted (a release build clamps); only a selection's
// length may reach past the end, and then ends there, as the edit control's.
// The model reaches the document by two roads only: whole by load(), a piece
// at the caret by enter() with its origin; it leaves by one walker, whose
// ranges snapshot() and find() read.
class RichTextSurface : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultFont = styled::kDefaultFont;
    static constexpr int kDefaultPixelSize = 19; // 14 points at 96 pixels per inch

    explicit RichTextSurface(QWidget* parent = nullptr);
    ~RichTextSurface() override;

    QWidget* widget() const;

    // selection
    int selStart() const;
    int selLength() const;
    void setSelStart(int pos);     // collapses the selection to a caret there
    void setSelLength(int length); // selects [start, start + length), scrolls the caret into view
    void selectRange(int start, int length);
    // Where the selection stands on the screen.
    QRect selectionScreenRect() const;
    int caretPosition() const; // where the caret stands, the selection's moving end
    // The caret's rectangle at a position, in the editor's viewport.
    QRect caretRect(int position) const;
    // The caret place nearest to a point of the viewport.
    int positionAt(const QPoint& viewportPoint) const;
    QString selText() const;
    void deleteSelection();

    // whole text; paragraph breaks read as '\n'
    QString text() const;
    // Loads the text in the editor's own font, as load() does.
    void setText(const QString& text);
    int textLength() const;
    QString textRange(int start, int length) const;

    // attributes at the selection; an empty selection means the insertion point
    QString fontName() const;
    void setFontName(const QString& name);
    int fontSize() const;
    void setFontSize(int points);
    int fontStyle() const;
    void setFontStyle(int style);
    int alignment() const;
    void setAlignment(int alignment);

    // The font of the character at index (0-based).
    QString fontNameOfChar(int index) const;

    // Forward search from start within length characters; -1 when not found.
    int find(const QString& what, int start, int length, int options) const;
    // The same with the match's length, which differs from what's when the
    // marks are ignored.
    textsearch::Match findMatch(const QString& what, int start, int length, int options) const;

    // edit commands
    void undo();
    bool canUndo() const;
    void redo();
    bool canRedo() const;
    void copy();
    void cut();
    void paste();

    // Everything enters at the caret through enter(), as one undo step with
    // its origin. Text typed at the caret (a key, an input-method commit):
    void typeText(const QString& text);
    // Plain text entered as a paste enters it, in the caret's format (the character map):
    void insertText(const QString& text);
    // Pasted or dropped data, reduced to the model (mimeimport::fromMime):
    void insertMimeData(const QMimeData* source);
    // A piece of the model, entered with the given origin.
    void enterModel(surface::ChangeOrigin origin, const styled::Document& fragment);
    // Text read as Beta Code, entered as a paste enters (one undo step, never
    // composed with its neighbours): what it could not hold.
    ImportNotes insertBetaCode(const QString& text);
    // The clipboard's text as Beta Code, and the selection to the clipboard as Beta Code.
    ImportNotes pasteBetaCode();
    void copyAsBetaCode();

    // Replaces each range (in order, none overlapping another) by `text` as a
    // paste enters it at the place of the range's first character, in that
    // character's format; all of them one undo step, laid out once. The
    // selection afterwards: [first range's start, last replacement's end).
    void replaceRanges(const std::vector<textsearch::Match>& ranges, const QString& text);
    // Whether the selection reaches over more than one line on the screen.
    bool selectionSpansLines() const;

    // The text as the search keeps it (paragraph breaks as U+2029) and for
    // each position 1 where it is set in "Greek"; revision() counts the changes.
    void readText(QString& text, std::vector<unsigned char>& greek) const;
    quint64 revision() const { return m_log.revision(); }
    // The record of the recent change transactions.
    const surface::ChangeLog& changeLog() const { return m_log; }
    // The surface whose editor widget this is, or null.
    static RichTextSurface* of(const QObject* editor);

    // The whole document as the styled-text model.
    styled::Document snapshot() const;
    // The characters [start, end) as the model.
    styled::Document snapshot(int start, int end) const;
    // What copy and cut put on the clipboard for the selection (mimeimport::toMime).
    QMimeData* mimeDataForSelection() const;
    // Replaces the whole document in one step: built off-screen, swapped in,
    // laid out once, never composed; the undo history starts afresh.
    void load(const styled::Document& document);

    // The current character format as the model's.
    styled::CharFormat currentFormat() const;

    // Replaces the window [start, start + oldText.size()) by newText. Characters
    // that stay keep their own formatting; a replaced character takes the
    // formatting of the old character it stands for, counted from the window's
    // end. Done while a keystroke is announced, it joins that keystroke's undo step.
    void rewrite(int start, const QString& oldText, const QString& newText);

    // Changed since it was last loaded, saved or cleared.
    bool isModified() const;
    void setModified(bool modified);

    // False while paragraphs far from the view still wait for their layout.
    bool layoutComplete() const;

    // settings
    void setWordWrap(bool on);
    bool wordWrap() const;
    void setTabEntry(bool on);
    bool tabEntry() const;

    // The view's magnification in percent (kZoomMin to kZoomMax): the text is
    // drawn and laid out larger or smaller, the document's sizes stay.
    // Ctrl+Plus, Ctrl+Minus, Ctrl+0 and Ctrl+wheel in the editor step it.
    static constexpr int kZoomMin = 50;
    static constexpr int kZoomMax = 400;
    void setZoom(int percent);
    int zoom() const { return m_zoom; }
    // The next step up or down from `percent` (100 % is one of the steps).
    static int zoomStep(int percent, int direction);

    // The filter that takes local files dropped on the editor; other widgets
    // (the window) share it, so that a drop anywhere opens files alike.
    FileDrops* fileDrops() const { return m_drops; }

    // layout
    void setVisible(bool on);
    void setEnabled(bool on);
    void setFocus();

signals:
    // After every change of the text, the program's own changes included.
    void changed(const surface::TextChange& change);
    // When the document comes to differ from what was saved or loaded, or
    // stops differing (saved, undone back, another document loaded).
    void modificationChanged(bool modified);
    // Before the editor processes a key.
    void keyDown(QKeyEvent* event);
    // After the editor has handled a mouse press.
    void mouseDown(QMouseEvent* event);
    // Local files were dropped on the editor or on a widget that shares its
    // drop filter (their text is not entered).
    void filesDropped(const QStringList& paths);
    // The user changed the zoom (keys or wheel).
    void zoomChanged(int percent);
    // The right mouse button (or the menu key) asks for the editor's menu at a point on the screen.
    void contextMenuRequested(const QPoint& globalPos);

private:
    friend class SurfaceEdit;
    // Marks the changes made inside one operation with their origin.
    class OriginScope {
    public:
        OriginScope(RichTextSurface* s, surface::ChangeOrigin origin)
            : m_s(s)
            , m_before(s->m_origin)
        {
            s->m_origin = origin;
        }
        ~OriginScope() { m_s->m_origin = m_before; }

    private:
        RichTextSurface* m_s;
        surface::ChangeOrigin m_before;
    };

    QTextCharFormat charFormatOfChar(int index) const;
    mimeimport::Place entryPlace() const;
    const FindText& findText(bool folded) const;
    void readFindText(int start, int end, QString& text, std::vector<unsigned char>& greek) const;
    void keepFindText(const styled::Document& document);
    template <class Paragraph, class Piece>
    void walk(int start, int end, Paragraph&& paragraph, Piece&& piece) const;
    void attachDocument(QTextDocument* doc);
    void applyZoom();
    // Enters text at the selection as one undo step: the change is announced
    // inside that step, so that a composition it causes joins it.
    void enter(surface::ChangeOrigin origin, const std::function<void(QTextCursor&)>& insert);
    // Tells a transaction the program makes itself before its edit block
    // closes: what is done in answer joins the same undo step.
    void announce(int from, int removed, int added, surface::ChangeOrigin origin);
    QTextCharFormat selectionFormat() const;
    void mergeFormat(const QTextCharFormat& format);
    void onContentsChange(int from, int removed, int added);
    void onContentsChanged();

    SurfaceEdit* m_edit;
    QTextDocument* m_doc;
    FileDrops* m_drops;
    surface::ChangeOrigin m_origin = surface::ChangeOrigin::Edit;
    surface::ChangeLog m_log;
    quint64 m_told = 0;       // the last revision changed() has told
    bool m_announced = false; // the open transaction has been told already
    mutable std::unique_ptr<FindText> m_findText;
    int m_zoom = 100;
    std::unique_ptr<class QImage> m_zoomDevice; // a paint device of the zoomed resolution
};
