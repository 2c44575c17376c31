#pragma once

#include "documentkind.h"

#include <QString>

#include <string>

// The main window's module-level values, one instance for the life of the
// process. The main window owns it and hands it by reference to the parts
// below it; nothing keeps a global copy.
struct SharedState {
    // documents
    QString BasePath;          // file name without its last three characters; empty: untitled
    DocumentKind Kind;         // where the document came from and how Save writes it
    // true: saved as the .txt/.sri pair (another program's text read through it included)
    bool LegacyFormat() const { return Kind.onPairNames(); }
    bool ReadOnlyDocument = false; // its file is write-protected: the title says so, Save asks for a name
    QString OpenDir;           // start directories of the file dialogs, at most 40 characters
    QString SaveDir;
    QString OptionsPath;       // start directory + "\option.dat", fixed at first show
    int ProgressTotal = 0;

    // typing
    bool ComposeArmed = false;    // false until the main window is first shown
    bool LoadingDocument = false; // true while the pair reader fills the editor
    bool InCompose = false;       // a pipeline run is in progress

    // the window handed from the pipeline to the composition engine
    std::string ComposeBuffer; // 8-bit codes
    int ComposeCount = 0;
    int ComposeCaret = 0;
    int ComposeDelta = 0;

    // formatting bracket
    int SavedSelStart = 0;
    int SavedSelLength = 0;

    // search
    int SearchPos = 0;
    int SearchOptions = 0;
};
