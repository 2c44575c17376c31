#pragma once

class QWidget;

// Puts a tool window beside the main window, not over the text: to its
// right, or to its left when the screen has no room there.
void placeBeside(QWidget* window, const QWidget* main);
