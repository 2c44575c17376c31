#include "recoveryschedule.h"

#include <algorithm>

namespace recovery {

void Schedule::edited(qint64 now)
{
    if (!m_pending) {
        m_pending = true;
        m_first = now;
    }
    m_last = now;
}

void Schedule::clean()
{
    m_pending = false;
    m_notBefore = 0;
}

void Schedule::taken() { m_pending = false; }

void Schedule::failed(qint64 now)
{
    // What the failed copy was to hold is still only on the screen.
    if (!m_pending) {
        m_pending = true;
        m_first = now;
        m_last = now;
    }
    m_notBefore = now + m_longest;
}

void Schedule::written() { m_notBefore = 0; }

std::optional<qint64> Schedule::due() const
{
    if (!m_pending)
        return std::nullopt;
    return std::max(std::min(m_last + m_pause, m_first + m_longest), m_notBefore);
}

} // namespace recovery
