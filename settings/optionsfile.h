#pragma once

#include "optionsrecord.h"

class QAbstractButton;
class QAction;
struct SharedState;

// What the options file holds lives in the window: the four marks of the
// "Optionen" menu, the search dialog's three check boxes, and OpenDir and
// SaveDir.
struct OptionControls {
    QAction* fzu = nullptr;
    QAction* Tabs1 = nullptr;
    QAction* Lineal1 = nullptr;
    QAction* fg = nullptr;
    QAbstractButton* CheckBox1 = nullptr; // match case
    QAbstractButton* CheckBox2 = nullptr; // whole word
    QAbstractButton* CheckBox3 = nullptr; // in the whole text
    SharedState* state = nullptr;
};

// OptRead at start, OptSave at close; both throw IoError. The record read
// at start is kept, so that what the program does not set (the reserved
// bytes, the bytes behind the directories) is written back as it was.
class OptionsFile {
public:
    explicit OptionsFile(const OptionControls& controls);

    void OptRead();
    void OptSave();

private:
    OptionControls m_c;
    options::Record m_record;
};
