#include "ioerror.h"

#include <QFileInfo>

#include <cerrno>

IoError::IoError(Cause cause)
    : IoError(cause, messageFor(cause))
{
}

IoError::IoError(int code, const QString& cause)
    : m_code(code)
    , m_cause(cause)
    , m_what(cause.toStdString())
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
    case IsDirectory: return QStringLiteral("Ist ein Verzeichnis, keine Datei");
    case NotRegularFile: return QStringLiteral("Keine normale Datei");
    case ReadOnly: return QStringLiteral("Datei ist schreibgeschützt");
    case BeingSaved: return QStringLiteral("wird gerade von einem anderen Programm gespeichert");
    case PairText: return QStringLiteral("Die Datei ist der Text eines Dateipaars und wird nicht als Unicode-Text überschrieben");
    default: return QStringLiteral("E/A-Fehler %1").arg(code); // an operating-system error number
    }
}

QString IoError::compose(const QString& file) const
{
    // "brief.rtf wird gerade von einem anderen Programm gespeichert": the file is the subject.
    if (m_code == BeingSaved)
        return (file.isEmpty() ? QStringLiteral("Die Datei") : file) + QLatin1Char(' ') + m_cause;
    if (file.isEmpty())
        return m_byte >= 0 ? QStringLiteral("%1 (Byte %2)").arg(m_cause).arg(m_byte) : m_cause;
    if (m_byte >= 0)
        return QStringLiteral("%1 (Byte %2 in %3)").arg(m_cause).arg(m_byte).arg(file);
    return m_cause + QStringLiteral(": ") + file;
}

QString IoError::message() const { return compose(m_file.isEmpty() ? QString() : QFileInfo(m_file).fileName()); }

QString IoError::messageWithPath() const { return compose(m_file); }

IoError& IoError::about(const QString& path)
{
    if (m_file.isEmpty()) {
        m_file = path;
        m_what = message().toStdString();
    }
    return *this;
}

IoError& IoError::atByte(qint64 byte)
{
    m_byte = byte;
    m_what = message().toStdString();
    return *this;
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
    case ETXTBSY: return IoError(AccessDenied);
    case EISDIR: return IoError(IsDirectory);
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
