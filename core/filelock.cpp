#include "filelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace filelock {

namespace {

int& wait()
{
    static int ms = 5000;
    return ms;
}

QByteArray realPath(const QByteArray& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

// A folder of ours: made when missing, refused when it is somebody else's or a link.
bool ownFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

QByteArray lockName(const QByteArray& path, const char* suffix)
{
    const QString dir = folder();
    if (dir.isEmpty())
        return {};
    return QFile::encodeName(dir) + '/' + QCryptographicHash::hash(canonical(path), QCryptographicHash::Sha1).toHex() + suffix;
}

// The lock names of these files, each once, in one order for every program.
std::vector<QByteArray> lockNames(const std::vector<QByteArray>& paths, const char* suffix)
{
    std::vector<QByteArray> names;
    for (const QByteArray& p : paths) {
        const QByteArray n = lockName(p, suffix);
        if (!n.isEmpty())
            names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

enum class Got { Locked, Busy, NoLock };

// Takes the lock of one lock file before the deadline. A lock file that its
// last holder removed while we waited is no lock: taken again on the file
// that is there now.
Got acquire(const QByteArray& name, int operation, std::chrono::steady_clock::time_point deadline, int* out)
{
    for (;;) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return Got::NoLock;
        for (;;) {
            if (::flock(fd, operation | LOCK_NB) == 0)
                break;
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
                const bool busy = errno == EWOULDBLOCK;
                ::close(fd);
                return busy ? Got::Busy : Got::NoLock;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            *out = fd;
            return Got::Locked;
        }
        ::close(fd);
    }
}

// Takes the lock of every file, in the one order; on a file whose lock
// another program keeps past the wait, stops with that file in `busy`.
bool lockAll(const std::vector<QByteArray>& paths, int operation, int waitMs, std::vector<int>& fds, std::vector<QByteArray>& names,
             QByteArray* busy)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, waitMs));
    for (const QByteArray& name : lockNames(paths, ".lock")) {
        int fd = -1;
        switch (acquire(name, operation, deadline, &fd)) {
        case Got::Locked:
            fds.push_back(fd);
            names.push_back(name);
            break;
        case Got::NoLock: break;
        case Got::Busy:
            for (const QByteArray& p : paths)
                if (lockName(p, ".lock") == name)
                    *busy = p;
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray canonical(const QByteArray& path)
{
    QByteArray absolute = path;
    if (!absolute.startsWith('/'))
        absolute = QFile::encodeName(QDir::currentPath()) + '/' + absolute;
    const QByteArray whole = realPath(absolute);
    if (!whole.isEmpty())
        return whole;
    const qsizetype slash = absolute.lastIndexOf('/');
    const QByteArray dir = realPath(slash == 0 ? QByteArray("/") : absolute.left(slash));
    if (dir.isEmpty())
        return absolute;
    return (dir == "/" ? QByteArray() : dir) + absolute.mid(slash);
}

QString folder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    QByteArray base;
    if (!runtime.isEmpty() && ::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(runtime.constData(), W_OK) == 0)
        base = runtime + "/stilora";
    else
        base = QFile::encodeName(QDir::tempPath()) + "/stilora-" + QByteArray::number(::getuid());
    return ownFolder(base) ? QFile::decodeName(base) : QString();
}

Exclusive::~Exclusive() { unlock(); }

Exclusive::Exclusive(Exclusive&& other) noexcept
    : m_fds(std::move(other.m_fds))
    , m_names(std::move(other.m_names))
{
    other.m_fds.clear();
    other.m_names.clear();
}

Exclusive& Exclusive::operator=(Exclusive&& other) noexcept
{
    if (this != &other) {
        unlock();
        m_fds = std::move(other.m_fds);
        m_names = std::move(other.m_names);
        other.m_fds.clear();
        other.m_names.clear();
    }
    return *this;
}

bool Exclusive::lock(const std::vector<QByteArray>& paths, int waitMs, QByteArray* busy)
{
    unlock();
    if (lockAll(paths, LOCK_EX, waitMs, m_fds, m_names, busy))
        return true;
    unlock();
    return false;
}

void Exclusive::unlock()
{
    // The lock file goes while it is held: a program waiting on it finds it
    // gone and takes a new one, so the folder does not fill up.
    for (std::size_t i = m_fds.size(); i-- > 0;) {
        ::unlink(m_names[i].constData());
        ::close(m_fds[i]);
    }
    m_fds.clear();
    m_names.clear();
}

Shared::~Shared()
{
    // The last reader removes the lock file, as a writer does.
    for (std::size_t i = 0; i < m_fds.size(); ++i) {
        if (::flock(m_fds[i], LOCK_EX | LOCK_NB) == 0)
            ::unlink(m_names[i].constData());
        ::close(m_fds[i]);
    }
}

bool Shared::lock(const std::vector<QByteArray>& paths, int waitMs, QByteArray* busy)
{
    return lockAll(paths, LOCK_SH, waitMs, m_fds, m_names, busy);
}

OpenMark::OpenMark(const QByteArray& path)
{
    const QByteArray name = lockName(path, ".open");
    if (name.isEmpty())
        return;
    // Another program's question holds the file for a moment only.
    int fd = -1;
    if (acquire(name, LOCK_SH, std::chrono::steady_clock::now() + std::chrono::milliseconds(500), &fd) == Got::Locked) {
        m_fd = fd;
        m_name = name;
    }
}

OpenMark::~OpenMark()
{
    if (m_fd < 0)
        return;
    // The last program that holds the document removes its lock file.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(m_name.constData());
    ::close(m_fd);
}

bool OpenMark::heldElsewhere(const QByteArray& path)
{
    const QByteArray name = lockName(path, ".open");
    if (name.isEmpty())
        return false;
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    int r;
    do
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    const bool held = r != 0 && errno == EWOULDBLOCK;
    if (r == 0)
        ::unlink(name.constData()); // a mark a killed program left: nobody holds it
    ::close(fd); // lets go of the probe's lock too
    return held;
}

int waitMs() { return wait(); }

void setWaitMs(int ms) { wait() = ms; }

} // namespace filelock
