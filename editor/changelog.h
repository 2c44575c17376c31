#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

namespace surface {

// What caused a change of the text. Only a character that came from the
// keyboard in the change being handled counts as freshly typed for the
// composition engine: pasted, dropped and loaded text, undo, redo and
// attribute changes bring characters that are what they are.
enum class ChangeOrigin {
    Edit,       // deleting, Return and the editor's other own edits
    Typing,     // a key event or an input-method commit
    Paste,      // paste, drop, the character map
    UndoRedo,
    Formatting, // attribute changes; the text stays
    Load,       // the whole document replaced; never composed
    Replace,    // found text replaced; never composed with its neighbours
};

// One change transaction of the text: the positions [from, from + removed)
// became [from, from + added) (an attribute change is the same range
// removed and added), what caused it, and the revision the text has after it.
struct TextChange {
    int from = 0;
    int removed = 0;
    int added = 0;
    ChangeOrigin origin = ChangeOrigin::Edit;
    quint64 revision = 0;

    // True when the character at `index` was typed on the keyboard in this change.
    bool typed(int index) const { return origin == ChangeOrigin::Typing && index >= from && index < from + added; }
};

// The record of the text's recent change transactions, one per transaction,
// numbered by revision. Whoever keeps something made from the text (the
// search text, the screen reader's map) keeps the revision it was made at
// and asks since() what to read again.
class ChangeLog {
public:
    static constexpr std::size_t kKept = 256; // transactions since() reaches back over

    // Records a transaction the document reported; `length` is the text's
    // length after it.
    const TextChange& record(int from, int removed, int added, ChangeOrigin origin, int length);
    // Another document of `length`: nothing made from an earlier revision can be patched.
    void restart(int length);

    quint64 revision() const { return m_revision; }
    const TextChange* last() const { return m_entries.empty() ? nullptr : &m_entries.back().change; }
    // One change that covers every transaction after `revision` (none: an
    // empty change at the same place), or nothing when the record no longer
    // reaches back that far and all must be read anew.
    std::optional<TextChange> since(quint64 revision) const;

private:
    struct Entry {
        TextChange change;
        int length = 0; // of the text after the change
    };
    std::deque<Entry> m_entries;
    quint64 m_revision = 1;
    quint64 m_start = 1; // the oldest revision since() can answer for
    int m_length = 0;    // of the text now
};

} // namespace surface
