#include "atomicfiles.h"

#include "ioerror.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using atomicfiles::Step;

namespace {

atomicfiles::FaultHook& hook()
{
    static atomicfiles::FaultHook h;
    return h;
}

// The hook's verdict on a step: true when it is to fail, with errno set.
bool faulted(Step step, const QByteArray& path)
{
    if (!hook())
        return false;
    if (const int err = hook()(step, path)) {
        errno = err;
        return true;
    }
    return false;
}

IoError errorAt(int err, const QByteArray& path) { return IoError::fromErrno(err).about(decodePath(path)); }

QByteArray dirOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

bool isDir(const QByteArray& path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A whole file by its bytes' name; false with errno set.
bool readBytes(const QByteArray& path, QByteArray* out)
{
    int fd;
    do
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat st;
    QByteArray data;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        data.reserve(qsizetype(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            errno = err;
            return false;
        }
        if (n == 0)
            break;
        data.append(buffer, n);
    }
    ::close(fd);
    *out = std::move(data);
    return true;
}

[[noreturn]] void fail(const QByteArray& path) { throw errorAt(errno, path); }

// The system calls, each behind the hook; false with errno set on failure.
int sysCreate(const QByteArray& path, mode_t mode)
{
    if (faulted(Step::Create, path))
        return -1;
    int fd;
    do
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool sysWrite(int fd, const char* data, qint64 size, const QByteArray& path)
{
    while (size > 0) {
        if (faulted(Step::Write, path))
            return false;
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool sysSync(int fd, const QByteArray& path)
{
    if (faulted(Step::Sync, path))
        return false;
    return ::fdatasync(fd) == 0;
}

bool sysClose(int fd, const QByteArray& path)
{
    if (faulted(Step::Close, path)) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return false;
    }
    return ::close(fd) == 0 || errno == EINTR;
}

bool sysRename(const QByteArray& from, const QByteArray& to)
{
    if (faulted(Step::Rename, to))
        return false;
    return ::rename(from.constData(), to.constData()) == 0;
}

bool sysUnlink(const QByteArray& path)
{
    if (faulted(Step::Unlink, path))
        return false;
    return ::unlink(path.constData()) == 0 || errno == ENOENT;
}

// The directory entry of a renamed file is on the disk only when its directory is synced.
bool sysSyncDirectory(const QByteArray& dir)
{
    if (faulted(Step::SyncDirectory, dir))
        return false;
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP; // file systems that cannot
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// Writes a new file whole onto the disk: created, written, synced, closed.
void writeNewFile(const QByteArray& path, const char* data, qint64 size, mode_t mode, bool keepMode)
{
    const int fd = sysCreate(path, keepMode ? 0600 : 0666);
    if (fd < 0) {
        // A directory that is there but takes no new file (/proc, say) refuses access.
        if (errno == ENOENT && isDir(dirOf(path)))
            errno = EACCES;
        fail(path);
    }
    if (keepMode)
        ::fchmod(fd, mode); // the old file's permissions, whatever the umask
    if (!sysWrite(fd, data, size, path) || !sysSync(fd, path)) {
        const int err = errno;
        ::close(fd);
        throw errorAt(err, path);
    }
    if (!sysClose(fd, path))
        fail(path);
}

// A copy where the file system has no hard links.
bool copyFile(const QByteArray& from, const QByteArray& to, mode_t mode)
{
    QByteArray data;
    if (!readBytes(from, &data))
        return false;
    try {
        writeNewFile(to, data.constData(), data.size(), mode, true);
    } catch (const IoError&) {
        return false;
    }
    return true;
}

bool sysBackup(const QByteArray& from, const QByteArray& to, mode_t mode)
{
    if (faulted(Step::Link, to))
        return false;
    if (::link(from.constData(), to.constData()) == 0)
        return true;
    if (errno == EPERM || errno == EXDEV || errno == EMLINK || errno == ENOTSUP || errno == ENOSYS)
        return copyFile(from, to, mode);
    return false;
}

QByteArray hiddenBeside(const QByteArray& path, const char* suffix)
{
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + '.' + path.mid(slash + 1) + suffix;
}

// One file of a replacement.
struct Target {
    QString name;       // as the caller gave it, for messages
    QByteArray path;    // symbolic links resolved: the file itself is replaced
    QByteArray scratch; // the new content until it is put in place
    QByteArray backup;  // the old file until every new one is in place
    QByteArray dir;
    bool hadOld = false;
    mode_t mode = 0;
};

Target targetOf(const QString& path)
{
    if (path.isEmpty())
        throw IoError(IoError::InvalidFileName);
    Target t;
    t.name = path;
    t.path = encodePath(path);
    // A symbolic link stays: the file it names is replaced.
    struct stat lst;
    if (::lstat(t.path.constData(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(t.path.constData(), resolved))
            t.path = resolved;
    }
    t.scratch = hiddenBeside(t.path, ".stilora-neu");
    t.backup = hiddenBeside(t.path, ".stilora-alt");
    t.dir = dirOf(t.path);
    struct stat st;
    if (::stat(t.path.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw IoError(IoError::IsDirectory).about(path);
        t.hadOld = true;
        t.mode = st.st_mode & 07777;
    }
    return t;
}

std::vector<Target> targetsOf(const QStringList& paths)
{
    std::vector<Target> out;
    for (const QString& p : paths)
        out.push_back(targetOf(p));
    return out;
}

bool syncDirectories(const std::vector<Target>& targets, QByteArray* failed)
{
    QList<QByteArray> done;
    for (const Target& t : targets) {
        if (done.contains(t.dir))
            continue;
        if (!sysSyncDirectory(t.dir)) {
            *failed = t.dir;
            return false;
        }
        done << t.dir;
    }
    return true;
}

void removeQuietly(const QByteArray& path)
{
    const int err = errno;
    sysUnlink(path);
    errno = err;
}

void removeScratchAndBackups(const std::vector<Target>& targets)
{
    for (const Target& t : targets) {
        removeQuietly(t.scratch);
        removeQuietly(t.backup);
    }
}

// --- the journal ------------------------------------------------------------------
//
// "stilora-journal 1", the state ("V": finish by putting the new files in
// place; "Z": undo by putting the old ones back), one line per file with
// whether it existed before and its name in hex, and "end": a journal
// without its end was cut short while it was written, before any file was
// touched.

constexpr char kJournalHead[] = "stilora-journal 1\n";
constexpr qsizetype kStateOffset = sizeof(kJournalHead) - 1;

QByteArray journalBytes(const std::vector<Target>& targets)
{
    QByteArray j = kJournalHead;
    j += "V\n";
    for (const Target& t : targets)
        j += (t.hadOld ? "1 " : "0 ") + t.path.toHex() + '\n';
    j += "end\n";
    return j;
}

enum class JournalState { None, Forward, Undo };

// What the journal of these targets says; their hadOld come from it.
JournalState readJournal(const QByteArray& path, std::vector<Target>& targets)
{
    if (!exists(path))
        return JournalState::None;
    QByteArray bytes;
    if (!readBytes(path, &bytes))
        fail(path);
    const QList<QByteArray> lines = bytes.split('\n');
    // A journal cut short, or one of other files, has nothing to finish.
    if (lines.size() != qsizetype(targets.size()) + 4 || lines[0] + '\n' != kJournalHead || lines[lines.size() - 2] != "end")
        return JournalState::None;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const QList<QByteArray> fields = lines[qsizetype(i) + 2].split(' ');
        if (fields.size() != 2 || QByteArray::fromHex(fields[1]) != targets[i].path)
            return JournalState::None;
        targets[i].hadOld = fields[0] == "1";
    }
    if (lines[1] == "V")
        return JournalState::Forward;
    if (lines[1] == "Z")
        return JournalState::Undo;
    return JournalState::None;
}

// From here on the replacement is undone, not finished, whoever takes it up.
bool markUndo(const QByteArray& journal)
{
    if (faulted(Step::Journal, journal))
        return false;
    const int fd = ::open(journal.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::pwrite(fd, "Z", 1, kStateOffset) == 1 && sysSync(fd, journal);
    ::close(fd);
    return ok;
}

// Every new file in place; then the journal and the backups go.
void finish(const std::vector<Target>& targets, const QByteArray& journal)
{
    for (const Target& t : targets) {
        if (exists(t.scratch) && !sysRename(t.scratch, t.path))
            fail(t.path);
    }
    QByteArray dir;
    if (!syncDirectories(targets, &dir))
        fail(dir);
    removeQuietly(journal);
    for (const Target& t : targets)
        removeQuietly(t.backup);
}

// Every old file back (and a file that did not exist before gone again);
// each step can be taken again after a kill.
void undo(const std::vector<Target>& targets, const QByteArray& journal)
{
    for (const Target& t : targets) {
        if (exists(t.scratch)) {
            // Never put in place: the old file is still there.
            if (!sysUnlink(t.scratch))
                fail(t.scratch);
        } else if (t.hadOld) {
            if (exists(t.backup) && !sysRename(t.backup, t.path))
                fail(t.path);
        } else if (!sysUnlink(t.path)) {
            fail(t.path);
        }
        removeQuietly(t.backup); // a backup renamed onto its own inode stays
    }
    QByteArray dir;
    if (!syncDirectories(targets, &dir))
        fail(dir);
    removeQuietly(journal);
}

// Puts each scratch file in place, all or none.
void commit(std::vector<Target>& targets)
{
    QByteArray dir;
    if (targets.size() == 1) {
        // One rename is one unit already; the backup lets a failed directory sync undo it.
        Target& t = targets.front();
        if (t.hadOld && !sysBackup(t.path, t.backup, t.mode)) {
            const IoError e = errorAt(errno, t.path);
            removeScratchAndBackups(targets);
            throw e;
        }
        if (!sysRename(t.scratch, t.path)) {
            const IoError e = errorAt(errno, t.path);
            removeScratchAndBackups(targets);
            throw e;
        }
        if (!syncDirectories(targets, &dir)) {
            const IoError e = errorAt(errno, dir);
            if (t.hadOld)
                sysRename(t.backup, t.path);
            else
                removeQuietly(t.path);
            removeScratchAndBackups(targets);
            throw e;
        }
        removeQuietly(t.backup);
        return;
    }

    for (Target& t : targets) {
        if (t.hadOld && !sysBackup(t.path, t.backup, t.mode)) {
            const IoError e = errorAt(errno, t.path);
            removeScratchAndBackups(targets);
            throw e;
        }
    }
    const QByteArray journal = hiddenBeside(targets.front().path, ".stilora-journal");
    try {
        const QByteArray j = journalBytes(targets);
        if (faulted(Step::Journal, journal))
            fail(journal);
        writeNewFile(journal, j.constData(), j.size(), 0600, true);
        if (!syncDirectories(targets, &dir))
            fail(dir);
    } catch (const IoError&) {
        removeQuietly(journal);
        removeScratchAndBackups(targets);
        throw;
    }
    // From here on every new file is complete on the disk.
    try {
        finish(targets, journal);
    } catch (const IoError& e) {
        // The old files go back; when even that cannot be started, the
        // journal stays and the next open puts the new ones in place.
        if (markUndo(journal)) {
            try {
                undo(targets, journal);
            } catch (const IoError&) {
            }
        }
        throw;
    }
}

// An error about one of a target's files is about the target, by the name the caller gave.
IoError relabelled(const IoError& e, const std::vector<Target>& targets)
{
    const QByteArray file = encodePath(e.file());
    for (const Target& t : targets) {
        if (file == t.path || file == t.scratch || file == t.backup || file == t.dir)
            return IoError(e.code(), e.cause()).about(t.name);
    }
    if (!targets.empty() && file == hiddenBeside(targets.front().path, ".stilora-journal"))
        return IoError(e.code(), e.cause()).about(targets.front().name);
    return e;
}

} // namespace

QString decodePath(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString whole = utf8.decode(bytes);
    if (!utf8.hasError())
        return whole;
    // Each byte that is no part of a UTF-8 sequence stands for itself, as U+DC80 to U+DCFF.
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar b = uchar(bytes[i]);
        const int length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (length > 0 && i + length <= bytes.size()) {
            const QByteArray sequence = bytes.mid(i, length);
            const QString ch = QString::fromUtf8(sequence);
            if (ch.toUtf8() == sequence) {
                out += ch;
                i += length;
                continue;
            }
        }
        out += QChar(char16_t(0xDC00 + b));
        ++i;
    }
    return out;
}

QByteArray encodePath(const QString& path)
{
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        const bool escaped = u >= 0xDC80 && u <= 0xDCFF && !(i > 0 && path[i - 1].isHighSurrogate());
        if (!escaped)
            continue;
        out += QStringView(path).mid(start, i - start).toUtf8();
        out += char(u - 0xDC00);
        start = i + 1;
    }
    out += QStringView(path).mid(start).toUtf8();
    return out;
}

bool fileExists(const QString& path) { return exists(encodePath(path)); }

bool isDirectory(const QString& path) { return isDir(encodePath(path)); }

void atomicfiles::setFaultHook(FaultHook h) { hook() = std::move(h); }

QByteArray readWholeFile(const QString& path)
{
    const QByteArray p = encodePath(path);
    if (isDir(p))
        throw IoError(IoError::IsDirectory).about(path);
    QByteArray data;
    if (!readBytes(p, &data))
        throw IoError::fromErrno(errno).about(path);
    return data;
}

void finishInterruptedWrite(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    std::vector<Target> targets = targetsOf(paths);
    const QByteArray journal = hiddenBeside(targets.front().path, ".stilora-journal");
    bool leftovers = exists(journal);
    for (const Target& t : targets)
        leftovers = leftovers || exists(t.scratch) || exists(t.backup);
    if (!leftovers)
        return; // the usual case: nothing to look at, not even in a read-only directory
    try {
        switch (readJournal(journal, targets)) {
        case JournalState::Forward: finish(targets, journal); break;
        case JournalState::Undo: undo(targets, journal); break;
        case JournalState::None:
            // Nothing was put in place yet (or all of it was): the files are whole as they are.
            for (const Target& t : targets) {
                if (!sysUnlink(t.scratch))
                    fail(t.scratch);
                if (!sysUnlink(t.backup))
                    fail(t.backup);
            }
            removeQuietly(journal);
            break;
        }
    } catch (IoError& e) {
        const IoError r = relabelled(e, targets);
        throw IoError(e.code(), QStringLiteral("Eine unterbrochene Speicherung kann nicht beendet werden: ") + r.cause())
            .about(r.file());
    }
}

void writeFilesAtomically(const std::vector<std::pair<QString, QByteArray>>& files)
{
    QStringList paths;
    for (const auto& f : files)
        paths << f.first;
    finishInterruptedWrite(paths);
    std::vector<Target> targets = targetsOf(paths);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        try {
            writeNewFile(targets[i].scratch, files[i].second.constData(), files[i].second.size(), targets[i].mode,
                         targets[i].hadOld);
        } catch (const IoError& e) {
            removeScratchAndBackups(targets);
            throw IoError(e.code(), e.cause()).about(targets[i].name);
        }
    }
    try {
        commit(targets);
    } catch (const IoError& e) {
        throw relabelled(e, targets);
    }
}

void writeFileThrough(const QString& path, const std::function<void(const QString& scratch)>& produce)
{
    finishInterruptedWrite({path});
    std::vector<Target> targets = targetsOf({path});
    Target& t = targets.front();
    try {
        // The scratch file is made here, so that a directory that takes no file says so as for any write.
        writeNewFile(t.scratch, nullptr, 0, t.mode, t.hadOld);
        const QString scratch = decodePath(t.scratch);
        if (QFile::encodeName(scratch) == t.scratch) {
            produce(scratch);
        } else {
            // A name Qt cannot spell: the producer writes elsewhere, and its bytes come here.
            QTemporaryDir elsewhere;
            const QString made = elsewhere.filePath(QStringLiteral("neu"));
            produce(made);
            QByteArray data;
            if (!readBytes(QFile::encodeName(made), &data))
                fail(QFile::encodeName(made));
            writeNewFile(t.scratch, data.constData(), data.size(), t.mode, t.hadOld);
        }
        // What the producer wrote goes onto the disk before it replaces anything.
        const int fd = ::open(t.scratch.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            fail(t.scratch);
        if (t.hadOld)
            ::fchmod(fd, t.mode);
        if (!sysSync(fd, t.scratch)) {
            const int err = errno;
            ::close(fd);
            throw errorAt(err, t.scratch);
        }
        if (!sysClose(fd, t.scratch))
            fail(t.scratch);
    } catch (const IoError& e) {
        removeScratchAndBackups(targets);
        throw IoError(e.code(), e.cause()).about(path);
    } catch (...) {
        removeScratchAndBackups(targets);
        throw;
    }
    try {
        commit(targets);
    } catch (const IoError& e) {
        throw relabelled(e, targets);
    }
}
