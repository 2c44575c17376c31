#pragma once

#include <QString>
#include <QStringList>

// What the program keeps from one run to the next beyond the options file,
// whose 102 bytes stay as they are: a settings file of the program's own in
// the user's configuration folder (QSettings, INI form). Read once at start,
// written at close; a missing or damaged file, or a damaged value, gives the
// defaults.
struct Preferences {
    bool ignoreMarks = false;   // "Akzente ignorieren"
    QStringList replaceHistory; // "Ersetzen durch", the newest first
    QStringList recentDocuments; // the files of the last documents opened or saved, the newest first
    int zoom = 100;             // the editor's view, in percent
    friend bool operator==(const Preferences&, const Preferences&) = default;
};

class ProgramSettings {
public:
    static constexpr int kHistory = 10;
    static constexpr int kLongestEntry = 1000; // characters of one remembered text
    static constexpr int kRecent = 4;
    static constexpr int kLongestPath = 4096;
    static constexpr int kZoomMin = 50;
    static constexpr int kZoomMax = 400;

    explicit ProgramSettings(QString path);
    // ~/.config/Stilora/Stilora.conf (the XDG configuration folder).
    static QString defaultPath();

    const QString& path() const { return m_path; }
    Preferences read() const;
    // Throws IoError (SettingsNotSaved, about the file) when the file could
    // not be written (its folder read-only, say).
    void write(const Preferences& preferences) const;

private:
    QString m_path;
};
