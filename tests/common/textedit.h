#pragma once

#include "richtextsurface.h"

#include <QTextEdit>

// Tests look inside the editor widget, which the program reaches only
// through the surface's operations.
inline QTextEdit* textEdit(const RichTextSurface& s) { return qobject_cast<QTextEdit*>(s.widget()); }
