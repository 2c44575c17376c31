#include "copywriter.h"

#include "ioerror.h"

#include <new>

namespace recovery {

CopyWriter::CopyWriter(CopyFiles files, Report report)
    : m_files(std::move(files))
    , m_report(std::move(report))
    , m_thread([this] { run(); })
{
}

CopyWriter::~CopyWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CopyWriter::write(styled::Document document, Session session, QDateTime saved, quint64 ticket)
{
    submit(Job{false, std::move(document), std::move(session), std::move(saved), ticket});
}

void CopyWriter::remove(quint64 ticket)
{
    Job job;
    job.remove = true;
    job.ticket = ticket;
    submit(std::move(job));
}

void CopyWriter::submit(Job job)
{
    std::optional<Job> replaced;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        replaced.swap(m_next); // the old document is freed outside the lock
        m_next = std::move(job);
    }
    m_wake.notify_all();
}

void CopyWriter::waitIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_next && !m_busy; });
}

void CopyWriter::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_next || m_stop; });
            if (!m_next)
                return; // stopped with nothing left to do
            job = std::move(*m_next);
            m_next.reset();
            m_busy = true;
        }
        std::optional<IoError> error;
        try {
            if (job.remove) {
                if (!m_files.remove())
                    error = IoError(IoError::Cause::NotRemoved).about(m_files.rtf);
            } else {
                m_files.write(job.document, job.session, job.saved);
            }
        } catch (const IoError& e) {
            error = e;
        } catch (const std::bad_alloc&) {
            error = IoError(IoError::Cause::OutOfMemory);
        }
        const quint64 ticket = job.ticket;
        job = Job(); // the document is freed on this thread, not the window's
        if (m_report)
            m_report(ticket, error);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
}

} // namespace recovery
