#include "atomicfiles.h"

#include "filelock.h"
#include "ioerror.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <atomic>
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

// A whole file by its bytes' name; false with errno set. With `regularOnly`
// anything but a regular file is refused before a byte is read (EISDIR for
// a directory, ENODEV for the rest): a device or a FIFO may never end. The
// open does not wait for a FIFO's writer.
bool readBytes(const QByteArray& path, QByteArray* out, bool regularOnly = false)
{
    int fd;
    do
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat st;
    const bool stated = ::fstat(fd, &st) == 0;
    if (regularOnly && (!stated || !S_ISREG(st.st_mode))) {
        const int err = !stated ? errno : S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        errno = err;
        return false;
    }
    QByteArray data;
    if (stated && st.st_size > 0)
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
void writeNewFile(const QByteArray& path, const char* data, qint64 size, mode_t mode, bool keepMode, bool sync = true)
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
    if (!sysWrite(fd, data, size, path) || (sync && !sysSync(fd, path))) {
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

QByteArray hiddenBeside(const QByteArray& path, const QByteArray& suffix)
{
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + '.' + path.mid(slash + 1) + suffix;
}

QByteArray journalOf(const QByteArray& firstPath) { return hiddenBeside(firstPath, ".stilora-journal"); }

// What this writer's scratch and backup names end in: unique among the
// programs that may write beside the same file at once.
QByteArray writerTag()
{
    static std::atomic<unsigned> serial{0};
    static const quint32 random = QRandomGenerator::system()->generate();
    return QByteArray::number(qint64(::getpid()), 16) + '-' + QByteArray::number(random, 16) + '-'
        + QByteArray::number(++serial, 16);
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

// The file a name stands for, symbolic links resolved.
QByteArray resolved(const QString& path)
{
    QByteArray p = encodePath(path);
    // A symbolic link stays: the file it names is replaced.
    struct stat lst;
    if (::lstat(p.constData(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char real[PATH_MAX];
        if (::realpath(p.constData(), real))
            p = real;
    }
    return p;
}

// Write-protected is write-protected, for every format and for root as well.
bool writeProtected(const QByteArray& path, const struct stat& st)
{
    return (st.st_mode & 0222) == 0 || (::access(path.constData(), W_OK) != 0 && (errno == EACCES || errno == EROFS));
}

Target targetOf(const QString& path, const QByteArray& tag)
{
    if (path.isEmpty())
        throw IoError(IoError::Cause::InvalidFileName);
    Target t;
    t.name = path;
    t.path = resolved(path);
    t.scratch = hiddenBeside(t.path, ".stilora-neu-" + tag);
    t.backup = hiddenBeside(t.path, ".stilora-alt-" + tag);
    t.dir = dirOf(t.path);
    struct stat st;
    if (::stat(t.path.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw IoError(IoError::Cause::IsDirectory).about(path);
        // A device, a FIFO or a socket behind the name is never replaced by a file.
        if (!S_ISREG(st.st_mode))
            throw IoError(IoError::Cause::NotRegularFile).about(path);
        if (writeProtected(t.path, st))
            throw IoError(IoError::Cause::ReadOnly).about(path);
        t.hadOld = true;
        t.mode = st.st_mode & 07777;
    }
    return t;
}

std::vector<Target> targetsOf(const QStringList& paths)
{
    const QByteArray tag = writerTag();
    std::vector<Target> out;
    for (const QString& p : paths)
        out.push_back(targetOf(p, tag));
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
// Beside the first file, written before anything else: "stilora-journal 2",
// the state ("W": the new files are being written, nothing is replaced yet;
// "V": every new file is whole on the disk, finish by putting them in place;
// "Z": undo by putting the old ones back), one line per file with whether it
// existed before and the hex of its name, its scratch file's and its
// backup's, and "end": a journal without its end was cut short before any
// file was touched. Version 1 (fixed scratch and backup names, no "W") is
// still finished or undone when a kill left one.

constexpr char kJournalHead[] = "stilora-journal 2\n";
constexpr char kJournalHeadV1[] = "stilora-journal 1\n";
constexpr qsizetype kStateOffset = sizeof(kJournalHead) - 1;
static_assert(sizeof(kJournalHead) == sizeof(kJournalHeadV1));

QByteArray journalBytes(const std::vector<Target>& targets)
{
    QByteArray j = kJournalHead;
    j += "W\n";
    for (const Target& t : targets)
        j += (t.hadOld ? "1 " : "0 ") + t.path.toHex() + ' ' + t.scratch.toHex() + ' ' + t.backup.toHex() + '\n';
    j += "end\n";
    return j;
}

enum class JournalState { None, Writing, Forward, Undo };

// What a journal says, with the files it names.
JournalState readJournal(const QByteArray& path, std::vector<Target>& targets)
{
    targets.clear();
    QByteArray bytes;
    if (!readBytes(path, &bytes))
        fail(path);
    const QList<QByteArray> lines = bytes.split('\n');
    // A journal cut short, or no journal of ours, has nothing to finish.
    if (lines.size() < 5 || lines[lines.size() - 2] != "end" || !lines.last().isEmpty())
        return JournalState::None;
    const bool v1 = lines[0] + '\n' == kJournalHeadV1;
    if (!v1 && lines[0] + '\n' != kJournalHead)
        return JournalState::None;
    for (qsizetype i = 2; i < lines.size() - 2; ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() != (v1 ? 2 : 4) || (fields[0] != "0" && fields[0] != "1"))
            return JournalState::None;
        Target t;
        t.path = QByteArray::fromHex(fields[1]);
        t.name = decodePath(t.path);
        t.dir = dirOf(t.path);
        t.hadOld = fields[0] == "1";
        t.scratch = v1 ? hiddenBeside(t.path, ".stilora-neu") : QByteArray::fromHex(fields[2]);
        t.backup = v1 ? hiddenBeside(t.path, ".stilora-alt") : QByteArray::fromHex(fields[3]);
        // Only files beside the journal's own are ever touched for it.
        if (t.path.isEmpty() || dirOf(t.scratch) != t.dir || dirOf(t.backup) != t.dir)
            return JournalState::None;
        targets.push_back(t);
    }
    if (lines[1] == "W" && !v1)
        return JournalState::Writing;
    if (lines[1] == "V")
        return JournalState::Forward;
    if (lines[1] == "Z")
        return JournalState::Undo;
    return JournalState::None;
}

// Writes the journal's state over the one it has, onto the disk.
bool markJournal(const QByteArray& journal, char state)
{
    if (faulted(Step::Journal, journal))
        return false;
    const int fd = ::open(journal.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::pwrite(fd, &state, 1, kStateOffset) == 1 && sysSync(fd, journal);
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

// The backups go first: a journal stays as long as a backup does, so that
// the next look at the files removes what a failure or a kill left.
void removeBackupsThenJournal(const std::vector<Target>& targets, const QByteArray& journal)
{
    bool all = true;
    for (const Target& t : targets)
        if (!sysUnlink(t.backup))
            all = false;
    if (all)
        removeQuietly(journal);
}

// Every new file in place; then the backups and the journal go.
void finish(const std::vector<Target>& targets, const QByteArray& journal)
{
    for (const Target& t : targets) {
        if (exists(t.scratch) && !sysRename(t.scratch, t.path))
            fail(t.path);
    }
    QByteArray dir;
    if (!syncDirectories(targets, &dir))
        fail(dir);
    removeBackupsThenJournal(targets, journal);
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
    }
    QByteArray dir;
    if (!syncDirectories(targets, &dir))
        fail(dir);
    removeBackupsThenJournal(targets, journal); // a backup renamed onto its own inode stays
}

// A writer that never got as far as replacing anything: its files go.
void abandon(const std::vector<Target>& targets, const QByteArray& journal)
{
    for (const Target& t : targets) {
        if (!sysUnlink(t.scratch))
            fail(t.scratch);
        if (!sysUnlink(t.backup))
            fail(t.backup);
    }
    if (!sysUnlink(journal))
        fail(journal);
}

// The journal comes first, saying "W": whoever finds it after a kill knows
// the writer's scratch files by their names. Not yet synced: until it says
// "V" nothing depends on it.
QByteArray beginJournal(const std::vector<Target>& targets)
{
    const QByteArray journal = journalOf(targets.front().path);
    const QByteArray j = journalBytes(targets);
    try {
        writeNewFile(journal, j.constData(), j.size(), 0600, true, false);
    } catch (const IoError& e) {
        removeQuietly(journal);
        throw e.renamed(targets.front().name);
    }
    return journal;
}

void abandonQuietly(const std::vector<Target>& targets, const QByteArray& journal)
{
    removeScratchAndBackups(targets);
    removeQuietly(journal);
}

// Puts each scratch file in place, all or none. The journal says "W" and
// every scratch file is whole on the disk.
void commit(std::vector<Target>& targets, const QByteArray& journal)
{
    if (targets.size() == 1) {
        // One rename is one unit already: the journal only names the files a
        // kill would leave ("W" has them removed, whether the rename was done
        // or not), and the backup undoes a rename whose directory entry did
        // not reach the disk.
        Target& t = targets.front();
        QByteArray dir;
        if ((t.hadOld && !sysBackup(t.path, t.backup, t.mode)) || !sysRename(t.scratch, t.path)) {
            const IoError e = errorAt(errno, t.path);
            abandonQuietly(targets, journal);
            throw e;
        }
        if (!syncDirectories(targets, &dir)) {
            const IoError e = errorAt(errno, dir);
            if (t.hadOld)
                sysRename(t.backup, t.path);
            else
                removeQuietly(t.path);
            abandonQuietly(targets, journal);
            throw e;
        }
        removeBackupsThenJournal(targets, journal);
        return;
    }
    for (Target& t : targets) {
        if (t.hadOld && !sysBackup(t.path, t.backup, t.mode)) {
            const IoError e = errorAt(errno, t.path);
            abandonQuietly(targets, journal);
            throw e;
        }
    }
    QByteArray dir;
    if (!markJournal(journal, 'V') || !syncDirectories(targets, &dir)) {
        const IoError e = errorAt(errno, dir.isEmpty() ? journal : dir);
        abandonQuietly(targets, journal);
        throw e;
    }
    // From here on every new file is complete on the disk.
    try {
        finish(targets, journal);
    } catch (const IoError& e) {
        // The old files go back; when even that cannot be started, the
        // journal stays and the next open puts the new ones in place.
        if (markJournal(journal, 'Z')) {
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
            return e.renamed(t.name);
    }
    if (!targets.empty() && file == journalOf(targets.front().path))
        return e.renamed(targets.front().name);
    return e;
}

// Finishes or undoes what a journal beside the first file says; the caller
// holds the files' lock. Returns whether there was one.
bool recoverJournal(const QByteArray& journal)
{
    if (!exists(journal))
        return false;
    std::vector<Target> targets;
    switch (readJournal(journal, targets)) {
    case JournalState::Forward: finish(targets, journal); break;
    case JournalState::Undo: undo(targets, journal); break;
    case JournalState::Writing: abandon(targets, journal); break;
    case JournalState::None:
        // Cut short while it was written: nothing else was begun.
        if (!sysUnlink(journal))
            fail(journal);
        break;
    }
    return true;
}

// What an older version's writer, killed before its journal was complete,
// left under its fixed names; the caller holds the files' lock. (A writer of
// this version names its files in its journal before it makes them.)
void removeStrays(const std::vector<QByteArray>& paths)
{
    for (const QByteArray& p : paths) {
        for (const char* suffix : {".stilora-neu", ".stilora-alt"}) {
            const QByteArray stray = hiddenBeside(p, suffix);
            if (exists(stray) && !sysUnlink(stray))
                fail(stray);
        }
    }
}

// Holds the lock of every file of a replacement, or says which file another program is saving.
filelock::Exclusive lockTargets(const QStringList& paths)
{
    std::vector<QByteArray> files;
    for (const QString& p : paths)
        files.push_back(resolved(p));
    filelock::Exclusive lock;
    QByteArray busy;
    if (!lock.lock(files, filelock::waitMs(), &busy)) {
        QString name = paths.value(0);
        for (qsizetype i = 0; i < paths.size(); ++i)
            if (files[std::size_t(i)] == busy)
                name = paths[i];
        throw IoError(IoError::Cause::BeingSaved).about(name);
    }
    return lock;
}

// Under the lock: what a killed writer left is finished, undone or removed.
void recoverLocked(const QStringList& paths)
{
    std::vector<QByteArray> files;
    for (const QString& p : paths)
        files.push_back(resolved(p));
    try {
        recoverJournal(journalOf(files.front()));
        removeStrays(files);
    } catch (const IoError& e) {
        // Told about the document, by the name the caller gave, not about a hidden file beside it.
        const QByteArray file = encodePath(e.file());
        QString about = e.file();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QByteArray& f = files[std::size_t(i)];
            if (file == f || file == dirOf(f) || file.startsWith(hiddenBeside(f, ".stilora-")))
                about = paths[i];
        }
        throw e.renamed(about).during(IoError::Step::FinishingInterruptedSave);
    }
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

bool isRegularFile(const QString& path)
{
    struct stat st;
    return ::stat(encodePath(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isWriteProtected(const QString& path)
{
    const QByteArray p = encodePath(path);
    struct stat st;
    return ::stat(p.constData(), &st) == 0 && S_ISREG(st.st_mode) && writeProtected(p, st);
}

void atomicfiles::setFaultHook(FaultHook h) { hook() = std::move(h); }

QByteArray readWholeFile(const QString& path)
{
    QByteArray data;
    if (!readBytes(encodePath(path), &data, true)) {
        if (errno == EISDIR)
            throw IoError(IoError::Cause::IsDirectory).about(path);
        if (errno == ENODEV)
            throw IoError(IoError::Cause::NotRegularFile).about(path);
        throw IoError::fromErrno(errno).about(path);
    }
    return data;
}

void finishInterruptedWrite(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    // The usual case: no journal, nothing to look at, not even in a read-only directory.
    if (!exists(journalOf(resolved(paths.front()))))
        return;
    // A journal of a writer that is still at work is its own business: the
    // lock waits for it, and then there is nothing left to do.
    const filelock::Exclusive lock = lockTargets(paths);
    recoverLocked(paths);
}

void writeFilesAtomically(const std::vector<std::pair<QString, QByteArray>>& files)
{
    QStringList paths;
    for (const auto& f : files)
        paths << f.first;
    const filelock::Exclusive lock = lockTargets(paths);
    recoverLocked(paths);
    std::vector<Target> targets = targetsOf(paths);
    const QByteArray journal = beginJournal(targets);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        try {
            writeNewFile(targets[i].scratch, files[i].second.constData(), files[i].second.size(), targets[i].mode,
                         targets[i].hadOld);
        } catch (const IoError& e) {
            abandonQuietly(targets, journal);
            throw e.renamed(targets[i].name);
        }
    }
    try {
        commit(targets, journal);
    } catch (const IoError& e) {
        throw relabelled(e, targets);
    }
}

void writeFileThrough(const QString& path, const std::function<void(const QString& scratch)>& produce)
{
    const filelock::Exclusive lock = lockTargets({path});
    recoverLocked({path});
    std::vector<Target> targets = targetsOf({path});
    Target& t = targets.front();
    const QByteArray journal = beginJournal(targets);
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
        abandonQuietly(targets, journal);
        throw e.renamed(path);
    } catch (...) {
        abandonQuietly(targets, journal);
        throw;
    }
    try {
        commit(targets, journal);
    } catch (const IoError& e) {
        throw relabelled(e, targets);
    }
}

ReadTogether::ReadTogether(const QStringList& paths)
{
    std::vector<QByteArray> files;
    for (const QString& p : paths)
        files.push_back(resolved(p));
    QByteArray busy;
    if (!m_lock.lock(files, filelock::waitMs(), &busy))
        throw IoError(IoError::Cause::BeingSaved).about(decodePath(busy));
}

CheckedFile::CheckedFile(const QString& path)
    : m_path(path)
{
}

CheckedFile::~CheckedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CheckedFile::open(OpenMode mode)
{
    if (m_fd >= 0 || !(mode & WriteOnly) || (mode & ReadOnly)) {
        m_error = m_error ? m_error : EINVAL;
        return false;
    }
    m_fd = sysCreate(encodePath(m_path), 0666);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    return QIODevice::open(mode | Unbuffered);
}

bool CheckedFile::flushBuffer()
{
    if (m_buffer.isEmpty() || m_error)
        return !m_error;
    if (!sysWrite(m_fd, m_buffer.constData(), m_buffer.size(), encodePath(m_path)))
        m_error = errno ? errno : EIO;
    m_buffer.clear();
    return !m_error;
}

qint64 CheckedFile::writeData(const char* data, qint64 length)
{
    if (m_error || m_fd < 0)
        return -1;
    constexpr qsizetype kPiece = 1 << 16;
    if (m_buffer.size() + length > kPiece && !flushBuffer())
        return -1;
    if (length >= kPiece) {
        if (!sysWrite(m_fd, data, length, encodePath(m_path))) {
            m_error = errno ? errno : EIO;
            return -1;
        }
        return length;
    }
    m_buffer.append(data, length);
    return length;
}

bool CheckedFile::seek(qint64 pos)
{
    if (m_fd < 0 || !flushBuffer())
        return false;
    if (::lseek(m_fd, pos, SEEK_SET) < 0) {
        m_error = errno;
        return false;
    }
    return QIODevice::seek(pos);
}

qint64 CheckedFile::size() const
{
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return QIODevice::size();
    return std::max<qint64>(st.st_size + m_buffer.size(), pos());
}

void CheckedFile::close()
{
    if (m_fd >= 0) {
        flushBuffer();
        if (!sysClose(m_fd, encodePath(m_path)) && !m_error)
            m_error = errno ? errno : EIO;
        m_fd = -1;
    }
    QIODevice::close();
}

void CheckedFile::finish()
{
    if (m_fd >= 0)
        close();
    if (m_error)
        throw IoError::fromErrno(m_error).about(m_path);
}
