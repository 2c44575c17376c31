#pragma once

#include <QString>

#include <exception>
#include <string>

// The error of a file operation the program does itself. It carries the
// German message of its cause, as the error box shows it: "Datei nicht
// gefunden", "Dateizugriff verweigert", "Zu wenig Speicherplatz", ... and
// "E/A-Fehler n" for any other operating-system error n; and, where it is
// known, the file it is about ("Datei nicht gefunden: brief.sri") and the
// byte where reading stopped ("... (Byte 1000 in brief.rtf)").
class IoError : public std::exception {
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
        IsDirectory = 267,
        // Refusals before anything is written; numbered apart from the system's errors.
        NotRegularFile = 1000, // a device, a FIFO, a socket: never replaced, never read whole
        ReadOnly = 1001,       // a write-protected document is not replaced
        BeingSaved = 1002,     // another program is replacing the same file
        PairText = 1003,       // text for other programs would break a document pair
    };

    explicit IoError(Cause cause);
    IoError(int code, const QString& cause);

    int code() const { return m_code; }
    // The cause alone, without the file.
    const QString& cause() const { return m_cause; }
    const QString& file() const { return m_file; }
    qint64 byte() const { return m_byte; }

    // The message with the file by its name ("Datei nicht gefunden: brief.sri"),
    // as the window shows it.
    QString message() const;
    // The same with the path as the caller gave it, as the converter prints it.
    QString messageWithPath() const;
    const char* what() const noexcept override { return m_what.c_str(); }

    // Names the file the error is about, unless a deeper caller named one already.
    IoError& about(const QString& path);
    // The byte of the file where reading stopped.
    IoError& atByte(qint64 byte);

    // The cause of an errno value: ENOENT is "Datei nicht gefunden", ENOSPC
    // "Zu wenig Speicherplatz", ...
    static IoError fromErrno(int err);
    // The German message of a cause or operating-system error number.
    static QString messageFor(int code);
    // A refusal to touch the file at all, not a failure while writing it.
    bool isRefusal() const { return m_code >= NotRegularFile && m_code <= PairText; }

private:
    QString compose(const QString& file) const;

    int m_code;
    QString m_cause;
    QString m_file;
    qint64 m_byte = -1;
    std::string m_what;
};
