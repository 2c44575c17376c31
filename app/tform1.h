#pragma once

#include "autorecovery.h"
#include "documentcommands.h"
#include "errorbox.h"
#include "form1controls.h"
#include "optionsfile.h"
#include "preferencebinding.h"
#include "replacing.h"
#include "wordsearch.h"
#include "formatting.h"
#include "sharedstate.h"
#include "typingpipeline.h"
#include "viewoptions.h"

#include <QMainWindow>

#include <memory>

class AnchorLayout;
class CharMapWindow;
class CommandMenu;
class QAction;
class QLabel;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QToolButton;
class RichTextSurface;
class TForm2;
class Tinfo;
class Tersetzen;
class Tsuchen;

namespace surface {
struct TextChange;
}

// The seams the windows use for what a test cannot click.
struct Seams {
    Dialogs& dialogs;
    Shell& shell;
    Help& help;
};

// The main window: menu, toolbar, formatting buttons, ruler, editor and
// status bar. The menu and the buttons are tables that bind each control to
// the routine below the window it runs; the handlers here are those with
// work of their own.
class TForm1 : public QMainWindow, public Form1Controls {
    Q_OBJECT
public:
    static constexpr const char* kHelpFile = "sthilfe.hlp";
    static constexpr const char* kApplicationHelpFile = "C:\\Tonikor\\sthilfe.hlp";
    static constexpr int kClientWidth = 716;
    static constexpr int kClientHeight = 302;

    explicit TForm1(const Seams& seams, QWidget* parent = nullptr);
    ~TForm1() override;

    // The other windows, created after this one: the search dialog first
    // (its creation reads the options), then the about and preview windows.
    void attachSearch(Tsuchen* suchen);
    void attach(Tinfo* info, TForm2* form2);

    SharedState& state() { return m_state; }
    RichTextSurface& txt() { return *m_txt; }
    QComboBox* fbox() const { return m_fbox; }
    const HandlerGuard& guard() const { return m_guard; }
    DocumentCommands& files() const { return *m_files; }
    CommandMenu& menu() const { return *m_menu; }
    QAction* item(const QString& name) const;
    QWidget* client() const { return m_client; } // the client area, scrolled by the window
    QScrollArea* scroller() const { return m_scroller; }
    CharMapWindow* charMap() const { return m_charMap; }

    // Recovery copies in `folder` from now on; offers what a program that did
    // not end properly left there.
    void startRecovery(const QString& folder);
    // Asked from outside to end (SIGTERM, SIGHUP): the unsaved text goes into a recovery copy.
    void endFromOutside();
    AutoRecovery* recovery() const { return m_recovery.get(); }

    // The program's own settings file at `path`: read now, written at close
    // and whenever the recent documents change.
    void useSettings(const QString& path);
    // Files named from outside (at start, dropped): the first is opened
    // after the unsaved-text question, the others are named in a notice.
    void openFiles(const QStringList& paths);
    const RecentDocuments& recent() const { return m_prefs->recent(); }
    class RecentItems* recentItems() const { return m_recentItems; }
    Tersetzen* replaceDialog() const { return m_ersetzen; }

    // routines used by other parts
    void tit();
    void options();
    void OptRead();
    void OptSave();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int printWidth() const;
    void buildMenu();
    void connectHandlers();

    // The handlers with work of their own; the others are bound in the tables.
    void FormCreate();
    void FormShow();
    bool FormClose();
    void BitBtn5Click();
    void Bearbeiten1Click();
    void AlsBetaCodeeinfgen1Click();
    void Allesmarkieren1Click();
    void Sonderzeicheneinfgen1Click();
    void Hilfe1Click();
    void Info1Click();
    void Label4Click();
    void Suchen1Click();
    void Ersetzen1Click();
    void saveSettings();
    void openRecent(const QString& path);

    Seams m_seams;
    HandlerGuard m_guard;
    SharedState m_state;
    QScrollArea* m_scroller;
    QWidget* m_client;
    AnchorLayout* m_anchors = nullptr;
    RichTextSurface* m_txt;
    FontBox* m_fbox;
    TypingPipeline m_pipeline;
    CommandMenu* m_menu = nullptr;
    std::unique_ptr<Formatting> m_fmt;
    std::unique_ptr<ViewOptions> m_view;
    std::unique_ptr<DocumentCommands> m_files;
    std::unique_ptr<OptionsFile> m_optionsFile;
    std::unique_ptr<WordSearch> m_search;
    std::unique_ptr<Replacing> m_replace;
    std::unique_ptr<PreferenceBinding> m_prefs;
    class RecentItems* m_recentItems = nullptr;
    std::unique_ptr<AutoRecovery> m_recovery;
    class FieldComposer* m_searchField = nullptr;
    class FieldComposer* m_replaceFields[2] = {};
    CharMapWindow* m_charMap = nullptr;
    Tsuchen* m_suchen = nullptr;
    Tersetzen* m_ersetzen = nullptr;
    Tinfo* m_info = nullptr;
    TForm2* m_form2 = nullptr;
    bool m_shown = false;
};
