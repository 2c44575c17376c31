#include "tform1.h"

#include "anchorlayout.h"
#include "charmapwindow.h"
#include "codepage.h"
#include "commandmenu.h"
#include "editcontextmenu.h"
#include "filedrops.h"
#include "pages.h"
#include "fieldcomposer.h"
#include "ioerror.h"
#include "placement.h"
#include "recentitems.h"
#include "richtextsurface.h"
#include "tinfo.h"
#include "title.h"
#include "tform2.h"
#include "tersetzen.h"
#include "tsuchen.h"

#include <QCheckBox>
#include <QComboBox>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>

namespace {

QFont sized(const char* family, int pixels)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    return f;
}

constexpr QKeyCombination kNone = CommandMenu::kNoKey;
QKeyCombination ctrl(Qt::Key k) { return QKeyCombination(Qt::ControlModifier, k); }

} // namespace

TForm1::TForm1(const Seams& seams, QWidget* parent)
    : QMainWindow(parent)
    , m_seams(seams)
    , m_guard(seams.dialogs, this)
    , m_scroller(new QScrollArea(this))
    , m_client(new QWidget)
    , m_txt(new RichTextSurface(m_client))
    , m_fbox(new FontBox)
    , m_pipeline(*m_txt, m_state, [this] { return m_fbox->currentText(); })
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Stilora"));
    setProperty("helpFile", QString::fromLatin1(kHelpFile));
    setFont(sized("MS Sans Serif", 11));
    setWindowIcon(QIcon(QStringLiteral(":/icons/stilora.svg")));
    // Files dropped anywhere on the window open as files dropped on the editor do.
    setAcceptDrops(true);
    m_txt->fileDrops()->watch(this);

    // The client area scrolls horizontally only under the fixed width; the
    // window's vertical scroll bar is never switched on.
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(true);
    m_scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroller->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_client->resize(kClientWidth, kClientHeight);
    m_anchors = new AnchorLayout(m_client); // anchored changes count from the form's client size
    buildForm1Controls(*this, m_client, *m_anchors, m_fbox, m_txt->widget()); // at the form's client size, before the scroll area sizes the client
    m_scroller->setWidget(m_client);
    setCentralWidget(m_scroller);

    buildMenu();
    connectHandlers();
    m_fmt = std::make_unique<Formatting>(FormattingControls{m_txt, &m_state, m_fbox, grbox, sbl, sbm, sbr});
    m_view = std::make_unique<ViewOptions>(ViewOptionControls{item(QStringLiteral("fzu")), item(QStringLiteral("Tabs1")),
                                                              item(QStringLiteral("Lineal1")), item(QStringLiteral("fg")),
                                                              m_txt, lineal, m_scroller, m_anchors});
    m_files = std::make_unique<DocumentCommands>(DocumentContext{
        m_txt, &m_state, &m_seams.dialogs, this, Panel2, pb1, [this] { tit(); },
        [this](const styled::Document& d, const QString& file, const QString& title) {
            report::writePdf(d, printWidth(), file, title);
        },
        [this](const QString& path) { m_prefs->remember(path); }});
    m_charMap = new CharMapWindow(this);
    connect(m_charMap, &CharMapWindow::codeChosen, this, [this](int code) {
        m_guard.run([&] { m_txt->insertText(QString(codepage::toChar(uchar(code)))); });
        // The click gave the map the keyboard: typing goes on in the text,
        // the map stays open beside it.
        activateWindow();
        m_txt->setFocus();
    });

    move(58, 69);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    m_guard.run([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    // The controls go first, while the handlers they may still signal exist.
    delete takeCentralWidget();
    delete m_charMap;
}

void TForm1::buildMenu()
{
    m_menu = new CommandMenu(menuBar(), m_guard);
    CommandMenu& m = *m_menu;
    QMenu* datei = m.addMenu(QStringLiteral("Datei"));
    QMenu* bearbeiten = m.addMenu(QStringLiteral("&Bearbeiten"), [this] { Bearbeiten1Click(); });
    QMenu* optionen = m.addMenu(QStringLiteral("&Optionen"));
    // Choosing one of the view options has inverted its mark already; all four apply.
    const auto view = [this] { options(); };
    enum Mark { None, Unchecked, Checked };
    struct Item {
        QMenu* menu; // null: an item of the menu bar itself
        const char* name; // null: a separator
        const char* caption;
        QKeyCombination key;
        std::function<void()> run;
        Mark mark = None;
    };
    const Item table[] = {
        {datei, "Neu1", "&Neu", kNone, [this] { m_files->newDocument(); }},
        {datei, "ffnen1", "&Öffnen", ctrl(Qt::Key_O), [this] { m_files->open(); }},
        {datei, nullptr, nullptr, kNone, {}},
        {datei, "Speichern1", "&Speichern", ctrl(Qt::Key_S), [this] { m_files->save(); }},
        {datei, "Speichernunter1", "Speichern &unter", ctrl(Qt::Key_U), [this] { m_files->saveAs(); }},
        // Export with the Greek as real Unicode; the document keeps its name and format.
        {datei, "Exportieren1", "E&xportieren...", kNone, [this] { m_files->exportDocument(); }},
        {datei, nullptr, nullptr, kNone, {}},
        {datei, "Drucken1", "&Drucken", ctrl(Qt::Key_P), [this] { BitBtn5Click(); }},
        {datei, "DruckenohneVorschau1", "Druck&vorschau (Vollbild)", kNone, [this] { m_form2->fullScreenPreview(printWidth()); }},
        {datei, nullptr, nullptr, kNone, {}},
        {datei, "Beenden2", "B&eenden", ctrl(Qt::Key_Delete), [this] { close(); }},
        {bearbeiten, "Rckgngig1", "&Rückgängig", ctrl(Qt::Key_R), [this] { m_txt->undo(); }},
        {bearbeiten, "Wiederholen1", "W&iederholen", ctrl(Qt::Key_Y), [this] { m_txt->redo(); }},
        {bearbeiten, nullptr, nullptr, kNone, {}},
        {bearbeiten, "Kopieren1", "&Kopieren", ctrl(Qt::Key_C), [this] { m_txt->copy(); }},
        {bearbeiten, "Einfgen1", "&Einfügen", ctrl(Qt::Key_V), [this] { m_txt->paste(); }},
        {bearbeiten, "Ausschneiden1", "&Ausschneiden", ctrl(Qt::Key_X), [this] { m_txt->cut(); }},
        // Beta Code, as the Greek corpora write it, from and to the clipboard.
        {bearbeiten, "AlsBetaCodeeinfgen1", "Als &Beta Code einfügen", QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_V),
         [this] { AlsBetaCodeeinfgen1Click(); }},
        {bearbeiten, "AlsBetaCodekopieren1", "Als Beta &Code kopieren", kNone, [this] { m_txt->copyAsBetaCode(); }},
        {bearbeiten, "Lschen1", "&Löschen", QKeyCombination(Qt::Key_Delete), [this] { m_txt->deleteSelection(); }},
        {bearbeiten, nullptr, nullptr, kNone, {}},
        {bearbeiten, "Suchen1", "S&uchen", ctrl(Qt::Key_F), [this] { Suchen1Click(); }},
        {bearbeiten, "Suchewiederholen1", "&Weitersuchen", QKeyCombination(Qt::Key_F3), [this] { m_search->Button2Click(); }},
        {bearbeiten, "Ersetzen1", "Erse&tzen...", ctrl(Qt::Key_H), [this] { Ersetzen1Click(); }},
        {bearbeiten, "Allesmarkieren1", "&Alles markieren", ctrl(Qt::Key_A), [this] { Allesmarkieren1Click(); }},
        {bearbeiten, "Sonderzeicheneinfgen1", "&Sonderzeichen einfügen", ctrl(Qt::Key_E), [this] { Sonderzeicheneinfgen1Click(); }},
        {optionen, "fzu", "&Automatischer Zeilenumbruch", kNone, view, Checked},
        {optionen, "Tabs1", "&Tabs", kNone, view, Checked},
        {optionen, "Lineal1", "&Lineal", kNone, view, Checked},
        {optionen, "fg", "Feste &Größe (A4 Hochkant)", kNone, view, Unchecked},
        {nullptr, "Hilfe1", "&Hilfe", QKeyCombination(Qt::Key_F1), [this] { Hilfe1Click(); }},
        {nullptr, "Info1", "&Info", kNone, [this] { Info1Click(); }},
        {nullptr, "Beenden1", "B&eenden", ctrl(Qt::Key_E), [this] { close(); }},
    };
    for (const Item& i : table) {
        if (!i.name) {
            m.addSeparator(i.menu);
            continue;
        }
        QAction* a = m.addItem(i.menu, QString::fromLatin1(i.name), QString::fromUtf8(i.caption), i.key, i.run);
        if (i.mark != None) {
            a->setCheckable(true); // choosing the item inverts its mark
            a->setChecked(i.mark == Checked);
        }
    }
    // The recent documents stand above "Beenden".
    m_recentItems = new RecentItems(datei, item(QStringLiteral("Beenden2")), [this](const QString& path) { m_guard.run([&] { openRecent(path); }); });
    m_prefs = std::make_unique<PreferenceBinding>(PreferenceBinding::Targets{nullptr, nullptr, m_recentItems, m_txt});
}

void TForm1::connectHandlers()
{
    const HandlerGuard& g = m_guard;
    connect(m_txt, &RichTextSurface::changed, this, [this](const surface::TextChange& c) { m_guard.run([&] { m_pipeline.txtChange(c); }); });
    // A key or a click moves the caret: the formatting controls show what stands there.
    connect(m_txt, &RichTextSurface::keyDown, this, g([this] { m_fmt->sync(); }));
    connect(m_txt, &RichTextSurface::mouseDown, this, g([this] { m_fmt->sync(); }));
    // A drop's question about unsaved text comes after the drop has ended.
    connect(m_txt, &RichTextSurface::filesDropped, this, &TForm1::openFiles, Qt::QueuedConnection);
    connect(m_txt, &RichTextSurface::contextMenuRequested, this,
            [this](const QPoint& at) { EditContextMenu(*m_menu, [this] { Bearbeiten1Click(); }).exec(this, at); });

    struct Button {
        QAbstractButton* button;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {BitBtn10, [this] { m_files->newDocument(); }},
        {BitBtn11, [this] { m_files->open(); }},
        {BitBtn12, [this] { m_files->save(); }},
        {BitBtn5, [this] { BitBtn5Click(); }},
        {BitBtn1, [this] { m_fmt->fontButton(QStringLiteral("Greek")); }},
        {BitBtn2, [this] { m_fmt->fontButton(QStringLiteral("Arial")); }},
        {BitBtn3, [this] { m_fmt->sizeSmaller(); }},
        {BitBtn4, [this] { m_fmt->sizeLarger(); }},
        {BitBtn6, [this] { m_fmt->toggleStyle(surface::Bold); }},
        {BitBtn7, [this] { m_fmt->toggleStyle(surface::Italic); }},
        {BitBtn8, [this] { m_fmt->toggleStyle(surface::Underline); }},
        {BitBtn9, [this] { m_fmt->toggleStyle(surface::StrikeOut); }},
        {sbl, [this] { m_fmt->alignmentButton(sbl, surface::AlignLeft); }},
        {sbm, [this] { m_fmt->alignmentButton(sbm, surface::AlignCentre); }},
        {sbr, [this] { m_fmt->alignmentButton(sbr, surface::AlignRight); }},
    };
    for (const Button& b : buttons)
        connect(b.button, &QAbstractButton::clicked, this, g(b.run));

    // The boxes' change handlers run for the user's edits only.
    connect(m_fbox->lineEdit(), &QLineEdit::textEdited, this, g([this] { m_fmt->fboxChange(); }));
    connect(m_fbox, &ChoiceBox::chosen, this, g([this] { m_fmt->fboxChange(); }));
    connect(m_fbox, &FontBox::dropDown, this, g([this] { m_fmt->fboxDropDown(); }));
    connect(grbox->lineEdit(), &QLineEdit::textEdited, this, g([this] { m_fmt->grboxChange(true); }));
    connect(grbox, &ChoiceBox::chosen, this, g([this] { m_fmt->grboxChange(); }));
    connect(grbox->lineEdit(), &QLineEdit::returnPressed, this, g([this] { m_txt->setFocus(); }));
}

void TForm1::attachSearch(Tsuchen* suchen)
{
    m_suchen = suchen;
    m_optionsFile = std::make_unique<OptionsFile>(OptionControls{item(QStringLiteral("fzu")), item(QStringLiteral("Tabs1")),
                                                                 item(QStringLiteral("Lineal1")), item(QStringLiteral("fg")),
                                                                 suchen->CheckBox1, suchen->CheckBox2, suchen->CheckBox3, &m_state});
    m_search = std::make_unique<WordSearch>(SearchContext{m_txt, &m_state, &m_seams.dialogs, suchen});
    connect(suchen->Button1, &QPushButton::clicked, this, m_guard([this] { m_search->Button1Click(); }));
    connect(suchen->Button2, &QPushButton::clicked, this, m_guard([this] { m_search->Button2Click(); }));
    // A Greek word is typed into the search field as into the editor.
    const auto greek = [this] { return m_fbox->currentText() == QLatin1String("Greek"); };
    m_searchField = new FieldComposer(suchen->stxt, greek);

    // "Ersetzen" shows the search dialog's text and boxes, and its own replacement.
    m_ersetzen = new Tersetzen(suchen, this);
    m_replace = std::make_unique<Replacing>(ReplaceContext{m_txt, &m_seams.dialogs, m_ersetzen});
    connect(m_ersetzen->Button1, &QPushButton::clicked, this, m_guard([this] { m_replace->findNext(); }));
    connect(m_ersetzen->Button2, &QPushButton::clicked, this, m_guard([this] { m_replace->replaceOne(); }));
    connect(m_ersetzen->Button3, &QPushButton::clicked, this, m_guard([this] { m_replace->replaceAll(); }));
    m_prefs->bindSearch(suchen->CheckBox4, m_ersetzen);
    m_replaceFields[0] = new FieldComposer(m_ersetzen->stxt, greek);
    m_replaceFields[1] = new FieldComposer(m_ersetzen->etxt->lineEdit(), greek);
}

void TForm1::useSettings(const QString& path) { m_prefs->use(path); }

void TForm1::saveSettings()
{
    try {
        m_prefs->save();
    } catch (const IoError& e) {
        m_seams.dialogs.errorBox(this, standardErrorText(e.messageWithPath()));
    }
}

void TForm1::openRecent(const QString& path)
{
    if (!m_files->openRecent(path))
        m_prefs->forget(path); // gone: off the list, which is written at once
}

void TForm1::openFiles(const QStringList& paths)
{
    m_guard.run([&] { m_files->openNamed(paths); });
}

void TForm1::attach(Tinfo* info, TForm2* form2)
{
    m_info = info;
    m_form2 = form2;
    connect(info->BitBtn1, &QPushButton::clicked, this, m_guard([info] { info->BitBtn1Click(); }));
    connect(info, &Tinfo::linkClicked, this, m_guard([this] { Label4Click(); }));
}

QAction* TForm1::item(const QString& name) const { return m_menu->item(name); }

// --- start and end ------------------------------------------------------------

void TForm1::FormCreate()
{
    m_state.Kind = DocumentKind(); // LegacyFormat false: a new document is RTF
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_guard.run([this] { FormShow(); });
    }
}

void TForm1::FormShow()
{
    m_state.OptionsPath = QDir::current().filePath(QStringLiteral("option.dat"));
    m_state.ComposeArmed = true;
    m_txt->load(styled::Document());
    m_fbox->clear();
    m_fbox->addItems(QFontDatabase::families());
    m_fbox->showText(QStringLiteral("Greek"));
    grbox->showText(QStringLiteral("14"));
    Panel2->raise();
    m_state.LoadingDocument = false;
    m_txt->setFocus();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool close = false;
    m_guard.run([&] { close = FormClose(); });
    if (!close) {
        event->ignore(); // cancelled, or the text could not be saved: the window stays
        return;
    }
    QMainWindow::closeEvent(event); // the only top-level window: the program ends with it
}

bool TForm1::FormClose()
{
    // Changed text is never thrown away without a word.
    if (!m_files->mayDiscard())
        return false;
    // The text is saved or given up: its recovery copy goes.
    if (m_recovery)
        m_recovery->closing();
    // When the options cannot be written the error box says so, and the
    // program ends all the same: otherwise it could not be ended at all.
    m_guard.run([this] { OptSave(); });
    saveSettings();
    return true;
}

void TForm1::startRecovery(const QString& folder)
{
    m_recovery = std::make_unique<AutoRecovery>(
        AutoRecovery::Context{m_txt, &m_state, &m_seams.dialogs, this, [this] { tit(); },
                              [this](const QString& text) {
                                  if (text.isEmpty())
                                      StatusBar1->clearMessage();
                                  else
                                      StatusBar1->showMessage(text);
                              }},
        folder);
    m_guard.run([this] { m_recovery->start(); });
    // A logout may end the program without a close: what was typed goes to the copy first.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_recovery->flush(); });
}

void TForm1::endFromOutside()
{
    if (m_recovery)
        m_recovery->flush(); // the writer's work under way is finished, the rest taken now
}

void TForm1::OptRead() { m_optionsFile->OptRead(); }

void TForm1::OptSave() { m_optionsFile->OptSave(); }

// --- routines ----------------------------------------------------------------

void TForm1::tit() { setWindowTitle(documents::retitle(m_state)); }

void TForm1::options()
{
    m_view->options();
}

// --- printing -----------------------------------------------------------------

// The printed column is as wide as the editor, at most the 706 pixels of the fixed width.
int TForm1::printWidth() const { return std::min(m_txt->widget()->width(), ViewOptions::kFixedWidth); }

void TForm1::BitBtn5Click() { m_form2->prepare(printWidth(), QStringLiteral("Stilora - ") + m_state.BasePath); }

// --- edit menu ----------------------------------------------------------------

void TForm1::Bearbeiten1Click()
{
    item(QStringLiteral("Rckgngig1"))->setEnabled(m_txt->canUndo());
    item(QStringLiteral("Wiederholen1"))->setEnabled(m_txt->canRedo());
    item(QStringLiteral("Kopieren1"))->setEnabled(m_txt->selLength() > 0);
    item(QStringLiteral("AlsBetaCodekopieren1"))->setEnabled(m_txt->selLength() > 0);
}

void TForm1::AlsBetaCodeeinfgen1Click()
{
    // What the Beta Code had that the font cannot show is told, as after an open.
    const ImportNotes notes = m_txt->pasteBetaCode();
    if (notes.any())
        m_seams.dialogs.notice(this, notes.summary() + QLatin1Char('.'));
}

void TForm1::Allesmarkieren1Click()
{
    m_txt->setSelStart(0);
    m_txt->setSelLength(m_txt->textLength());
}

void TForm1::Sonderzeicheneinfgen1Click()
{
#ifdef Q_OS_WIN
    m_seams.shell.open(QStringLiteral("charmap.exe"));
#else
    // No system character map to start here: the program's own takes its place.
    m_charMap->setFontName(m_txt->fontName());
    if (!m_charMap->isVisible())
        placeBeside(m_charMap, this);
    m_charMap->show();
    m_charMap->raise();
#endif
}

// --- help and about -------------------------------------------------------------

void TForm1::Hilfe1Click()
{
    // The help file is the one the active window names; a window naming none
    // falls back to the application's, and its help belongs to the main window.
    QWidget* active = QApplication::activeWindow();
    const QString named = active ? active->property("helpFile").toString() : QString();
    if (!named.isEmpty())
        m_seams.help.showContents(named, active);
    else
        m_seams.help.showContents(QString::fromLatin1(kApplicationHelpFile), this);
}

void TForm1::Info1Click()
{
    m_info->show();
    m_info->raise();
    m_info->activateWindow();
}

void TForm1::Label4Click()
{
    m_seams.shell.open(QString::fromLatin1(Tinfo::kWebAddress));
}

void TForm1::Ersetzen1Click()
{
    for (FieldComposer* f : m_replaceFields)
        f->refresh();
    m_ersetzen->show();
    m_ersetzen->raise();
    m_ersetzen->activateWindow();
    m_ersetzen->stxt->setFocus();
}

void TForm1::Suchen1Click()
{
    m_searchField->refresh(); // Greek in the field while the editor writes Greek
    m_suchen->show();
    m_suchen->raise();
    m_suchen->activateWindow();
    options();
}
