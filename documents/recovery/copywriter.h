#pragma once

#include "ioerror.h"

#include "recoverystore.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace recovery {

// Writes the program's recovery copy on a thread of its own, so that no
// keystroke waits for the disk. Only the latest wish counts: a document
// handed over while an older one waits replaces it, and a removal replaces
// a write that has not begun. A write under way is finished first.
class CopyWriter {
public:
    // How a job went: its ticket and, when it failed, the German reason.
    // Called on the writer's thread.
    using Report = std::function<void(quint64 ticket, const std::optional<IoError>& error)>;

    CopyWriter(CopyFiles files, Report report);
    ~CopyWriter(); // does what is still asked for, then ends the thread

    void write(styled::Document document, Session session, QDateTime saved, quint64 ticket);
    void remove(quint64 ticket);
    // Returns once everything asked for is done.
    void waitIdle();

private:
    struct Job {
        bool remove = false;
        styled::Document document;
        Session session;
        QDateTime saved;
        quint64 ticket = 0;
    };
    void submit(Job job);
    void run();

    CopyFiles m_files;
    Report m_report;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_next;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace recovery
