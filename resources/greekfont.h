#pragma once

#include <QStringList>

namespace resources {

// Registers the four styles of the bundled font "Greek" with the application.
// Returns the resource paths that failed to load (empty on success).
QStringList registerGreekFont();

} // namespace resources
