#pragma once

#include <QString>
#include <QStringList>

// The last documents opened or saved, the newest first: the file each was
// opened from or saved to (an RTF file, or a file of the pair). A document is
// in the list once, whichever of its pair's files named it last.
class RecentDocuments {
public:
    static constexpr int kLimit = 4;

    RecentDocuments() = default;
    // A list read back from the settings file: empty and relative entries
    // dropped, the first of each document kept, at most kLimit.
    explicit RecentDocuments(const QStringList& paths);

    const QStringList& paths() const { return m_paths; }
    void add(const QString& path);
    void remove(const QString& path);

    // Whether the document can still be opened from the list: the RTF file,
    // or the pair's text file, exists.
    static bool available(const QString& path);
    // "&1 /home/anna/Texte/Ilias.rtf": the number as access key, the path
    // shortened in the middle when it is long, its own ampersands doubled.
    static QString caption(int index, const QString& path);

private:
    static QString keyOf(const QString& path);

    QStringList m_paths;
};
