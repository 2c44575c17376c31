#pragma once

#include "documentfiles.h"
#include "seams.h"

#include <QString>

#include <functional>
#include <memory>

namespace filelock {
class OpenMark;
}

class QProgressBar;
class QWidget;
class RichTextSurface;
struct SharedState;

namespace styled {
class Document;
}

// What the file commands work on: the editor, the shared state, the seams,
// the progress panel and the window's title routine.
struct DocumentContext {
    RichTextSurface* txt = nullptr;
    SharedState* state = nullptr;
    Dialogs* dialogs = nullptr;
    QWidget* window = nullptr;        // owner of the dialogs
    QWidget* progressPanel = nullptr; // Panel2
    QProgressBar* progress = nullptr; // pb1
    std::function<void()> tit;
    docfiles::PdfWriter pdf;          // the report engine's pages, for the export
    // Told the file of each document opened or saved (the recent documents):
    // an RTF file, or a pair's attribute file.
    std::function<void(const QString&)> remember;
};

// New, Open, Save and Save As, and the writing of the current document in
// the format LegacyFormat names (speich). Errors are thrown as IoError and
// reach the window's handler guard; a failed open leaves the document it
// had, a failed save leaves the old files.
class DocumentCommands {
public:
    static const QString kOpenFilter;
    static const QString kSaveFilter;
    static const QString kOpenExtension; // "*.rtf"
    static const QString kSaveExtension; // "*.sri"
    static const QString kOverwriteQuestion;
    static const QString kUnsavedQuestion;
    static const QString kEmptyPairQuestion;
    static const QString kPairTextQuestion; // %1 the text file, %2 its attribute file
    static const QString kOpenElsewhereQuestion; // %1 the file

    explicit DocumentCommands(const DocumentContext& context);
    ~DocumentCommands();

    void newDocument(); // Neu1Click
    void open();        // ffnen1Click
    // Opens a file named from outside the dialog (at start, dropped, a recent
    // document), after the unsaved-text question: a .sri or .txt as the pair,
    // anything else as RTF (which reads plain text as well).
    void openFile(const QString& path);
    // Files named from outside (at start, dropped): the first is opened as
    // openFile() opens it, the others are named in a notice (the program
    // holds one document). A relative name is fixed now, before a file dialog
    // moves the current folder.
    void openNamed(const QStringList& paths);
    // A document of the recent list; false, after a notice, when its file is gone.
    bool openRecent(const QString& path);
    // The document's BasePath for a file: the name up to and with the dot of its ending.
    static QString baseOf(const QString& path);
    bool save();        // Speichern1Click; true when the document was written
    bool saveAs();      // Speichernunter1Click
    bool speich();
    // Exportieren1Click: the document for other programs, under a name the
    // dialog asks for; the document keeps its own name and format.
    void exportDocument();

    // Asks whether changed text should be saved first; false: the command
    // (New, Open, closing the program) does not go on.
    bool mayDiscard();

    // The chosen name, with the chosen filter entry's extension when the
    // user typed none.
    static QString withExtension(const QString& path, const QString& filter, int filterIndex);

private:
    void load(const QString& path, DocumentKind kind);
    void loadRtf(const QString& path);
    // Another program's document (Word, OpenDocument), by its format.
    void loadOther(const QString& path);
    // The opened document into the editor: its losses remembered, its notice told.
    void loaded(const docfiles::Opened& opened);
    void readPair();
    bool writePair();
    bool acceptLosses(const styled::Document& document);
    void showProgress(int percent);
    // Marks the document's file as open in this program, for other programs' question.
    void markOpen(const QString& file);

    DocumentContext m_c;
    std::unique_ptr<filelock::OpenMark> m_mark;
    QString m_markedFile;
};
