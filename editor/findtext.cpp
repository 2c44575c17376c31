#include "findtext.h"

#include <algorithm>

namespace {
constexpr int kSlack = 1 << 16; // characters the kept text may grow by before it moves
} // namespace

void FindText::update(const surface::ChangeLog& log, int length, const Reader& read, bool folded)
{
    const std::optional<surface::TextChange> change = m_revision ? log.since(m_revision) : std::nullopt;
    if (!change) {
        m_text.clear();
        m_greek.clear();
        m_text.reserve(length + kSlack);
        m_greek.reserve(std::size_t(length + kSlack));
        read(0, length, m_text, m_greek);
        m_folded.clear();
        m_foldedMade = false;
    } else if (change->removed > 0 || change->added > 0) {
        const int head = change->from, oldEnd = head + change->removed, newEnd = head + change->added;
        QString text;
        std::vector<unsigned char> greek;
        read(head, newEnd, text, greek);
        // Room to grow in place: a typed letter moves the tail, it does not
        // copy the whole text into new memory.
        if (m_text.capacity() < length) {
            m_text.reserve(length + kSlack);
            m_greek.reserve(std::size_t(length + kSlack));
            if (m_foldedMade)
                m_folded.reserve(length + kSlack);
        }
        m_text.replace(head, oldEnd - head, text);
        m_greek.erase(m_greek.begin() + head, m_greek.begin() + oldEnd);
        m_greek.insert(m_greek.begin() + head, greek.begin(), greek.end());
        if (m_foldedMade) {
            QString part(text.size(), Qt::Uninitialized);
            textsearch::foldRange(m_text, m_greek, head, newEnd, part.data() - head);
            m_folded.replace(head, oldEnd - head, part);
        }
    }
    m_revision = log.revision();
    Q_ASSERT(m_text.size() == length && m_greek.size() == std::size_t(length));
    if (folded && !m_foldedMade) {
        m_folded.clear();
        m_folded.reserve(length + kSlack);
        m_folded.resize(length);
        textsearch::foldRange(m_text, m_greek, 0, length, m_folded.data());
        m_foldedMade = true;
    }
}

void FindText::keep(textsearch::Searchable searchable, quint64 revision)
{
    m_text = std::move(searchable.text);
    m_greek = std::move(searchable.greek);
    m_text.reserve(m_text.size() + kSlack);
    m_greek.reserve(m_greek.size() + kSlack);
    m_folded.clear();
    m_foldedMade = false;
    m_revision = revision;
}
