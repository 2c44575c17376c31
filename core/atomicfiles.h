#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include "filelock.h"

#include <functional>
#include <utility>
#include <vector>

// Files are read whole and replaced whole. A replacement of several files
// (the pair's text and attribute file) is one unit: after a failure, a kill
// or a power cut at any moment, either every old file or every new one is
// there. A replacement is a success only when the data and the directory
// entries are on the disk. All functions throw IoError naming the file.
//
// A replacement holds a lock on each of its files (filelock.h), so that two
// programs saving the same document take turns; a writer that finds the
// lock taken waits a short while and then gives up with "NAME wird gerade
// von einem anderen Programm gespeichert". Each target's new content goes to
// a hidden scratch file beside it whose name is the writer's own
// (".brief.txt.stilora-neu-PID-..."); the old files are kept as hard-linked
// backups (".brief.txt.stilora-alt-PID-...") until every new one is in
// place. A journal beside the first (".brief.txt.stilora-journal") names
// them all before anything is written, and tells, once all new files are
// complete on the disk, that the replacement is to be finished. Whoever next
// writes or reads these files finishes or undoes what a kill left.
//
// Only a regular file or a missing name is ever replaced: a device, a FIFO
// or a socket is refused ("Keine normale Datei"), and so is a
// write-protected file ("Datei ist schreibgeschützt").

// File names are bytes. A name that is not UTF-8 (from the command line, say)
// keeps each stray byte b as the character U+DC00 + b, so that it names the
// same file again; Qt's own file functions cannot be given such a name.
QString decodePath(const QByteArray& bytes);
QByteArray encodePath(const QString& path);
bool fileExists(const QString& path);
bool isDirectory(const QString& path);
// A regular file (a link to one counts), by a name of any bytes.
bool isRegularFile(const QString& path);
// A file that is there and that a save would not replace: no write
// permission for anyone, or none for this user.
bool isWriteProtected(const QString& path);

// Reads a whole file; a directory is refused as such, and so is anything
// else that is not a regular file ("Keine normale Datei"), before reading.
QByteArray readWholeFile(const QString& path);

// Held while files that are replaced together (the pair) are read
// together: no other program's replacement of them falls between the
// reads. Throws IoError when one of them is being saved for too long.
class ReadTogether {
public:
    explicit ReadTogether(const QStringList& paths);

private:
    filelock::Shared m_lock;
};

// Replaces each file with its bytes, all as one unit.
void writeFilesAtomically(const std::vector<std::pair<QString, QByteArray>>& files);

// `produce` writes the new content of `path` into the scratch file whose name
// it is given (a printer that writes only to a named file, say); the scratch
// then replaces `path` whole. When `produce` throws, `path` stays as it was.
void writeFileThrough(const QString& path, const std::function<void(const QString& scratch)>& produce);

// A file device for writers that do not check their writes (Qt's PDF
// writer, say): the bytes go to the file in large pieces, the first write
// that fails is remembered with its cause, and every later one fails at
// once. finish() says whether everything arrived.
class CheckedFile : public QIODevice {
public:
    explicit CheckedFile(const QString& path);
    ~CheckedFile() override;
    // Creates or empties the file for writing; false with the cause kept.
    bool open(OpenMode mode) override;
    void close() override;
    // Writers that come back to what they wrote (a zip archive's local
    // headers) may move; reading is not offered.
    bool seek(qint64 pos) override;
    qint64 size() const override;
    // The bytes so far onto the file; throws IoError naming the file when a
    // write, the open or the close failed.
    void finish();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool flushBuffer();

    QString m_path;
    int m_fd = -1;
    int m_error = 0;
    QByteArray m_buffer;
};

// Finishes or undoes a replacement of these files (in the order they were
// written) that a kill or a failure left half done, and removes its scratch
// files; does nothing when there is none.
void finishInterruptedWrite(const QStringList& paths);

namespace atomicfiles {
// Each operation on the disk, for tests that fail or interrupt one of them.
enum class Step { Create, Write, Sync, Close, Link, Rename, SyncDirectory, Unlink, Journal };
// Called before every operation; a non-zero result fails it with that errno.
using FaultHook = std::function<int(Step step, const QByteArray& path)>;
void setFaultHook(FaultHook hook);
} // namespace atomicfiles
