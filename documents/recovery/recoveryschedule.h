#pragma once

#include <QtGlobal>

#include <optional>

namespace recovery {

// When the next recovery copy is due, on a clock of milliseconds that only
// moves forward. A copy follows a pause in the typing, and one comes at the
// latest some time after the first change it does not hold yet, however
// long the typing goes on. A document without such changes needs none.
class Schedule {
public:
    static constexpr qint64 kPause = 5000;    // after the last change
    static constexpr qint64 kLongest = 30000; // after the first change not in a copy

    explicit Schedule(qint64 pause = kPause, qint64 longest = kLongest)
        : m_pause(pause)
        , m_longest(longest)
    {
    }

    // A change the copy does not hold yet.
    void edited(qint64 now);
    // Saved, opened, new, or changed back to what is saved: no copy is needed.
    void clean();
    // The document has been taken for a copy: it holds every change so far.
    void taken();
    // The copy could not be written: tried again after the longest interval,
    // or after the next pause, whichever is later.
    void failed(qint64 now);
    // A copy was written: failures are over.
    void written();

    // When the next copy is to be taken; nothing when none is needed.
    std::optional<qint64> due() const;
    bool pending() const { return m_pending; }

private:
    qint64 m_pause;
    qint64 m_longest;
    bool m_pending = false;
    qint64 m_first = 0;     // the first change not in a copy
    qint64 m_last = 0;      // the last change
    qint64 m_notBefore = 0; // after a failure, the next try
};

} // namespace recovery
