#include "autorecovery.h"

#include "atomicfiles.h"

#include "richtextsurface.h"
#include "seams.h"
#include "sharedstate.h"
#include "title.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

const QString AutoRecovery::kQuestion =
    QStringLiteral("Stilora wurde nicht ordnungsgemäß beendet. Soll der zuletzt bearbeitete Text wiederhergestellt werden?");

namespace {

qint64 monotonicNow()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

} // namespace

AutoRecovery::AutoRecovery(const Context& context, const QString& folder, Clock clock, recovery::Schedule schedule)
    : m_c(context)
    , m_store(folder)
    , m_clock(clock ? std::move(clock) : Clock(monotonicNow))
    , m_schedule(schedule)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AutoRecovery::tick);
    connect(m_c.txt, &RichTextSurface::changed, this, &AutoRecovery::onChanged);
    connect(m_c.txt, &RichTextSurface::modificationChanged, this, &AutoRecovery::onModificationChanged);
}

AutoRecovery::~AutoRecovery()
{
    m_writer.reset(); // what it was asked is done before the store lets the marks go
}

void AutoRecovery::start()
{
    if (m_started)
        return;
    m_started = true;
    try {
        m_store.open();
        m_writer = std::make_unique<recovery::CopyWriter>(m_store.ownFiles(), [this](quint64 ticket, const std::optional<IoError>& error) {
            QMetaObject::invokeMethod(this, [this, ticket, error] { written(ticket, error); }, Qt::QueuedConnection);
        });
        m_store.pruneDiscarded();
    } catch (const IoError& e) {
        // The program works without copies; the user is told once, without a box.
        if (m_c.showStatus)
            m_c.showStatus(QStringLiteral("Keine Sicherungskopien möglich: %1.").arg(e.messageWithPath()));
    }
    // A copy that a program left is offered even when this one can keep none
    // (a full disk): reading it needs nothing written.
    std::optional<recovery::Recovered> dead = m_store.takeNewestDead();
    if (dead) {
        if (m_c.dialogs->question(m_c.window, kQuestion))
            restore(*dead);
        else
            m_store.setAside(dead->id);
    }
    if (m_writer && m_c.txt->isModified()) {
        m_schedule.edited(m_clock());
        arm();
    }
}

void AutoRecovery::restore(recovery::Recovered& copy)
{
    // As a file is loaded: never composed, a fresh undo history.
    m_c.txt->load(copy.document);
    m_c.state->BasePath = copy.session.basePath;
    m_c.state->Kind = copy.session.kind;
    // Its file may have been write-protected since: Save asks for a name then.
    const QList<QString> files = copy.session.kind.filesOf(copy.session.basePath);
    m_c.state->ReadOnlyDocument = !copy.session.basePath.isEmpty()
        && std::any_of(files.begin(), files.end(), [](const QString& f) { return isWriteProtected(f); });
    if (m_c.tit)
        m_c.tit();
    // Not saved: Save writes it to its file, closing asks first.
    m_c.txt->setModified(true);
    m_c.txt->setSelStart(0);
    // The dead program's copy stays until this program's own holds the text,
    // or, when this program can keep no copy of its own, until the text is
    // saved or given up.
    m_adopted = copy.id;
    m_adoptedTicket = std::numeric_limits<quint64>::max();
    if (!m_writer)
        return;
    takeCopy();
    m_adoptedTicket = m_ticket;
}

void AutoRecovery::closing()
{
    clean();
    if (m_writer)
        m_writer->waitIdle();
    if (!m_adopted.isEmpty()) {
        m_store.forget(m_adopted);
        m_adopted.clear();
    }
}

void AutoRecovery::waitForDisk()
{
    if (m_writer)
        m_writer->waitIdle();
}

void AutoRecovery::onChanged(const surface::TextChange& change)
{
    if (change.origin == surface::ChangeOrigin::Load || !m_writer)
        return; // a loaded document is as its file; modificationChanged tells the rest
    const qint64 now = m_clock();
    m_schedule.edited(now);
    arm();
    // Under a stream of keys neither the timer nor anything posted gets its
    // turn: the event loop hands the window system's events over first, as
    // long as there are any. A copy that is due is taken here, on the
    // change that finds it due, between one key and the next.
    const std::optional<qint64> due = m_schedule.due();
    if (due && *due <= now)
        takeCopy();
}

void AutoRecovery::onModificationChanged(bool modified)
{
    if (!m_writer) {
        // Saved (or another document): the copy taken over is not needed any more.
        if (!modified && !m_adopted.isEmpty()) {
            m_store.forget(m_adopted);
            m_adopted.clear();
        }
        return;
    }
    if (!modified) {
        clean();
        return;
    }
    m_schedule.edited(m_clock());
    arm();
}

void AutoRecovery::arm()
{
    // One timer for many keystrokes: it is set once and, when it fires
    // early, set again for what is due then.
    if (m_timer.isActive())
        return;
    if (const std::optional<qint64> due = m_schedule.due())
        m_timer.start(int(std::clamp<qint64>(*due - m_clock(), 0, recovery::Schedule::kLongest)));
}

void AutoRecovery::tick()
{
    const std::optional<qint64> due = m_schedule.due();
    if (!due || !m_writer)
        return;
    const qint64 now = m_clock();
    if (now < *due) {
        m_timer.start(int(std::min<qint64>(*due - now, recovery::Schedule::kLongest)));
        return;
    }
    takeCopy();
}

void AutoRecovery::flush()
{
    if (m_writer && m_schedule.pending())
        takeCopy();
    waitForDisk();
}

void AutoRecovery::takeCopy()
{
    if (!m_writer)
        return;
    if (!m_c.txt->isModified()) {
        clean(); // nothing that is not in its file
        return;
    }
    styled::Document document = m_c.txt->snapshot();
    m_schedule.taken();
    m_writer->write(std::move(document), session(), QDateTime::currentDateTime(), ++m_ticket);
    m_hasCopy = true;
}

void AutoRecovery::clean()
{
    m_schedule.clean();
    m_timer.stop();
    if (m_hasCopy && m_writer) {
        m_writer->remove(++m_ticket);
        m_hasCopy = false;
    }
}

void AutoRecovery::written(quint64 ticket, const std::optional<IoError>& error)
{
    if (error) {
        if (m_hasCopy) {
            // Tried again at the next interval; the text is still on the screen.
            m_schedule.failed(m_clock());
            arm();
        }
        if (!m_reported && m_c.showStatus)
            m_c.showStatus(QStringLiteral("Die Sicherungskopie konnte nicht geschrieben werden: %1.").arg(error->message()));
        m_reported = true;
        return;
    }
    m_schedule.written();
    if (m_reported && m_c.showStatus)
        m_c.showStatus({});
    m_reported = false;
    if (!m_adopted.isEmpty() && ticket >= m_adoptedTicket) {
        m_store.forget(m_adopted);
        m_adopted.clear();
    }
}

recovery::Session AutoRecovery::session() const
{
    return {m_c.state->BasePath, m_c.state->Kind,
            documents::titleFor(m_c.state->BasePath).caption};
}
