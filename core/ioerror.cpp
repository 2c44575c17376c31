#include "ioerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <memory>

IoError::IoError(Cause cause)
    : IoError(cause, messageFor(cause))
{
}

IoError::IoError(int code, const QString& message)
    : std::runtime_error(message.toStdString())
    , m_code(code)
{
}

QString IoError::messageFor(int code)
{
    switch (code) {
    case FileNotFound: return QStringLiteral("Datei nicht gefunden");
    case TooManyOpenFiles: return QStringLiteral("Zu viele geöffnete Dateien");
    case AccessDenied: return QStringLiteral("Dateizugriff verweigert");
    case ReadPastEnd: return QStringLiteral("Versuch hinter dem Dateiende zu lesen");
    case DiskFull: return QStringLiteral("Zu wenig Speicherplatz");
    case InvalidNumber: return QStringLiteral("Ungültige numerische Eingabe");
    case InvalidFileName: return QStringLiteral("Ungültiger Dateiname");
    default: return QStringLiteral("E/A-Fehler %1").arg(code); // an operating-system error number
    }
}

IoError IoError::fromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR: return IoError(FileNotFound);
    case EMFILE:
    case ENFILE: return IoError(TooManyOpenFiles);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return IoError(AccessDenied);
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return IoError(DiskFull);
    case ENAMETOOLONG:
    case EILSEQ: return IoError(InvalidFileName);
    default: return IoError(err, QStringLiteral("E/A-Fehler %1").arg(err));
    }
}

namespace {

// errno as the failing call left it; a Qt failure without one is a general I/O error.
IoError lastError(const QFileDevice& file, int savedErrno)
{
    if (savedErrno != 0)
        return IoError::fromErrno(savedErrno);
    switch (file.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError: return IoError(IoError::AccessDenied);
    case QFileDevice::ResourceError: return IoError(IoError::DiskFull);
    default: return IoError::fromErrno(EIO);
    }
}

} // namespace

void writeFilesAtomically(const std::vector<std::pair<QString, QByteArray>>& files)
{
    std::vector<std::unique_ptr<QSaveFile>> pending;
    for (const auto& [path, data] : files) {
        if (path.isEmpty())
            throw IoError(IoError::InvalidFileName);
        if (QFileInfo(path).isDir())
            throw IoError(IoError::AccessDenied);
        auto file = std::make_unique<QSaveFile>(path);
        // Unbuffered, so that a full disk shows in write(), before any old file is replaced.
        errno = 0;
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw lastError(*file, errno);
        qint64 done = 0;
        while (done < data.size()) {
            errno = 0;
            const qint64 n = file->write(data.constData() + done, data.size() - done);
            if (n <= 0)
                throw lastError(*file, errno == 0 && n == 0 ? ENOSPC : errno);
            done += n;
        }
        pending.push_back(std::move(file));
    }
    // Everything is written; an unsaved QSaveFile removes its temporary file.
    for (auto& file : pending) {
        errno = 0;
        if (!file->commit())
            throw lastError(*file, errno);
    }
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw lastError(file, errno);
    errno = 0;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw lastError(file, errno);
    return data;
}
