#include "changelog.h"

#include <algorithm>

namespace surface {

const TextChange& ChangeLog::record(int from, int removed, int added, ChangeOrigin origin, int length)
{
    // Qt may report more than changed (up to the final paragraph's end),
    // never less: the range is kept inside the text, and what was removed
    // follows from the two lengths.
    const int before = m_length, delta = length - before;
    from = std::clamp(from, 0, std::min(before, length));
    added = std::clamp(added, std::max(delta, 0), length - from);
    removed = std::clamp(added - delta, 0, before - from);
    added = removed + delta;
    m_length = length;
    m_entries.push_back({TextChange{from, removed, added, origin, ++m_revision}, length});
    if (m_entries.size() > kKept) {
        m_start = m_entries.front().change.revision;
        m_entries.pop_front();
    }
    return m_entries.back().change;
}

void ChangeLog::restart(int length)
{
    m_entries.clear();
    m_length = length;
    m_start = ++m_revision;
}

std::optional<TextChange> ChangeLog::since(quint64 revision) const
{
    if (revision == m_revision)
        return TextChange{0, 0, 0, ChangeOrigin::Edit, m_revision};
    if (revision < m_start || revision > m_revision || m_entries.empty())
        return std::nullopt;
    const auto first = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.change.revision > revision; });
    if (first == m_entries.end() || first->change.revision != revision + 1)
        return std::nullopt;
    // The positions before `head` and the last `tail` are as they were.
    const int lengthBefore = first->length - first->change.added + first->change.removed;
    int head = lengthBefore, tail = lengthBefore;
    for (auto e = first; e != m_entries.end(); ++e) {
        head = std::min(head, e->change.from);
        tail = std::min(tail, e->length - e->change.from - e->change.added);
    }
    const int length = m_entries.back().length;
    tail = std::clamp(tail, 0, std::min(length, lengthBefore) - std::min(head, std::min(length, lengthBefore)));
    return TextChange{head, std::max(lengthBefore - tail - head, 0), std::max(length - tail - head, 0), m_entries.back().change.origin,
                      m_revision};
}

} // namespace surface
