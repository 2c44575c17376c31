#include "tform1.h"

#include "anchorlayout.h"
#include "charmapwindow.h"
#include "codepage.h"
#include "commandmenu.h"
#include "editcontextmenu.h"
#include "mimeimport.h"
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
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTimer>
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

// The buttons show pictures only: a screen reader says their names.
QPushButton* pictureButton(QWidget* parent, const char* icon, const char* name, int left, int top)
{
    auto* b = new QPushButton(parent);
    b->setAccessibleName(QString::fromUtf8(name));
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    b->setIconSize(QSize(18, 18));
    b->setGeometry(left, top, 25, 25);
    return b;
}

QToolButton* speedButton(QWidget* parent, const char* icon, const char* name, int left)
{
    auto* b = new QToolButton(parent);
    b->setAccessibleName(QString::fromUtf8(name));
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    b->setIconSize(QSize(18, 18));
    b->setGeometry(left, 4, 25, 25);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
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
    setAcceptDrops(true); // files dropped on the window are opened

    // The client area scrolls horizontally only under the fixed width; the
    // window's vertical scroll bar is never switched on.
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(true);
    m_scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroller->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_client->resize(kClientWidth, kClientHeight);
    m_anchors = new AnchorLayout(m_client); // anchored changes count from the form's client size
    buildControls(); // at the form's client size, before the scroll area sizes the client
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
        [this](const QString& path) { remember(path); }});
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

void TForm1::buildControls()
{
    using A = AnchorLayout;
    ToolBar1 = new QFrame(m_client);
    static_cast<QFrame*>(ToolBar1)->setFrameShape(QFrame::StyledPanel);
    ToolBar1->setGeometry(0, 0, 716, 29);
    m_anchors->setAnchors(ToolBar1, A::Left | A::Top | A::Right);
    m_fbox->setParent(ToolBar1);
    m_fbox->setObjectName(QStringLiteral("fbox"));
    m_fbox->setEditable(true);
    m_fbox->setInsertPolicy(QComboBox::NoInsert);
    m_fbox->setGeometry(0, 2, 153, 24);
    m_fbox->setAccessibleName(QStringLiteral("Schriftart"));
    m_fbox->setFont(sized("Arial", 13));
    grbox = new ChoiceBox(ToolBar1);
    grbox->setObjectName(QStringLiteral("grbox"));
    grbox->setEditable(true);
    grbox->setInsertPolicy(QComboBox::NoInsert);
    grbox->setGeometry(153, 2, 57, 24);
    grbox->setAccessibleName(QStringLiteral("Schriftgröße"));
    grbox->setFont(sized("Arial", 13));
    grbox->addItems({"4", "6", "8", "10", "11", "12", "14", "16", "18", "22", "28", "34", "46", "68", "100", "200"});
    grbox->setEditText(QString());

    BitBtn10 = pictureButton(m_client, "new", "Neu", 216, 4);
    BitBtn11 = pictureButton(m_client, "open", "Öffnen", 242, 4);
    BitBtn12 = pictureButton(m_client, "save", "Speichern", 268, 4);
    BitBtn5 = pictureButton(m_client, "print", "Drucken", 304, 4);

    Panel1 = new QWidget(m_client);
    Panel1->setGeometry(0, 32, 329, 33);
    BitBtn1 = pictureButton(Panel1, "alpha", "Schrift Greek", 8, 4);
    BitBtn2 = pictureButton(Panel1, "latin", "Schrift Arial", 34, 4);
    BitBtn3 = pictureButton(Panel1, "smaller", "Schrift kleiner", 72, 4);
    BitBtn4 = pictureButton(Panel1, "larger", "Schrift größer", 98, 4);
    BitBtn6 = pictureButton(Panel1, "bold", "Fett", 134, 4);
    BitBtn7 = pictureButton(Panel1, "italic", "Kursiv", 160, 4);
    BitBtn8 = pictureButton(Panel1, "underline", "Unterstrichen", 186, 4);
    BitBtn9 = pictureButton(Panel1, "strikeout", "Durchgestrichen", 212, 4);
    sbl = speedButton(Panel1, "alignleft", "Linksbündig", 256);
    sbm = speedButton(Panel1, "aligncentre", "Zentriert", 280);
    sbr = speedButton(Panel1, "alignright", "Rechtsbündig", 304);
    QWidget* order[] = {BitBtn1, BitBtn2, BitBtn3, BitBtn4, BitBtn6, BitBtn7, BitBtn8, BitBtn9};
    for (int i = 0; i + 1 < 8; ++i)
        setTabOrder(order[i], order[i + 1]);

    Panel2 = new QWidget(m_client);
    Panel2->setGeometry(0, 32, 329, 33);
    pb1 = new QProgressBar(Panel2);
    pb1->setGeometry(8, 8, 313, 17);
    pb1->setRange(0, 100);
    pb1->setTextVisible(false);
    pb1->setAccessibleName(QStringLiteral("Fortschritt"));
    Panel2->hide();

    lineal = new QLabel(m_client);
    lineal->setGeometry(3, 64, 697, 25);
    lineal->setPixmap(QIcon(QStringLiteral(":/icons/ruler.svg")).pixmap(QSize(697, 21)));
    lineal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lineal->setAccessibleName(QStringLiteral("Lineal"));

    QWidget* editor = m_txt->widget();
    editor->setObjectName(QStringLiteral("txt"));
    editor->setAccessibleName(QStringLiteral("Text"));
    editor->setGeometry(3, 88, 706, 195);
    m_anchors->setAnchors(editor, A::Left | A::Top); // as in the form, until options() first runs

    StatusBar1 = new QStatusBar(m_client);
    StatusBar1->setGeometry(0, 283, 716, 19);
    m_anchors->setAnchors(StatusBar1, A::Left | A::Right | A::Bottom);

    for (QWidget* w : {static_cast<QWidget*>(BitBtn10), static_cast<QWidget*>(BitBtn11), static_cast<QWidget*>(BitBtn12),
                       static_cast<QWidget*>(BitBtn5)})
        w->raise(); // they lie over the right part of the tool bar
}

void TForm1::buildMenu()
{
    m_menu = new CommandMenu(menuBar(), m_guard);
    CommandMenu& m = *m_menu;

    QMenu* datei = m.addMenu(QStringLiteral("Datei"));
    m.addItem(datei, QStringLiteral("Neu1"), QStringLiteral("&Neu"), kNone, [this] { Neu1Click(); });
    m.addItem(datei, QStringLiteral("ffnen1"), QStringLiteral("&Öffnen"), ctrl(Qt::Key_O), [this] { ffnen1Click(); });
    m.addSeparator(datei);
    m.addItem(datei, QStringLiteral("Speichern1"), QStringLiteral("&Speichern"), ctrl(Qt::Key_S), [this] { Speichern1Click(); });
    m.addItem(datei, QStringLiteral("Speichernunter1"), QStringLiteral("Speichern &unter"), ctrl(Qt::Key_U),
              [this] { Speichernunter1Click(); });
    m.addItem(datei, QStringLiteral("Exportieren1"), QStringLiteral("E&xportieren..."), kNone, [this] { Exportieren1Click(); });
    m.addSeparator(datei);
    m.addItem(datei, QStringLiteral("Drucken1"), QStringLiteral("&Drucken"), ctrl(Qt::Key_P), [this] { Drucken1Click(); });
    m.addItem(datei, QStringLiteral("DruckenohneVorschau1"), QStringLiteral("Druck&vorschau (Vollbild)"), kNone,
              [this] { DruckenohneVorschau1Click(); });
    m.addSeparator(datei);
    QAction* beenden =
        m.addItem(datei, QStringLiteral("Beenden2"), QStringLiteral("B&eenden"), ctrl(Qt::Key_Delete), [this] { Beenden2Click(); });
    m_recentItems = new RecentItems(datei, beenden, [this](const QString& path) { m_guard.run([&] { openRecent(path); }); });

    QMenu* bearbeiten = m.addMenu(QStringLiteral("&Bearbeiten"), [this] { Bearbeiten1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Rckgngig1"), QStringLiteral("&Rückgängig"), ctrl(Qt::Key_R), [this] { Rckgngig1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Wiederholen1"), QStringLiteral("W&iederholen"), ctrl(Qt::Key_Y),
              [this] { Wiederholen1Click(); });
    m.addSeparator(bearbeiten);
    m.addItem(bearbeiten, QStringLiteral("Kopieren1"), QStringLiteral("&Kopieren"), ctrl(Qt::Key_C), [this] { Kopieren1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Einfgen1"), QStringLiteral("&Einfügen"), ctrl(Qt::Key_V), [this] { Einfgen1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Ausschneiden1"), QStringLiteral("&Ausschneiden"), ctrl(Qt::Key_X), [this] { Ausschneiden1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Lschen1"), QStringLiteral("&Löschen"), QKeyCombination(Qt::Key_Delete),
              [this] { Lschen1Click(); });
    m.addSeparator(bearbeiten);
    m.addItem(bearbeiten, QStringLiteral("Suchen1"), QStringLiteral("S&uchen"), ctrl(Qt::Key_F), [this] { Suchen1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Suchewiederholen1"), QStringLiteral("&Weitersuchen"), QKeyCombination(Qt::Key_F3),
              [this] { Suchewiederholen1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Ersetzen1"), QStringLiteral("Erse&tzen..."), ctrl(Qt::Key_H), [this] { Ersetzen1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Allesmarkieren1"), QStringLiteral("&Alles markieren"), ctrl(Qt::Key_A),
              [this] { Allesmarkieren1Click(); });
    m.addItem(bearbeiten, QStringLiteral("Sonderzeicheneinfgen1"), QStringLiteral("&Sonderzeichen einfügen"), ctrl(Qt::Key_E),
              [this] { Sonderzeicheneinfgen1Click(); });

    QMenu* optionen = m.addMenu(QStringLiteral("&Optionen"));
    struct Mark {
        const char* name;
        const char* caption;
        bool checked;
        void (TForm1::*click)();
    };
    for (const Mark& k : {Mark{"fzu", "&Automatischer Zeilenumbruch", true, &TForm1::fzuClick},
                          Mark{"Tabs1", "&Tabs", true, &TForm1::Tabs1Click},
                          Mark{"Lineal1", "&Lineal", true, &TForm1::Lineal1Click},
                          Mark{"fg", "Feste &Größe (A4 Hochkant)", false, &TForm1::fgClick}}) {
        const auto click = k.click;
        QAction* a = m.addItem(optionen, QString::fromLatin1(k.name), QString::fromUtf8(k.caption), kNone,
                               [this, click] { (this->*click)(); });
        a->setCheckable(true); // choosing the item inverts its mark
        a->setChecked(k.checked);
    }

    m.addItem(nullptr, QStringLiteral("Hilfe1"), QStringLiteral("&Hilfe"), QKeyCombination(Qt::Key_F1), [this] { Hilfe1Click(); });
    m.addItem(nullptr, QStringLiteral("Info1"), QStringLiteral("&Info"), kNone, [this] { Info1Click(); });
    m.addItem(nullptr, QStringLiteral("Beenden1"), QStringLiteral("B&eenden"), ctrl(Qt::Key_E), [this] { Beenden1Click(); });
}

void TForm1::connectHandlers()
{
    const HandlerGuard& g = m_guard;
    connect(m_txt, &RichTextSurface::changed, this, [this](const surface::TextChange& c) { m_guard.run([&] { txtChange(c); }); });
    connect(m_txt, &RichTextSurface::keyDown, this, g([this] { txtKeyDown(); }));
    connect(m_txt, &RichTextSurface::mouseDown, this, g([this] { txtMouseDown(); }));
    // A drop's question about unsaved text comes after the drop has ended.
    connect(m_txt, &RichTextSurface::filesDropped, this, &TForm1::openFiles, Qt::QueuedConnection);
    connect(m_txt, &RichTextSurface::contextMenuRequested, this,
            [this](const QPoint& at) { EditContextMenu(*m_menu, [this] { Bearbeiten1Click(); }).exec(this, at); });

    connect(BitBtn10, &QPushButton::clicked, this, g([this] { Neu1Click(); }));
    connect(BitBtn11, &QPushButton::clicked, this, g([this] { ffnen1Click(); }));
    connect(BitBtn12, &QPushButton::clicked, this, g([this] { Speichern1Click(); }));
    connect(BitBtn5, &QPushButton::clicked, this, g([this] { BitBtn5Click(); }));

    connect(BitBtn1, &QPushButton::clicked, this, g([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, g([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, g([this] { BitBtn3Click(); }));
    connect(BitBtn4, &QPushButton::clicked, this, g([this] { BitBtn4Click(); }));
    connect(BitBtn6, &QPushButton::clicked, this, g([this] { BitBtn6Click(); }));
    connect(BitBtn7, &QPushButton::clicked, this, g([this] { BitBtn7Click(); }));
    connect(BitBtn8, &QPushButton::clicked, this, g([this] { BitBtn8Click(); }));
    connect(BitBtn9, &QPushButton::clicked, this, g([this] { BitBtn9Click(); }));
    connect(sbl, &QToolButton::clicked, this, g([this] { sblClick(); }));
    connect(sbm, &QToolButton::clicked, this, g([this] { sbmClick(); }));
    connect(sbr, &QToolButton::clicked, this, g([this] { sbrClick(); }));

    // The boxes' change handlers run for the user's edits only.
    connect(m_fbox->lineEdit(), &QLineEdit::textEdited, this, g([this] { fboxChange(); }));
    connect(m_fbox, &ChoiceBox::chosen, this, g([this] { fboxChange(); }));
    connect(m_fbox, &FontBox::dropDown, this, g([this] { fboxDropDown(); }));
    connect(grbox->lineEdit(), &QLineEdit::textEdited, this, g([this] { m_fmt->grboxChange(true); }));
    connect(grbox, &ChoiceBox::chosen, this, g([this] { grboxChange(); }));
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
    m_replaceFields[0] = new FieldComposer(m_ersetzen->stxt, greek);
    m_replaceFields[1] = new FieldComposer(m_ersetzen->etxt->lineEdit(), greek);
}

void TForm1::useSettings(const QString& path)
{
    m_settings = std::make_unique<ProgramSettings>(path);
    const Preferences p = m_settings->read();
    m_suchen->CheckBox4->setChecked(p.ignoreMarks);
    m_ersetzen->setHistory(p.replaceHistory);
    m_recent = RecentDocuments(p.recentDocuments);
    m_recentItems->show(m_recent.paths());
    m_txt->setZoom(p.zoom);
}

Preferences TForm1::preferences() const
{
    return {m_suchen->CheckBox4->isChecked(), m_ersetzen->history(), m_recent.paths(), m_txt->zoom()};
}

void TForm1::saveSettings()
{
    if (!m_settings)
        return;
    try {
        m_settings->write(preferences());
    } catch (const IoError& e) {
        m_seams.dialogs.errorBox(this, standardErrorText(e.messageWithPath()));
    }
}

// A document opened or saved heads the recent documents; the list is
// written at once, so that a program that does not end properly keeps it.
// Failing here says nothing: the close tells, and writes again.
void TForm1::remember(const QString& path)
{
    m_recent.add(path);
    recentChanged();
}

void TForm1::recentChanged()
{
    m_recentItems->show(m_recent.paths());
    if (!m_settings)
        return;
    try {
        m_settings->write(preferences());
    } catch (const IoError&) {
    }
}

void TForm1::openRecent(const QString& path)
{
    if (m_files->openRecent(path))
        return;
    m_recent.remove(path); // gone: off the list, which is written at once
    recentChanged();
}

void TForm1::openFiles(const QStringList& paths)
{
    m_guard.run([&] { m_files->openNamed(paths); });
}

// Files dropped anywhere on the window open as files dropped on the editor do.
void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!mimeimport::localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    if (!mimeimport::localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QStringList files = mimeimport::localFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, files] { openFiles(files); });
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

// --- typing -------------------------------------------------------------------

void TForm1::txtChange(const surface::TextChange& change)
{
    m_pipeline.txtChange(change);
}

// --- routines ----------------------------------------------------------------

void TForm1::tit() { setWindowTitle(documents::retitle(m_state)); }

void TForm1::options()
{
    m_view->options();
}

// --- handlers of the formatting controls and the view options ------------------

void TForm1::BitBtn1Click() { m_fmt->fontButton(QStringLiteral("Greek")); }
void TForm1::BitBtn2Click() { m_fmt->fontButton(QStringLiteral("Arial")); }
void TForm1::BitBtn3Click() { m_fmt->sizeSmaller(); }
void TForm1::BitBtn4Click() { m_fmt->sizeLarger(); }
void TForm1::BitBtn6Click() { m_fmt->toggleStyle(surface::Bold); }
void TForm1::BitBtn7Click() { m_fmt->toggleStyle(surface::Italic); }
void TForm1::BitBtn8Click() { m_fmt->toggleStyle(surface::Underline); }
void TForm1::BitBtn9Click() { m_fmt->toggleStyle(surface::StrikeOut); }
void TForm1::sblClick() { m_fmt->alignmentButton(sbl, surface::AlignLeft); }
void TForm1::sbmClick() { m_fmt->alignmentButton(sbm, surface::AlignCentre); }
void TForm1::sbrClick() { m_fmt->alignmentButton(sbr, surface::AlignRight); }
void TForm1::fboxChange() { m_fmt->fboxChange(); }
void TForm1::fboxDropDown() { m_fmt->fboxDropDown(); }
void TForm1::grboxChange() { m_fmt->grboxChange(); }
void TForm1::txtKeyDown() { m_fmt->sync(); }
void TForm1::txtMouseDown() { m_fmt->sync(); }
// Choosing one of the four items has inverted its mark already; apply all four.
void TForm1::fzuClick() { options(); }
void TForm1::Tabs1Click() { options(); }
void TForm1::Lineal1Click() { options(); }
void TForm1::fgClick() { options(); }

// --- files, search and printing: their parts fill these --------------------------

void TForm1::Neu1Click() { m_files->newDocument(); }
void TForm1::ffnen1Click() { m_files->open(); }
void TForm1::Speichern1Click() { m_files->save(); }
void TForm1::Speichernunter1Click() { m_files->saveAs(); }
// Export with the Greek as real Unicode; the document keeps its name and format.
void TForm1::Exportieren1Click() { m_files->exportDocument(); }

void TForm1::Drucken1Click() { BitBtn5Click(); }

// The printed column is as wide as the editor, at most the 706 pixels of the fixed width.
int TForm1::printWidth() const { return std::min(m_txt->widget()->width(), ViewOptions::kFixedWidth); }

void TForm1::BitBtn5Click() { m_form2->prepare(printWidth(), QStringLiteral("Stilora - ") + m_state.BasePath); }

void TForm1::DruckenohneVorschau1Click() { m_form2->fullScreenPreview(printWidth()); }
void TForm1::Suchewiederholen1Click() { m_search->Button2Click(); }

// --- edit menu and exit --------------------------------------------------------

void TForm1::Beenden1Click() { close(); }
void TForm1::Beenden2Click() { close(); }
void TForm1::Rckgngig1Click() { m_txt->undo(); }
void TForm1::Wiederholen1Click() { m_txt->redo(); }
void TForm1::Kopieren1Click() { m_txt->copy(); }
void TForm1::Einfgen1Click() { m_txt->paste(); }
void TForm1::Ausschneiden1Click() { m_txt->cut(); }
void TForm1::Lschen1Click() { m_txt->deleteSelection(); }

void TForm1::Bearbeiten1Click()
{
    item(QStringLiteral("Rckgngig1"))->setEnabled(m_txt->canUndo());
    item(QStringLiteral("Wiederholen1"))->setEnabled(m_txt->canRedo());
    item(QStringLiteral("Kopieren1"))->setEnabled(m_txt->selLength() > 0);
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
