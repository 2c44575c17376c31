#pragma once

#include <QObject>
#include <QString>
#include <QTextCharFormat>

#include <memory>

class QKeyEvent;
class QMouseEvent;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace surface {

// Style bits of a character.
enum Style : int { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
// Paragraph alignment.
enum Alignment : int { AlignLeft = 0, AlignRight = 1, AlignCentre = 2 };
// Options of find().
enum FindOption : int { WholeWord = 1, MatchCase = 2 };

// What caused a change of the text. The typing pipeline treats a character as
// freshly entered only when typing, pasting or dropping put it there; undo,
// redo and attribute changes bring back or restyle characters that were
// already composed once.
enum class ChangeOrigin { Edit, Typing, UndoRedo, Formatting };

struct TextChange {
    int from = 0;
    int removed = 0;
    int added = 0;
    ChangeOrigin origin = ChangeOrigin::Edit;

    // True when the character at `index` was put there by this change.
    bool inserted(int index) const
    {
        return origin != ChangeOrigin::UndoRedo && origin != ChangeOrigin::Formatting
            && index >= from && index < from + added;
    }
};

} // namespace surface

class SurfaceEdit;

// The one adapter that owns the document. Every other part reads and changes
// the text through these operations; nobody else holds a QTextCursor on it.
// Positions are 0-based; a paragraph break is one position.
class RichTextSurface : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultFont = "Greek";
    static constexpr int kDefaultPixelSize = 19; // 14 points at 96 pixels per inch

    explicit RichTextSurface(QWidget* parent = nullptr);
    ~RichTextSurface() override;

    QTextEdit* widget() const;

    // selection
    int selStart() const;
    int selLength() const;
    void setSelStart(int pos);     // collapses the selection to a caret there
    void setSelLength(int length); // selects [start, start + length), scrolls the caret into view
    void selectRange(int start, int length);
    QString selText() const;
    void replaceSelection(const QString& text);
    void deleteSelection();
    void clearAll();

    // whole text; paragraph breaks read as '\n'
    QString text() const;
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

    // edit commands
    void undo();
    bool canUndo() const;
    void copy();
    void cut();
    void paste();

    // Text arriving as if typed at the caret (keyboard, character map).
    void typeText(const QString& text);

    // Replaces the window [start, start + oldText.size()) by newText. Characters
    // that stay keep their own formatting; a replaced character takes the
    // formatting of the old character it stands for, counted from the window's
    // end. Done while a keystroke is announced, it joins that keystroke's undo step.
    void rewrite(int start, const QString& oldText, const QString& newText);

    // settings
    void setWordWrap(bool on);
    bool wordWrap() const;
    void setTabEntry(bool on);
    bool tabEntry() const;

    // layout
    void setVisible(bool on);
    void setEnabled(bool on);
    void setFocus();

signals:
    // After every change of the text, the program's own changes included.
    void changed(const surface::TextChange& change);
    // Before the editor processes a key.
    void keyDown(QKeyEvent* event);
    // After the editor has handled a mouse press.
    void mouseDown(QMouseEvent* event);

private:
    friend class SurfaceEdit;
    class OriginScope;

    QTextCharFormat charFormatOfChar(int index) const;
    QTextCharFormat selectionFormat() const;
    void mergeFormat(const QTextCharFormat& format);
    void onContentsChange(int from, int removed, int added);
    void onContentsChanged();

    SurfaceEdit* m_edit;
    QTextDocument* m_doc;
    surface::ChangeOrigin m_origin = surface::ChangeOrigin::Edit;
    surface::TextChange m_pending;
    bool m_hasPending = false;
    bool m_announced = false; // typeText has reported its change already
};
