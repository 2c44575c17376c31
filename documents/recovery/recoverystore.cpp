#include "recoverystore.h"

#include "atomicfiles.h"
#include "ioerror.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

#include <algorithm>

namespace recovery {

namespace {

constexpr char kMagic[] = "Stilora-Wiederherstellung 1";
const QString kCopyPrefix = QStringLiteral("copy-");
const QString kDiscardedPrefix = QStringLiteral("discarded-");
const QString kDiscardedDate = QStringLiteral("yyyy-MM-dd-HHmmss");

// Names by their bytes, so that one that is not UTF-8 comes back as the same file.
QByteArray escaped(const QString& s) { return encodePath(s).toPercentEncoding(); }
QString unescaped(const QByteArray& b) { return decodePath(QByteArray::fromPercentEncoding(b)); }

std::unique_ptr<QLockFile> lockFor(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A mark lives as long as its program: only a dead process makes it stale.
    lock->setStaleLockTime(0);
    return lock;
}

// The ids of the copies in the folder: from copy-ID.lock, .meta and .rtf.
QStringList copyIds(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({kCopyPrefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System);
    QStringList ids;
    for (const QString& name : names) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot <= kCopyPrefix.size())
            continue;
        const QString ext = name.mid(dot + 1);
        if (ext != QLatin1String("lock") && ext != QLatin1String("meta") && ext != QLatin1String("rtf"))
            continue;
        ids << name.mid(kCopyPrefix.size(), dot - kCopyPrefix.size());
    }
    ids.removeDuplicates();
    return ids;
}

} // namespace

QByteArray encodeMeta(const Session& session, const QDateTime& saved, const QByteArray& rtf)
{
    QByteArray out = kMagic;
    out += "\nsaved=" + QByteArray::number(saved.toMSecsSinceEpoch());
    out += "\nbase=" + escaped(session.basePath);
    // The kind in the two lines every version of the description has had.
    out += "\nlegacy=" + QByteArray(session.kind.onPairNames() ? "1" : "0");
    out += "\nunicode=" + QByteArray(session.kind.format() == DocumentKind::Format::UnicodeText ? "1" : "0");
    // Only when it is so: a description of a whole document stays as older versions read it.
    if (session.kind.lossy())
        out += "\nlossy=1";
    out += "\ntitle=" + escaped(session.title);
    out += "\nsize=" + QByteArray::number(rtf.size());
    out += "\nsha256=" + QCryptographicHash::hash(rtf, QCryptographicHash::Sha256).toHex();
    out += '\n';
    return out;
}

std::optional<Meta> decodeMeta(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 2 || lines.first() != kMagic || !bytes.endsWith('\n'))
        return std::nullopt;
    Meta m;
    bool haveSaved = false, haveLegacy = false, haveUnicode = false, haveBase = false, haveTitle = false;
    bool legacy = false, unicode = false, lossy = false;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return std::nullopt;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        bool ok = true;
        if (key == "saved") {
            m.saved = QDateTime::fromMSecsSinceEpoch(value.toLongLong(&ok));
            haveSaved = ok;
        } else if (key == "base") {
            m.session.basePath = unescaped(value);
            haveBase = true;
        } else if (key == "legacy" && (value == "0" || value == "1")) {
            legacy = value == "1";
            haveLegacy = true;
        } else if (key == "unicode" && (value == "0" || value == "1")) {
            unicode = value == "1";
            haveUnicode = true;
        } else if (key == "lossy" && value == "1") {
            lossy = true;
        } else if (key == "title") {
            m.session.title = unescaped(value);
            haveTitle = true;
        } else if (key == "size") {
            m.size = value.toLongLong(&ok);
            ok = ok && m.size >= 0;
        } else if (key == "sha256" && value.size() == 64) {
            m.sha256 = value;
        } else {
            return std::nullopt; // a line this version does not know: not ours to trust
        }
        if (!ok)
            return std::nullopt;
    }
    if (!haveSaved || !haveBase || !haveLegacy || !haveUnicode || !haveTitle || m.size < 0 || m.sha256.isEmpty())
        return std::nullopt;
    // Unicode text is read through the pair reader: without the pair's names it is RTF.
    m.session.kind = DocumentKind(!legacy ? DocumentKind::Format::Rtf : unicode ? DocumentKind::Format::UnicodeText : DocumentKind::Format::Pair,
                                  lossy);
    return m;
}

void CopyFiles::write(const styled::Document& document, const Session& session, const QDateTime& saved) const
{
    const QByteArray bytes = rtf::write(document);
    writeFilesAtomically({{rtf, bytes}, {meta, encodeMeta(session, saved, bytes)}});
}

bool CopyFiles::remove() const
{
    finishInterruptedWrite({rtf, meta}); // a scratch file of a write that failed goes too
    bool ok = true;
    for (const QString& path : {rtf, meta})
        if (QFileInfo::exists(path) && !QFile::remove(path))
            ok = false;
    return ok;
}

QString Store::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

Store::Store(QString folder)
    : m_folder(std::move(folder))
{
}

Store::~Store() = default; // QLockFile removes the marks it holds

CopyFiles Store::filesOf(const QString& id) const
{
    const QString base = m_folder + QLatin1Char('/') + kCopyPrefix + id;
    return {base + QStringLiteral(".rtf"), base + QStringLiteral(".meta")};
}

void Store::open()
{
    if (m_own)
        return;
    if (!QFileInfo(m_folder).isDir() && !QDir().mkpath(m_folder))
        throw IoError(IoError::Cause::FolderNotMade).about(QDir::toNativeSeparators(m_folder));
    // The process id keeps two programs apart; the random part, a program
    // from one that had its process id before.
    m_ownId = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    auto own = lockFor(m_folder + QLatin1Char('/') + kCopyPrefix + m_ownId + QStringLiteral(".lock"));
    if (!own->tryLock(0))
        throw IoError(IoError::Cause::FolderNotWritable).about(QDir::toNativeSeparators(m_folder));
    m_own = std::move(own);
    m_ownFiles = filesOf(m_ownId);
}

std::optional<Recovered> Store::read(const QString& id) const
{
    const CopyFiles files = filesOf(id);
    try {
        // takeNewestDead has finished or undone a write a kill interrupted.
        const std::optional<Meta> meta = decodeMeta(readWholeFile(files.meta));
        if (!meta)
            return std::nullopt;
        const QByteArray bytes = readWholeFile(files.rtf);
        if (bytes.size() != meta->size || QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() != meta->sha256)
            return std::nullopt;
        rtf::ReadResult r = rtf::read(bytes);
        if (r.status != rtf::Status::Ok)
            return std::nullopt;
        return Recovered{id, std::move(r.document), meta->session, meta->saved};
    } catch (const IoError&) {
        return std::nullopt;
    }
}

namespace {

// Whether the program that marked a copy still runs; a mark of another
// machine (a shared home folder) counts as running.
bool holderRunning(QLockFile& mark)
{
    qint64 pid = 0;
    QString host, app;
    if (!mark.getLockInfo(&pid, &host, &app))
        return false; // no mark left at all
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return true;
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

std::optional<Recovered> Store::takeNewestDead()
{
    struct Candidate {
        QString id;
        QDateTime saved;
    };
    std::vector<Candidate> dead;
    for (const QString& id : copyIds(m_folder)) {
        if (id == m_ownId || m_held.count(id) || m_unheld.contains(id))
            continue;
        auto lock = lockFor(m_folder + QLatin1Char('/') + kCopyPrefix + id + QStringLiteral(".lock"));
        const bool held = lock->tryLock(0);
        // Its program still runs: not ours. A mark that cannot be taken over
        // although its program is gone (a full disk takes no new mark) does
        // not hide the copy: reading it needs no mark.
        if (!held && holderRunning(*lock))
            continue;
        const CopyFiles files = filesOf(id);
        try {
            finishInterruptedWrite({files.rtf, files.meta});
        } catch (const IoError&) {
            continue; // left as it is, for a start that can finish it
        }
        if (!QFileInfo::exists(files.rtf) && !QFileInfo::exists(files.meta))
            continue; // a program that ended before it needed a copy: the mark goes with the lock
        QDateTime saved = QFileInfo(files.meta).lastModified();
        QFile meta(files.meta);
        if (meta.open(QIODevice::ReadOnly))
            if (const std::optional<Meta> m = decodeMeta(meta.read(4096)))
                saved = m->saved;
        if (held)
            m_held[id] = std::move(lock);
        else
            m_unheld << id;
        dead.push_back({id, saved});
    }
    std::sort(dead.begin(), dead.end(), [](const Candidate& a, const Candidate& b) { return a.saved > b.saved; });
    std::optional<Recovered> found;
    for (const Candidate& c : dead) {
        if (!found)
            found = read(c.id);
        if (!found || found->id != c.id)
            setAside(c.id); // older than the one offered, or damaged
    }
    return found;
}

void Store::setAside(const QString& id, const QDateTime& now)
{
    const CopyFiles files = filesOf(id);
    if (QFileInfo::exists(files.rtf)) {
        const QString stem = m_folder + QLatin1Char('/') + kDiscardedPrefix + now.toString(kDiscardedDate);
        QString target = stem + QStringLiteral(".rtf");
        for (int n = 2; QFileInfo::exists(target) && n < 10000; ++n)
            target = stem + QStringLiteral("-%1.rtf").arg(n);
        QFile::rename(files.rtf, target);
    }
    QFile::remove(files.meta);
    release(id);
}

void Store::forget(const QString& id)
{
    filesOf(id).remove();
    release(id);
}

void Store::release(const QString& id)
{
    m_held.erase(id); // unlocks: the mark goes
    m_unheld.removeAll(id);
}

int Store::pruneDiscarded(const QDateTime& now)
{
    int removed = 0;
    const QDir dir(m_folder);
    const QDateTime limit = now.addDays(-kKeepDiscardedDays);
    for (const QString& name : dir.entryList({kDiscardedPrefix + QStringLiteral("*.rtf")}, QDir::Files)) {
        // The date in the name is when it was set aside; the file's own time
        // is when the copy was written.
        QDateTime when = QDateTime::fromString(name.mid(kDiscardedPrefix.size(), kDiscardedDate.size()), kDiscardedDate);
        if (!when.isValid())
            when = QFileInfo(dir.filePath(name)).lastModified();
        if (when < limit && QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace recovery
