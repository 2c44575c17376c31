#pragma once

#include <QString>

class Dialogs;
class QCheckBox;
class RichTextSurface;
class Tsuchen;
struct SharedState;

// The search steps of the dialog "Wort suchen" on the main window's editor.
struct SearchContext {
    RichTextSurface* txt = nullptr;
    SharedState* state = nullptr;
    Dialogs* dialogs = nullptr;
    Tsuchen* dialog = nullptr;
};

// The find options the boxes ask for ("Groß/Kleinschreibung", "Ganzes
// Wort", "Akzente ignorieren").
int findOptions(const QCheckBox* matchCase, const QCheckBox* wholeWord, const QCheckBox* ignoreMarks);

class WordSearch {
public:
    static const QString kMiss; // "Es konnte nichts gefunden werden."

    explicit WordSearch(const SearchContext& c);

    void Button1Click(); // "&Suchen": a new search with the boxes' options
    void Button2Click(); // "&Weitersuchen", also F3
    void suche();        // one step from SearchPos

private:
    SearchContext m_c;
};
