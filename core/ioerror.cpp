#include "ioerror.h"

#include <QFileInfo>

#include <cerrno>

namespace {

// A cause whose message names its file inside the sentence: %1 is the file.
QString sentenceAround(IoError::Cause cause)
{
    switch (cause) {
    case IoError::Cause::BeingSaved: return QStringLiteral("%1 wird gerade von einem anderen Programm gespeichert");
    case IoError::Cause::FolderNotMade: return QStringLiteral("Der Ordner %1 kann nicht angelegt werden");
    case IoError::Cause::FolderNotWritable: return QStringLiteral("Im Ordner %1 kann nicht geschrieben werden");
    default: return {};
    }
}

QString stepText(IoError::Step step)
{
    switch (step) {
    case IoError::Step::None: return {};
    case IoError::Step::SavingStream: return QStringLiteral("Das Speichern des Streams ist mißlungen");
    case IoError::Step::FinishingInterruptedSave: return QStringLiteral("Eine unterbrochene Speicherung kann nicht beendet werden");
    }
    return {};
}

} // namespace

IoError::IoError(Cause cause, QString detail)
    : m_cause(cause)
    , m_detail(std::move(detail))
{
    update();
}

QString IoError::messageFor(Cause cause, int systemError)
{
    switch (cause) {
    case Cause::FileNotFound: return QStringLiteral("Datei nicht gefunden");
    case Cause::TooManyOpenFiles: return QStringLiteral("Zu viele geöffnete Dateien");
    case Cause::AccessDenied: return QStringLiteral("Dateizugriff verweigert");
    case Cause::ReadPastEnd: return QStringLiteral("Versuch hinter dem Dateiende zu lesen");
    case Cause::DiskFull: return QStringLiteral("Zu wenig Speicherplatz");
    case Cause::InvalidNumber: return QStringLiteral("Ungültige numerische Eingabe");
    case Cause::InvalidFileName: return QStringLiteral("Ungültiger Dateiname");
    case Cause::IsDirectory: return QStringLiteral("Ist ein Verzeichnis, keine Datei");
    case Cause::SystemError: return QStringLiteral("E/A-Fehler %1").arg(systemError);
    case Cause::NotRegularFile: return QStringLiteral("Keine normale Datei");
    case Cause::ReadOnly: return QStringLiteral("Datei ist schreibgeschützt");
    case Cause::BeingSaved: return QStringLiteral("Die Datei wird gerade von einem anderen Programm gespeichert");
    case Cause::PairText: return QStringLiteral("Die Datei ist der Text eines Dateipaars und wird nicht als Unicode-Text überschrieben");
    case Cause::NotLoaded: return QStringLiteral("Das Laden des Streams ist mißlungen");
    case Cause::UnknownFormat: return QStringLiteral("Unbekanntes Format");
    case Cause::EmptyPair: return QStringLiteral("Der Text ist leer; das Dateipaar wird nicht geschrieben");
    case Cause::PdfNotMade: return QStringLiteral("Die PDF-Datei konnte nicht erzeugt werden");
    case Cause::PrintCancelled: return QStringLiteral("Der Druck in die Datei wurde abgebrochen");
    case Cause::NotWritten: return QStringLiteral("Die Datei konnte nicht geschrieben werden");
    case Cause::SettingsNotSaved: return QStringLiteral("Die Einstellungen konnten nicht gespeichert werden");
    case Cause::FolderNotMade: return QStringLiteral("Der Ordner kann nicht angelegt werden");
    case Cause::FolderNotWritable: return QStringLiteral("Im Ordner kann nicht geschrieben werden");
    case Cause::NotRemoved: return QStringLiteral("Die Datei kann nicht entfernt werden");
    case Cause::OutOfMemory: return QStringLiteral("Zu wenig Arbeitsspeicher");
    }
    return QStringLiteral("E/A-Fehler %1").arg(systemError);
}

QString IoError::causeText() const
{
    QString text;
    if (m_detail.isEmpty())
        text = messageFor(m_cause, m_errno);
    else if (m_cause == Cause::UnknownFormat)
        text = messageFor(m_cause) + QStringLiteral(" (erwartet ") + m_detail + QLatin1Char(')');
    else if (m_cause == Cause::PairText)
        text = QStringLiteral("Die Datei ist der Text des Dateipaars %1 und wird nicht als Unicode-Text überschrieben").arg(m_detail);
    else
        text = messageFor(m_cause, m_errno) + QStringLiteral(": ") + m_detail;
    const QString step = stepText(m_step);
    return step.isEmpty() ? text : step + QStringLiteral(": ") + text;
}

QString IoError::compose(const QString& file) const
{
    const QString around = sentenceAround(m_cause);
    if (!around.isEmpty() && !file.isEmpty()) {
        const QString sentence = around.arg(file);
        const QString step = stepText(m_step);
        return step.isEmpty() ? sentence : step + QStringLiteral(": ") + sentence;
    }
    const QString cause = causeText();
    if (file.isEmpty())
        return m_byte >= 0 ? QStringLiteral("%1 (Byte %2)").arg(cause).arg(m_byte) : cause;
    if (m_byte >= 0)
        return QStringLiteral("%1 (Byte %2 in %3)").arg(cause).arg(m_byte).arg(file);
    return cause + QStringLiteral(": ") + file;
}

QString IoError::message() const { return compose(m_file.isEmpty() ? QString() : QFileInfo(m_file).fileName()); }

QString IoError::messageWithPath() const { return compose(m_file); }

IoError& IoError::about(const QString& path)
{
    if (m_file.isEmpty()) {
        m_file = path;
        update();
    }
    return *this;
}

IoError IoError::renamed(const QString& path) const
{
    IoError e = *this;
    e.m_file = path;
    e.update();
    return e;
}

IoError& IoError::atByte(qint64 byte)
{
    m_byte = byte;
    update();
    return *this;
}

IoError& IoError::during(Step step)
{
    m_step = step;
    update();
    return *this;
}

bool IoError::isRefusal() const
{
    return m_cause == Cause::NotRegularFile || m_cause == Cause::ReadOnly || m_cause == Cause::BeingSaved
        || m_cause == Cause::PairText;
}

IoError IoError::fromErrno(int err)
{
    Cause cause = Cause::SystemError;
    switch (err) {
    case ENOENT:
    case ENOTDIR: cause = Cause::FileNotFound; break;
    case EMFILE:
    case ENFILE: cause = Cause::TooManyOpenFiles; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: cause = Cause::AccessDenied; break;
    case EISDIR: cause = Cause::IsDirectory; break;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        cause = Cause::DiskFull;
        break;
    case ENAMETOOLONG:
    case EILSEQ: cause = Cause::InvalidFileName; break;
    default: break;
    }
    IoError e(cause);
    e.m_errno = err;
    e.update();
    return e;
}
