#pragma once

class QWidget;

// Puts a tool window beside the main window, not over the text: to its
// right, or to its left when the screen has no room there; when neither side
// has room, as far right as it fits on the screen.
void placeBeside(QWidget* window, const QWidget* main);
