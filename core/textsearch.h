#pragma once

#include <QStringView>

#include <vector>

// Finding text the way the font "Greek" needs it. In text set in "Greek" the
// codes of the layout's Greek letters are letters (a word with ί or ἑ is a
// whole word), and only A-Z and a-z fold together without match case: the
// codes 192-255 there are Greek letters with marks, not Latin capitals and
// small letters (à is ῦ and À is ἢ). Other text folds and splits words as
// usual.
namespace textsearch {

enum Option : int { WholeWord = 1, MatchCase = 2 };

// The first match of `what` in text[start, start + length), or -1. `greek`
// tells for each position of `text` whether it is set in the font "Greek"
// (an empty vector: none is). Positions are indices into `text`.
int find(QStringView text, const std::vector<unsigned char>& greek, QStringView what, int start, int length, int options);

// Whether a character counts as part of a word.
bool isWordChar(QChar ch, bool greekFont);

} // namespace textsearch
