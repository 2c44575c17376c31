#pragma once

#include "unicodegreek.h"

#include <QAccessibleWidget>
#include <QLineEdit>

#include <memory>
#include <optional>
#include <vector>

// What assistive technology (a screen reader, through AT-SPI) reads of a
// widget that holds 8-bit codes: the codes set in "Greek" as the Unicode
// Greek they show, with offsets, caret, selection and character rectangles
// that follow the screen. A subclass says where its codes are and how its
// positions lie on the screen; the offsets of the Unicode text are mapped
// to those positions here.
class CodedTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    CodedTextAccessible(QWidget* widget, QAccessible::Role role);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // The Unicode text with its map to positions, made anew after a change.
    const unicodegreek::Readable& readable() const;
    // The offset where a position's characters begin.
    int offsetOf(int position) const;
    // A change, caret or selection event of the widget, told in positions of
    // the codes, as the reader of the Unicode text needs it (null: as it is).
    std::unique_ptr<QAccessibleEvent> translate(QAccessibleEvent* event);

protected:
    // The state of an editable text, or a read-only one.
    QAccessible::State editState(bool readOnly, bool multiLine) const;
    // A number that changes whenever the codes or their fonts do.
    virtual quint64 revision() const = 0;
    // The positions [from, from + removed) that became [from, from + added)
    // since `revision`, when the widget keeps a record of its changes.
    struct Change {
        int from = 0, removed = 0, added = 0;
    };
    virtual std::optional<Change> changeSince(quint64 /*revision*/) const { return std::nullopt; }
    virtual void codes(QString& text, std::vector<unsigned char>& greek) const = 0;
    // The codes [start, end) alone, when the widget can tell them cheaply:
    // then a change is patched into the map instead of making it anew.
    virtual bool codesOf(int /*start*/, int /*end*/, QString& /*text*/, std::vector<unsigned char>& /*greek*/) const { return false; }
    virtual void selectedPositions(int* start, int* end) const = 0; // start == end: none
    virtual int caretPosition() const = 0;
    virtual void selectPositions(int start, int end) = 0;           // start == end: the caret there
    // Where the codes [start, end) stand, in screen coordinates.
    virtual QRect positionsRect(int start, int end) const = 0;
    // The position at a point of the screen, or -1.
    virtual int positionAt(const QPoint& global) const = 0;
    virtual void scrollToPositions(int /*start*/, int /*end*/) {}
    virtual QString fontAt(int position) const = 0;

private:
    // Patches a change of the codes [position, position + removed) into
    // [position, position + added); false when the map must be made anew.
    bool patch(int position, int removed, int added) const;

    mutable quint64 m_revision = ~quint64(0);
    mutable unicodegreek::Readable m_readable;
};

// A one-line field whose text is codes, shown in the font "Greek" while the
// editor writes Greek (the search and replace fields): its class lets the
// accessibility factory find it.
class CodedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    // Where the characters [start, end) of the text stand in the field.
    QRect charactersRect(int start, int end) const;
};

namespace accessibletext {
// Makes the editor and the coded fields answer assistive technology with
// Unicode; once, after the application object exists.
void install();
} // namespace accessibletext
