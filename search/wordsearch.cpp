#include "wordsearch.h"

#include "richtextsurface.h"
#include "seams.h"
#include "sharedstate.h"
#include "tsuchen.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>

const QString WordSearch::kMiss = QStringLiteral("Es konnte nichts gefunden werden.");

WordSearch::WordSearch(const SearchContext& c)
    : m_c(c)
{
}

int findOptions(const QCheckBox* matchCase, const QCheckBox* wholeWord, const QCheckBox* ignoreMarks)
{
    return (matchCase->isChecked() ? surface::MatchCase : 0) | (wholeWord->isChecked() ? surface::WholeWord : 0) |
           (ignoreMarks->isChecked() ? surface::IgnoreMarks : 0);
}

void WordSearch::Button1Click()
{
    SharedState& s = *m_c.state;
    s.SearchOptions = findOptions(m_c.dialog->CheckBox1, m_c.dialog->CheckBox2, m_c.dialog->CheckBox4);
    s.SearchPos = m_c.dialog->CheckBox3->isChecked() ? 0 : m_c.txt->selStart();
    suche();
}

void WordSearch::Button2Click()
{
    // The option boxes take effect at the next "Suchen"; "In ganzem Text" goes on from the last step.
    if (!m_c.dialog->CheckBox3->isChecked())
        m_c.state->SearchPos = m_c.txt->selStart() + 1;
    suche();
}

void WordSearch::suche()
{
    SharedState& s = *m_c.state;
    // -1 (after a miss) puts the caret at the start, a position past the end at the end.
    m_c.txt->setSelStart(std::clamp(s.SearchPos, 0, m_c.txt->textLength()));
    const int length = m_c.txt->textLength();
    const int start = m_c.txt->selStart();
    const QString what = m_c.dialog->stxt->text();
    const textsearch::Match match = m_c.txt->findMatch(what, start, length - start, s.SearchOptions);
    const int found = match.start;
    s.SearchPos = found;
    if (found < 0) {
        m_c.dialogs->notice(m_c.dialog, kMiss);
        if (m_c.dialog->CheckBox3->isChecked())
            s.SearchPos = 0;
        m_c.dialog->hide();
        return;
    }
    // The match is selected and in view, the dialog not over it; the focus stays where it was.
    m_c.txt->setSelStart(found);
    // Ignoring the marks, a match need not be as long as the search text.
    m_c.txt->setSelLength(match.length);
    m_c.dialog->uncover(m_c.txt->selectionScreenRect());
    s.SearchPos = found + match.length;
}
