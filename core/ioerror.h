#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <utility>
#include <vector>

// The error of a file operation the program does itself. It carries the
// German message of its cause, as the error box shows it: "Datei nicht
// gefunden", "Dateizugriff verweigert", "Zu wenig Speicherplatz", ... and
// "E/A-Fehler n" for any other operating-system error n.
class IoError : public std::runtime_error {
public:
    // The causes the program names; any other is an operating-system error number.
    enum Cause : int {
        FileNotFound = 2,
        TooManyOpenFiles = 4,
        AccessDenied = 5,
        ReadPastEnd = 100,
        DiskFull = 101,
        InvalidNumber = 106,
        InvalidFileName = 123,
    };

    explicit IoError(Cause cause);
    IoError(int code, const QString& message);

    int code() const { return m_code; }
    QString message() const { return QString::fromUtf8(what()); }

    // The cause of an errno value: ENOENT is "Datei nicht gefunden", ENOSPC
    // "Zu wenig Speicherplatz", ...
    static IoError fromErrno(int err);
    // The German message of a cause or operating-system error number.
    static QString messageFor(int code);

private:
    int m_code;
};

// Writes each file whole or not at all. Every file goes to a temporary file
// beside its target; only when all of them are written and flushed are they
// put in place, so a full disk or a missing directory leaves every old file
// exactly as it was. Throws IoError.
void writeFilesAtomically(const std::vector<std::pair<QString, QByteArray>>& files);

// Reads a whole file. Throws IoError.
QByteArray readWholeFile(const QString& path);
