#pragma once

#include <QString>

struct SharedState;

namespace documents {

// Directories are kept as short strings of one length byte and 40 characters.
constexpr int kShortStringCapacity = 40;
QString shortString(const QString& s);

// The window title and the directory of a document named by BasePath (the
// chosen file name without its last three characters).
struct Title {
    QString caption;   // "Stilora- Ohne Titel" or "Stilora - " + display name
    QString directory; // up to and including the last separator; empty when untitled
};
Title titleFor(const QString& basePath);

// The file name an export of the document suggests: its name with the
// extension, "Ohne Titel" for an untitled one.
QString exportName(const QString& basePath, const QString& extension);

// The title routine: for a named document the open dialog's start directory
// (OpenDir) follows the document's; returns the window's new caption.
QString retitle(SharedState& state);

} // namespace documents
