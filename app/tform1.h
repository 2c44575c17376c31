#pragma once

#include "autorecovery.h"
#include "documentcommands.h"
#include "errorbox.h"
#include "optionsfile.h"
#include "programsettings.h"
#include "recentdocuments.h"
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
// status bar. Each handler is a few lines that call the routines below it.
class TForm1 : public QMainWindow {
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
    const RecentDocuments& recent() const { return m_recent; }
    class RecentItems* recentItems() const { return m_recentItems; }
    Tersetzen* replaceDialog() const { return m_ersetzen; }

    // routines used by other parts
    void tit();
    void options();
    void OptRead();
    void OptSave();

    // controls, named as the form names them
    QWidget* ToolBar1;
    ChoiceBox* grbox;
    QPushButton *BitBtn10, *BitBtn11, *BitBtn12, *BitBtn5;
    QWidget* Panel1;
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4, *BitBtn6, *BitBtn7, *BitBtn8, *BitBtn9;
    QToolButton *sbl, *sbm, *sbr;
    QWidget* Panel2;
    QProgressBar* pb1;
    QLabel* lineal;
    QStatusBar* StatusBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    int printWidth() const;
    void buildMenu();
    void connectHandlers();

    void FormCreate();
    void FormShow();
    bool FormClose();
    void txtChange(const surface::TextChange& change);
    void txtKeyDown();
    void txtMouseDown();

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void BitBtn8Click();
    void BitBtn9Click();
    void sblClick();
    void sbmClick();
    void sbrClick();
    void fboxChange();
    void fboxDropDown();
    void grboxChange();
    void fzuClick();
    void Tabs1Click();
    void Lineal1Click();
    void fgClick();

    void Neu1Click();
    void ffnen1Click();
    void Speichern1Click();
    void Speichernunter1Click();
    void Exportieren1Click();
    void Drucken1Click();
    void BitBtn5Click();
    void DruckenohneVorschau1Click();
    void Suchewiederholen1Click();

    void Beenden1Click();
    void Beenden2Click();
    void Rckgngig1Click();
    void Kopieren1Click();
    void Einfgen1Click();
    void Ausschneiden1Click();
    void Lschen1Click();
    void Bearbeiten1Click();
    void Allesmarkieren1Click();
    void Sonderzeicheneinfgen1Click();
    void Hilfe1Click();
    void Info1Click();
    void Suchen1Click();
    void Ersetzen1Click();
    void Label4Click();
    void Wiederholen1Click();
    void saveSettings();
    Preferences preferences() const;
    void remember(const QString& path);
    void recentChanged(); // shown and written
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
    std::unique_ptr<ProgramSettings> m_settings;
    RecentDocuments m_recent;
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
