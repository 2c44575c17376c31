#pragma once

#include "styledtext.h"

#include <QString>
#include <QStringView>

#include <vector>

// Finding text the way the font "Greek" needs it. In text set in "Greek" the
// codes of the layout's Greek letters are letters (a word with ί or ἑ is a
// whole word), and only A-Z and a-z fold together without match case: the
// codes 192-255 there are Greek letters with marks, not Latin capitals and
// small letters (à is ῦ and À is ἢ). Other text folds and splits words as
// usual.
//
// Ignoring the marks, a letter in "Greek" matches the same letter with any
// breathing, accent, iota subscript or diaeresis, σ matches ς, and the
// spacing marks (the ones written before a capital) are passed over. The
// letters come from the layout's Unicode characters decomposed, so the rule
// follows the layout. Text in other fonts is never folded by that rule.
namespace textsearch {

enum Option : int { WholeWord = 1, MatchCase = 2, IgnoreMarks = 4 };

struct Match {
    int start = -1;
    int length = 0;
    bool found() const { return start >= 0; }
    friend bool operator==(const Match&, const Match&) = default;
};

// A position of the folded text that holds a mark of its own: passed over.
inline constexpr QChar kPassedOver = QChar(0xFFFF);

// The text as the search without marks reads it, position for position:
// in "Greek" each letter's bare letter (ς as σ) and kPassedOver for a mark
// of its own; elsewhere the text as it is. `greek` as for find().
QString foldedText(QStringView text, const std::vector<unsigned char>& greek);
// The same for text[from, to), written to out[from, to).
void foldRange(QStringView text, const std::vector<unsigned char>& greek, qsizetype from, qsizetype to, QChar* out);

// The first match of `what` in text[start, start + length), or none. `greek`
// tells for each position of `text` whether it is set in the font "Greek"
// (an empty vector: none is). Positions are indices into `text`. With
// IgnoreMarks, `folded` is foldedText(text, greek) when the caller keeps it;
// left empty, it is made here. A match without marks is as long as `what`;
// one that ignores them may be longer or shorter (a capital's marks before
// it belong to it).
Match find(QStringView text, const std::vector<unsigned char>& greek, QStringView what, int start, int length,
           int options, QStringView folded = {});

// A document's text as find() reads it (a paragraph break is one position,
// U+2029) and the positions set in "Greek".
struct Searchable {
    QString text;
    std::vector<unsigned char> greek;
};
Searchable searchable(const styled::Document& document);

// Whether a character counts as part of a word.
bool isWordChar(QChar ch, bool greekFont);

} // namespace textsearch
