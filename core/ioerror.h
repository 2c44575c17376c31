#pragma once

#include <QString>

#include <exception>
#include <string>

// The one error of the program's file work that reaches the user: a named
// cause (never a bare number), what the program was doing, the file it is
// about and the byte where reading stopped; its German message is made here
// and nowhere else ("Datei nicht gefunden: brief.sri", "Das Laden des Streams
// ist mißlungen: Gruppen zu tief verschachtelt (Byte 1006 in tief.rtf)").
// An operating-system error the program has no name for is "E/A-Fehler n",
// n its errno; a named cause keeps the errno it came from as well.
class IoError : public std::exception {
public:
    enum class Cause {
        FileNotFound,      // "Datei nicht gefunden"
        TooManyOpenFiles,  // "Zu viele geöffnete Dateien"
        AccessDenied,      // "Dateizugriff verweigert"
        ReadPastEnd,       // "Versuch hinter dem Dateiende zu lesen"
        DiskFull,          // "Zu wenig Speicherplatz"
        InvalidNumber,     // "Ungültige numerische Eingabe"
        InvalidFileName,   // "Ungültiger Dateiname"
        IsDirectory,       // "Ist ein Verzeichnis, keine Datei"
        SystemError,       // any other operating-system error: "E/A-Fehler n"
        // Refusals before anything is written:
        NotRegularFile,    // a device, a FIFO, a socket: never replaced, never read whole
        ReadOnly,          // a write-protected document is not replaced
        BeingSaved,        // another program is replacing the same file
        PairText,          // text for other programs would break a document pair
        // What the program's own readers and writers say:
        NotLoaded,         // a reader refused the bytes; the detail says why
        UnknownFormat,     // the detail lists what is expected
        EmptyPair,         // the pair has no form for an empty text
        PdfNotMade,        // the PDF writer could not begin
        PrintCancelled,    // a print into a file was cancelled
        NotWritten,        // a writer failed without an operating-system cause
        SettingsNotSaved,  // the program's settings file
        FolderNotMade,     // the recovery folder
        FolderNotWritable,
        NotRemoved,        // a file the program meant to delete is still there
        OutOfMemory,       // "Zu wenig Arbeitsspeicher"
    };

    // What the program was doing when it failed, said before the cause.
    enum class Step {
        None,
        SavingStream,             // "Das Speichern des Streams ist mißlungen"
        FinishingInterruptedSave, // "Eine unterbrochene Speicherung kann nicht beendet werden"
    };

    explicit IoError(Cause cause, QString detail = {});
    // The cause of an errno value: ENOENT is "Datei nicht gefunden", ENOSPC
    // "Zu wenig Speicherplatz", anything unnamed "E/A-Fehler n".
    static IoError fromErrno(int err);

    Cause cause() const { return m_cause; }
    Step step() const { return m_step; }
    int systemError() const { return m_errno; } // the errno it came from; 0 for none
    const QString& detail() const { return m_detail; }
    const QString& file() const { return m_file; }
    qint64 byte() const { return m_byte; }

    // The cause alone, with its step and detail, without the file.
    QString causeText() const;
    // The message with the file by its name ("Datei nicht gefunden: brief.sri"),
    // as the window shows it.
    QString message() const;
    // The same with the path as the caller gave it, as the converter prints it.
    QString messageWithPath() const;
    const char* what() const noexcept override { return m_what.c_str(); }

    // Names the file the error is about, unless a deeper caller named one already.
    IoError& about(const QString& path);
    // The same error about another name of the same file (the name the caller gave).
    IoError renamed(const QString& path) const;
    // The byte of the file where reading stopped.
    IoError& atByte(qint64 byte);
    // The step the program was taking.
    IoError& during(Step step);

    // A refusal to touch the file at all, not a failure while writing it.
    bool isRefusal() const;

    // The German message of a cause, without file or detail.
    static QString messageFor(Cause cause, int systemError = 0);

private:
    QString compose(const QString& file) const;
    void update() { m_what = message().toStdString(); }

    Cause m_cause;
    Step m_step = Step::None;
    int m_errno = 0;
    QString m_detail;
    QString m_file;
    qint64 m_byte = -1;
    std::string m_what;
};
