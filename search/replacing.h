#pragma once

#include "textsearch.h"

#include <QString>

class Dialogs;
class RichTextSurface;
class Tersetzen;

// The steps of the dialog "Ersetzen" on the main window's editor. Each step
// takes the options of the boxes as they stand.
struct ReplaceContext {
    RichTextSurface* txt = nullptr;
    Dialogs* dialogs = nullptr;
    Tersetzen* dialog = nullptr;
};

class Replacing {
public:
    explicit Replacing(const ReplaceContext& c);

    // "N Stellen ersetzt." ("1 Stelle ersetzt.")
    static QString replacedMessage(int count);

    void findNext();   // "&Weitersuchen": the next match from the caret, selected
    void replaceOne(); // "&Ersetzen": the selected match replaced, the next one selected
    void replaceAll(); // "&Alle ersetzen": in the whole text, or in a selection over more than one line

private:
    int options() const;
    textsearch::Match next(int from) const;
    // Selects the match from `from` on, or tells the miss; true when found.
    bool selectNext(int from);

    ReplaceContext m_c;
};
