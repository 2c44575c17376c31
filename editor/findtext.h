#pragma once

#include "changelog.h"
#include "textsearch.h"

#include <QString>

#include <functional>
#include <vector>

// The text as the search reads it (a paragraph break is one position), for
// each position whether it is set in the font "Greek", and, once a search
// ignoring the marks asked for it, the text folded for that search. Kept
// from one search to the next at the revision it was made at: the next
// search reads again only the part the change log names since.
class FindText {
public:
    // Reads the positions [start, end) of the document.
    using Reader = std::function<void(int start, int end, QString& text, std::vector<unsigned char>& greek)>;

    // Brings it to the log's revision, a text of `length` positions.
    void update(const surface::ChangeLog& log, int length, const Reader& read, bool folded);
    // Takes a loaded document's text, made from its model, as that of `revision`.
    void keep(textsearch::Searchable searchable, quint64 revision);

    const QString& text() const { return m_text; }
    const std::vector<unsigned char>& greek() const { return m_greek; }
    const QString& folded() const { return m_folded; }

private:
    quint64 m_revision = 0; // 0: not made yet
    QString m_text;
    std::vector<unsigned char> m_greek;
    QString m_folded; // empty until a search ignoring the marks
    bool m_foldedMade = false;
};
