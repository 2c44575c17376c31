#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// Files are read whole and replaced whole. A replacement of several files
// (the pair's text and attribute file) is one unit: after a failure, a kill
// or a power cut at any moment, either every old file or every new one is
// there. A replacement is a success only when the data and the directory
// entries are on the disk. All functions throw IoError naming the file.
//
// Each target's new content goes to a hidden scratch file beside it
// (".brief.txt.stilora-neu"); the old files are kept as hard-linked backups
// (".brief.txt.stilora-alt") until every new one is in place, and a journal
// beside the first (".brief.txt.stilora-journal") tells, once all new files
// are complete on the disk, that the replacement is to be finished. Whoever
// next writes or reads these files finishes or undoes what a kill left.

// File names are bytes. A name that is not UTF-8 (from the command line, say)
// keeps each stray byte b as the character U+DC00 + b, so that it names the
// same file again; Qt's own file functions cannot be given such a name.
QString decodePath(const QByteArray& bytes);
QByteArray encodePath(const QString& path);
bool fileExists(const QString& path);
bool isDirectory(const QString& path);

// Reads a whole file; a directory is refused as such.
QByteArray readWholeFile(const QString& path);

// Replaces each file with its bytes, all as one unit.
void writeFilesAtomically(const std::vector<std::pair<QString, QByteArray>>& files);

// `produce` writes the new content of `path` into the scratch file whose name
// it is given (a printer that writes only to a named file, say); the scratch
// then replaces `path` whole. When `produce` throws, `path` stays as it was.
void writeFileThrough(const QString& path, const std::function<void(const QString& scratch)>& produce);

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
