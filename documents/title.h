#pragma once

#include <QString>

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

} // namespace documents
