#pragma once

#include "documentkind.h"

#include "styledtext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

class QLockFile;

// Recovery copies: while a document has changes that are not saved, the
// program keeps a copy of it in the user's own data folder, so that a crash,
// a kill or a power cut loses nothing that was typed more than a moment
// before. Each running program keeps its own copy and marks it with a lock
// file that holds its process id; a copy whose program is gone is offered
// at the next start.
//
// A copy is two files written as one unit: copy-ID.rtf, the document in the
// program's own RTF (which keeps everything the model holds), and
// copy-ID.meta, what restores the session (name, format, title) with the
// RTF's size and checksum, so that a damaged copy is known as such. A copy
// that is not restored is set aside as discarded-DATE.rtf and removed a
// week later.
namespace recovery {

// What comes back with the document besides its text.
struct Session {
    QString basePath;           // the document's name without its last three characters; empty: untitled
    DocumentKind kind;          // RTF, the pair, or another program's Unicode text
    QString title;              // the window's caption when the copy was taken

    bool operator==(const Session&) const = default;
};

// The files of one copy.
struct CopyFiles {
    QString rtf;
    QString meta;

    // Writes the document and its session as one unit; throws IoError. Safe
    // to call on any thread.
    void write(const styled::Document& document, const Session& session, const QDateTime& saved) const;
    // Removes both files; false when one stays.
    bool remove() const;
};

struct Recovered {
    QString id;
    styled::Document document;
    Session session;
    QDateTime saved;
};

// The recovery folder as one program sees it. Everything but the files of
// the program's own copy is used on one thread.
class Store {
public:
    static constexpr int kKeepDiscardedDays = 7;

    // The folder in the user's data location (~/.local/share/Stilora/recovery).
    static QString defaultFolder();

    explicit Store(QString folder);
    ~Store(); // the program's mark and any copy it still holds are released

    // Makes the folder and marks this program's copy as its own; throws
    // IoError (FolderNotMade, FolderNotWritable) when the folder cannot be used.
    void open();
    bool isOpen() const { return m_own != nullptr; }
    const QString& folder() const { return m_folder; }
    const QString& ownId() const { return m_ownId; }
    const CopyFiles& ownFiles() const { return m_ownFiles; }

    // The newest copy of a program that no longer runs and whose files are
    // whole, held for this program until it is set aside or forgotten. Every
    // other copy of a program that is gone, older or damaged, is set aside;
    // copies of running programs are not touched. Works on a folder this
    // program could not open for its own copy (a full disk) as well.
    std::optional<Recovered> takeNewestDead();
    // The copy taken is not wanted: its document is kept as discarded-DATE.rtf.
    void setAside(const QString& id, const QDateTime& now = QDateTime::currentDateTime());
    // The copy taken lives on in this program's own: its files go.
    void forget(const QString& id);
    // Removes what was set aside more than a week before `now`; returns how many.
    int pruneDiscarded(const QDateTime& now = QDateTime::currentDateTime());

    // The files of a copy by its id.
    CopyFiles filesOf(const QString& id) const;

private:
    // A copy whose files are whole and readable; nothing for a damaged one.
    std::optional<Recovered> read(const QString& id) const;
    void release(const QString& id);

    QString m_folder;
    QString m_ownId;
    CopyFiles m_ownFiles;
    std::unique_ptr<QLockFile> m_own;
    std::map<QString, std::unique_ptr<QLockFile>> m_held; // copies of programs that are gone
    QStringList m_unheld; // copies of programs that are gone whose mark could not be taken over
};

// The session lines of a copy's meta file and back; std::nullopt when the
// bytes are not such a file. Public for tests of damaged copies.
QByteArray encodeMeta(const Session& session, const QDateTime& saved, const QByteArray& rtf);
struct Meta {
    Session session;
    QDateTime saved;
    qint64 size = -1;
    QByteArray sha256; // hex
};
std::optional<Meta> decodeMeta(const QByteArray& bytes);

} // namespace recovery
