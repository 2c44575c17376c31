#include "replacing.h"

#include "richtextsurface.h"
#include "seams.h"
#include "tersetzen.h"
#include "tsuchen.h"
#include "wordsearch.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>
#include <vector>

Replacing::Replacing(const ReplaceContext& c)
    : m_c(c)
{
}

QString Replacing::replacedMessage(int count)
{
    return count == 1 ? QStringLiteral("1 Stelle ersetzt.") : QStringLiteral("%1 Stellen ersetzt.").arg(count);
}

int Replacing::options() const { return findOptions(m_c.dialog->CheckBox1, m_c.dialog->CheckBox2, m_c.dialog->CheckBox4); }

textsearch::Match Replacing::next(int from) const
{
    const int length = m_c.txt->textLength();
    from = std::clamp(from, 0, length);
    return m_c.txt->findMatch(m_c.dialog->stxt->text(), from, length - from, options());
}

bool Replacing::selectNext(int from)
{
    const textsearch::Match m = next(from);
    if (!m.found()) {
        m_c.dialogs->notice(m_c.dialog, WordSearch::kMiss);
        // "In ganzem Text" starts over at the beginning after a miss.
        if (m_c.dialog->CheckBox3->isChecked())
            m_c.txt->setSelStart(0);
        return false;
    }
    m_c.txt->selectRange(m.start, m.length);
    uncoverMatch(m_c.dialog, m_c.txt->selectionScreenRect());
    return true;
}

void Replacing::findNext()
{
    // A caret finds a match that starts at it; a selection (the last match) moves on.
    const int start = m_c.txt->selStart();
    selectNext(m_c.txt->selLength() > 0 ? start + 1 : start);
}

void Replacing::replaceOne()
{
    const int start = m_c.txt->selStart();
    const int length = m_c.txt->selLength();
    const textsearch::Match selected = length > 0 ? m_c.txt->findMatch(m_c.dialog->stxt->text(), start, length, options())
                                                  : textsearch::Match{};
    if (selected.start != start || selected.length != length) {
        // Nothing found is selected: this press finds the first one.
        findNext();
        return;
    }
    const QString with = m_c.dialog->replacement();
    m_c.dialog->remember(with);
    m_c.txt->replaceRanges({selected}, with);
    // On behind the replacement, never into it.
    const int behind = m_c.txt->selStart() + m_c.txt->selLength();
    m_c.txt->setSelStart(behind);
    selectNext(behind);
}

void Replacing::replaceAll()
{
    RichTextSurface& txt = *m_c.txt;
    const bool inSelection = txt.selectionSpansLines();
    const int from = inSelection ? txt.selStart() : 0;
    const int to = inSelection ? txt.selStart() + txt.selLength() : txt.textLength();
    const QString what = m_c.dialog->stxt->text();
    const int o = options();
    std::vector<textsearch::Match> found;
    for (int at = from; at < to;) {
        const textsearch::Match m = txt.findMatch(what, at, to - at, o);
        if (!m.found())
            break;
        found.push_back(m);
        at = m.start + std::max(m.length, 1);
    }
    if (found.empty()) {
        m_c.dialogs->notice(m_c.dialog, WordSearch::kMiss);
        return;
    }
    const QString with = m_c.dialog->replacement();
    m_c.dialog->remember(with);
    const int before = txt.textLength();
    txt.replaceRanges(found, with);
    // The selection stays the part that was searched; without one the caret
    // stands behind the last replacement.
    if (inSelection)
        txt.selectRange(from, to - from + txt.textLength() - before);
    else
        txt.setSelStart(txt.selStart() + txt.selLength());
    m_c.dialogs->notice(m_c.dialog, replacedMessage(int(found.size())));
}
