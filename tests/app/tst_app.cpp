#include "atomicfiles.h"
#include "charmapwindow.h"
#include "codepage.h"
#include "commandmenu.h"
#include "deadkeylayer.h"
#include "errorbox.h"
#include "greekfont.h"
#include "ioerror.h"
#include "richtextsurface.h"
#include "textedit.h"
#include "qtseams.h"
#include "scriptedseams.h"
#include "stilora.h"
#include "tform1.h"
#include "tform2.h"
#include "previewcontrol.h"
#include "tinfo.h"
#include "tsuchen.h"

#include "testfiles.h"
#include "surfacehost.h"
#include "modalwait.h"
#include <QtTest>
#include <QSet>
#include <QRegularExpression>
#include <QContextMenuEvent>
#include <QAbstractScrollArea>

#include <QTemporaryDir>
#include <QTimer>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>
#include <QFileDialog>
#include <QComboBox>
#include "tersetzen.h"
#include "accessibletext.h"
#include "recentitems.h"
#include "rtfwriter.h"
#include <QMimeData>
#include <QUrl>
#include <QTextBrowser>

// The whole program with scripted seams.
struct Program {
    ScriptedDialogs dialogs;
    ScriptedShell shell;
    ScriptedHelp help;
    Stilora stilora{Seams{dialogs, shell, help}};
    TForm1& form = *stilora.Form1;
    RichTextSurface& txt = form.txt();

    Program() { QVERIFY(QTest::qWaitForWindowExposed(&form)); }

    static void key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        sendKey(target, key, mods, text);
    }
    void type(const QString& s) { typeKeys(txt.widget(), s); }
    QRect editor() const { return txt.widget()->geometry(); }
};

class TestApp : public QObject {
    Q_OBJECT
    QTemporaryDir m_start;
private slots:
    void replaceFromTheMenu();
    void filesNamedAtStart_data();
    void filesNamedAtStart();
    void namedFilesFromTheCommandLine();
    void droppedFileOpensAfterTheQuestion();
    void recentDocuments();
    void recentDocumentsFromABrokenSettingsFile();
    void redoThroughTheMenu();
    void editorContextMenu_data();
    void editorContextMenu();
    void boxesHoldTheirText();
    void helpNamesEveryCommandAndKey();
    void zoomLeavesTheDocumentAndIsKept();
    void picturesHaveNames();
    void settingsAcrossRuns();
    void settingsUnwritableAtClose();
    void initTestCase();
    void fileDialogPatternsOnce();
    void fileDialogTellsTheEntry_data();
    void fileDialogTellsTheEntry();
    void exportDialogSuggestsTheName();
    void helpWindowOnScreenClosesWithEsc();

    void startup();
    void menuCaptions_data();
    void menuCaptions();
    void dispatch_data();
    void dispatch();
    void editMenuOpensBeforeItsKeys();
    void shortcutsFromOtherWindows();
    void helpFileOfActiveWindow_data();
    void helpFileOfActiveWindow();
    void characterMapInsertsLikeTyping();
    void aboutWindow();
    void standardErrorText_data();
    void standardErrorText();
    void errorInHandlerIsShown();
    void rulerToggle();
    void fixedWidth();
    void fixedWidthOff();
    void wordWrapKeepsText();
    void tabsUnmarked();
    void searchReappliesOptions();
    void syncIntoArialStopsComposing();
    void formattingThenComposing();
    void sizeBoxTyping();
    void germanStandardButtons();
    void fontListReadable();
    void firstStartWithoutOptions();
    void optionsAcrossRuns();
    void closeWithReadOnlyStartDirectory();
    void findAgainWithF3();
    void startDirectoryFallsBack();
    void printPreview_data();
    void printPreview();
    void fullScreenPreview();
    void exportKeepsTheDocument();
    void syncOnKeyDownBeforeTheCaretMoves_data();
    void syncOnKeyDownBeforeTheCaretMoves();
    void undoThroughTheMenuKeys_data();
    void undoThroughTheMenuKeys();
    void picture();
};

void TestApp::initTestCase()
{
    QVERIFY(resources::registerGreekFont().isEmpty());
    DeadKeyLayer::install();
    accessibletext::install();
    CharMapWindow::installAccessibility();
    // The program starts in a directory with an options file of the form's defaults.
    QVERIFY(m_start.isValid());
    QVERIFY(QDir::setCurrent(m_start.path()));
    QFile options(QStringLiteral("option.dat"));
    QVERIFY(options.open(QIODevice::WriteOnly));
    options.write(QByteArray("\1\1\1", 3) + QByteArray(99, '\0'));
}

void TestApp::startup()
{
    Program p;
    QCOMPARE(p.form.windowTitle(), QStringLiteral("Stilora- Ohne Titel"));
    QCOMPARE(p.form.fbox()->currentText(), QStringLiteral("Greek"));
    QCOMPARE(p.form.grbox->currentText(), QStringLiteral("14"));
    QVERIFY(p.form.state().ComposeArmed);
    QVERIFY(!p.form.state().LoadingDocument);
    QVERIFY(!p.form.state().LegacyFormat());
    QVERIFY(p.form.state().OptionsPath.endsWith(QLatin1String("option.dat")));
    QVERIFY(p.form.fbox()->findText(QStringLiteral("Greek")) >= 0);
    QVERIFY(!p.stilora.suchen->isVisible());
    QVERIFY(!p.stilora.info->isVisible());
    QVERIFY(!p.form.Panel2->isVisible());
    QCOMPARE(p.stilora.suchen->windowTitle(), QStringLiteral("Wort suchen"));
    QCOMPARE(p.stilora.info->windowTitle(), QStringLiteral("Info zu Stilora"));
    QCOMPARE(p.form.client()->size(), QSize(716, 302));
    QCOMPARE(p.editor(), QRect(3, 88, 706, 195));
    QCOMPARE(p.form.lineal->geometry(), QRect(3, 64, 697, 25));
    QCOMPARE(p.form.sbr->geometry(), QRect(304, 4, 25, 25));
    QCOMPARE(p.form.StatusBar1->geometry(), QRect(0, 283, 716, 19));
    QVERIFY(p.dialogs.errors.isEmpty());
}

void TestApp::menuCaptions_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("text");
    QTest::newRow("open") << "ffnen1" << QStringLiteral(u"&Öffnen\tStrg+O");
    QTest::newRow("new has no key") << "Neu1" << QStringLiteral("&Neu");
    QTest::newRow("exit in Datei") << "Beenden2" << QStringLiteral("B&eenden\tStrg+Entf");
    QTest::newRow("delete") << "Lschen1" << QStringLiteral(u"&Löschen\tEntf");
    QTest::newRow("find next") << "Suchewiederholen1" << QStringLiteral("&Weitersuchen\tF3");
    QTest::newRow("special characters") << "Sonderzeicheneinfgen1" << QStringLiteral(u"&Sonderzeichen einfügen\tStrg+E");
    QTest::newRow("help on the menu bar shows no key") << "Hilfe1" << QStringLiteral("&Hilfe");
    QTest::newRow("exit on the menu bar shows no key") << "Beenden1" << QStringLiteral("B&eenden");
    QTest::newRow("fixed size") << "fg" << QStringLiteral(u"Feste &Größe (A4 Hochkant)");
}

void TestApp::menuCaptions()
{
    QFETCH(QString, item);
    QFETCH(QString, text);
    Program p;
    QVERIFY(p.form.item(item));
    QCOMPARE(p.form.item(item)->text(), text);
}

void TestApp::dispatch_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("text");        // the editor's text afterwards
    QTest::addColumn<bool>("open");           // the main window still open
    QTest::addColumn<bool>("charMap");        // the character map shown
    QTest::addColumn<QString>("clipboard");   // afterwards; it starts as "vorher"
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Ctrl+E opens the character map") << int(Qt::Key_E) << ctrl << 0 << 0 << "logos" << true << true << "vorher";
    QTest::newRow("Del deletes the selection") << int(Qt::Key_Delete) << 0 << 1 << 2 << "los" << true << false << "vorher";
    QTest::newRow("Del without selection deletes nothing") << int(Qt::Key_Delete) << 0 << 1 << 0 << "logos" << true << false << "vorher";
    QTest::newRow("Ctrl+Del closes") << int(Qt::Key_Delete) << ctrl << 0 << 0 << "logos" << false << false << "vorher";
    // The clipboard's text is real Unicode: Greek-font "lo" is λο.
    QTest::newRow("Ctrl+C copies the selection") << int(Qt::Key_C) << ctrl << 0 << 2 << "logos" << true << false << QStringLiteral(u"λο");
    QTest::newRow("Ctrl+C without selection leaves the clipboard") << int(Qt::Key_C) << ctrl << 2 << 0 << "logos" << true << false << "vorher";
    QTest::newRow("Ctrl+X cuts") << int(Qt::Key_X) << ctrl << 3 << 2 << "log" << true << false << QStringLiteral(u"οσ");
    QTest::newRow("Ctrl+R undoes") << int(Qt::Key_R) << ctrl << 5 << 0 << "logo" << true << false << "vorher";
    QTest::newRow("Ctrl+A selects all") << int(Qt::Key_A) << ctrl << 2 << 0 << "logos" << true << false << "vorher";
}

void TestApp::dispatch()
{
    QFETCH(int, key);
    QFETCH(int, mods);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, text);
    QFETCH(bool, open);
    QFETCH(bool, charMap);
    QFETCH(QString, clipboard);
    Program p;
    p.type(QStringLiteral("logos"));
    QGuiApplication::clipboard()->setText(QStringLiteral("vorher"));
    p.txt.setSelStart(selStart);
    p.txt.setSelLength(selLength);
    p.dialogs.threeWay << Dialogs::Answer::No; // the typed text is not to be saved
    Program::key(p.txt.widget(), key, Qt::KeyboardModifiers(mods));
    QCOMPARE(p.txt.text(), text);
    QCOMPARE(p.form.isVisible(), open);
    QCOMPARE(p.form.charMap()->isVisible(), charMap);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    if (key == Qt::Key_A) {
        QCOMPARE(p.txt.selStart(), 0);
        QCOMPARE(p.txt.selLength(), 5);
    }
}

void TestApp::editMenuOpensBeforeItsKeys()
{
    Program p;
    // Ctrl+R with nothing to undo: the item is disabled by the menu's opening and does nothing.
    Program::key(p.txt.widget(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(!p.form.item(QStringLiteral("Rckgngig1"))->isEnabled());
    QVERIFY(!p.form.item(QStringLiteral("Kopieren1"))->isEnabled());
    // With a selection the opening handler enables Kopieren before the key runs it.
    p.type(QStringLiteral("abc"));
    p.txt.selectRange(0, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("vorher"));
    Program::key(p.txt.widget(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(u"αβ"));
    // A disabled item still takes its key: the focused field does not copy either.
    p.txt.setSelStart(1);
    QLineEdit* field = p.stilora.suchen->stxt;
    field->setText(QStringLiteral("suche"));
    field->selectAll();
    Program::key(field, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(u"αβ"));
    // Keys without a menu item reach the control: Ctrl+Z undoes in the editor.
    Program::key(p.txt.widget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(p.txt.text(), QStringLiteral("ab"));
}

void TestApp::shortcutsFromOtherWindows()
{
    Program p;
    p.type(QStringLiteral("logos"));
    p.txt.selectRange(0, 2);
    p.stilora.suchen->show();
    // Del in the search field deletes the editor's selection, not the field's text.
    QLineEdit* field = p.stilora.suchen->stxt;
    field->setText(QStringLiteral("abc"));
    field->setCursorPosition(0);
    Program::key(field, Qt::Key_Delete);
    QCOMPARE(p.txt.text(), QStringLiteral("gos"));
    QCOMPARE(field->text(), QStringLiteral("abc"));
    // Ctrl+A pressed in the about window selects the editor's text.
    p.form.item(QStringLiteral("Info1"))->trigger();
    QVERIFY(p.stilora.info->isVisible());
    Program::key(p.stilora.info->BitBtn1, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(p.txt.selLength(), 3);
    // Ctrl+E from there opens the character map, never closes the program.
    Program::key(p.stilora.info->BitBtn1, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(p.form.charMap()->isVisible());
    QVERIFY(p.form.isVisible());
}

void TestApp::helpFileOfActiveWindow_data()
{
    QTest::addColumn<int>("window"); // 0 main, 1 search, 2 about, 3 preview
    QTest::addColumn<QString>("file");
    QTest::newRow("main window") << 0 << "sthilfe.hlp";
    QTest::newRow("search dialog") << 1 << "sthilfe";
    QTest::newRow("about window") << 2 << "sthilfe";
    QTest::newRow("print preview names none") << 3 << QStringLiteral("C:\\Tonikor\\sthilfe.hlp");
}

void TestApp::helpFileOfActiveWindow()
{
    QFETCH(int, window);
    QFETCH(QString, file);
    Program p;
    QWidget* windows[] = {&p.form, p.stilora.suchen, p.stilora.info, p.stilora.Form2};
    QWidget* w = windows[window];
    w->show();
    QApplication::setActiveWindow(w); // the offscreen platform does not activate secondary windows itself
    QCOMPARE(QApplication::activeWindow(), w);
    Program::key(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F1);
    QCOMPARE(p.help.files, QStringList{file});
    QCOMPARE(p.help.owners.first(), window == 3 ? static_cast<QWidget*>(&p.form) : w);
}

void TestApp::characterMapInsertsLikeTyping()
{
    Program p;
    p.type(QStringLiteral("kai <"));
    p.form.item(QStringLiteral("Sonderzeicheneinfgen1"))->trigger();
    CharMapWindow* map = p.form.charMap();
    QVERIFY(map->isVisible());
    QCOMPARE(map->codeAt(QPoint(1, 1)), 32);
    // Clicking 'a' enters it at the caret, and the pipeline composes it with the <.
    const int i = 'a' - CharMapWindow::kFirst;
    const QPoint cell((i % CharMapWindow::kColumns) * CharMapWindow::kCell + 5, (i / CharMapWindow::kColumns) * CharMapWindow::kCell + 5);
    QCOMPARE(map->codeAt(cell), int('a'));
    QTest::mouseClick(map, Qt::LeftButton, {}, cell);
    QCOMPARE(codepage::encode(p.txt.text()), QByteArray("kai \xA1"));
}

void TestApp::aboutWindow()
{
    Program p;
    Tinfo* info = p.stilora.info;
    p.form.item(QStringLiteral("Info1"))->trigger();
    QVERIFY(info->isVisible());
    QCOMPARE(info->Label1->text(), QStringLiteral("Stilora - Version 1.1"));
    QVERIFY(info->Label1->font().bold() && info->Label1->font().underline());
    QCOMPARE(info->Label3->text(), QStringLiteral("Download von neueren Versionen und anderer Programme bei:"));
    QTest::mouseClick(info->Label4, Qt::LeftButton);
    QCOMPARE(p.shell.opened, QStringList{QString::fromLatin1(Tinfo::kWebAddress)});
    QVERIFY(QUrl(QString::fromLatin1(Tinfo::kWebAddress)).host().endsWith(QLatin1String(".example.org")));
    QTest::mouseClick(info->BitBtn1, Qt::LeftButton);
    QVERIFY(!info->isVisible());
    p.form.item(QStringLiteral("Info1"))->trigger(); // the same window again
    QVERIFY(info->isVisible());
}

void TestApp::standardErrorText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter last") << "Datei nicht gefunden" << "Datei nicht gefunden.";
    QTest::newRow("full stop last") << "Fertig." << "Fertig.";
    QTest::newRow("exclamation mark last") << "Achtung!" << "Achtung!";
    QTest::newRow("digit last") << "E/A-Fehler 5" << "E/A-Fehler 5.";
    QTest::newRow("umlaut last") << QStringLiteral(u"Zugriff verweigert: ä") << QStringLiteral(u"Zugriff verweigert: ä.");
    QTest::newRow("empty") << "" << "";
}

void TestApp::standardErrorText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(::standardErrorText(message), shown);
}

void TestApp::errorInHandlerIsShown()
{
    ScriptedDialogs dialogs;
    HandlerGuard guard(dialogs, nullptr);
    QStringList steps;
    auto routine = [&](bool fail) {
        steps << QStringLiteral("routine");
        if (fail)
            throw IoError(IoError::Cause::AccessDenied);
    };
    bool fail = true;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, guard([&] {
        steps << QStringLiteral("start");
        routine(fail);
        steps << QStringLiteral("rest");
    }));
    button.click();
    // The rest of the handler is abandoned; the error is shown once.
    QCOMPARE(steps, (QStringList{QStringLiteral("start"), QStringLiteral("routine")}));
    QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Dateizugriff verweigert.")});
    // The program goes on: the next click runs the handler whole.
    fail = false;
    button.click();
    QCOMPARE(steps.size(), 5);
    QCOMPARE(steps.last(), QStringLiteral("rest"));
    QCOMPARE(dialogs.errors.size(), 1);
}

void TestApp::rulerToggle()
{
    Program p;
    const QRect before = p.editor();
    p.form.item(QStringLiteral("Lineal1"))->trigger();
    QVERIFY(!p.form.item(QStringLiteral("Lineal1"))->isChecked());
    QVERIFY(!p.form.lineal->isVisible());
    QCOMPARE(p.editor().top(), 64);
    QCOMPARE(p.editor().bottom(), before.bottom() - 24);
    QCOMPARE(p.editor().height(), before.height());
    p.form.item(QStringLiteral("Lineal1"))->trigger();
    QCOMPARE(p.editor(), before);
    QVERIFY(p.form.lineal->isVisible());
}

void TestApp::fixedWidth()
{
    Program p;
    p.form.item(QStringLiteral("fg"))->trigger();
    QVERIFY(p.form.item(QStringLiteral("fg"))->isChecked());
    p.form.resize(p.form.width() + 200, p.form.height());
    QTRY_COMPARE(p.form.client()->width(), 916);
    QCOMPARE(p.editor().width(), 706);
    p.form.resize(500, p.form.height());
    QTRY_VERIFY(p.form.scroller()->horizontalScrollBar()->isVisible());
    QCOMPARE(p.editor().width(), 706);
}

void TestApp::fixedWidthOff()
{
    Program p;
    p.form.item(QStringLiteral("fg"))->trigger();
    p.form.item(QStringLiteral("fg"))->trigger(); // off again: the width stays until the next resize
    QCOMPARE(p.editor().width(), 706);
    QVERIFY(!p.form.scroller()->horizontalScrollBar()->isVisible());
    p.form.resize(p.form.width() + 50, p.form.height());
    QTRY_COMPARE(p.editor().width(), 756);
    p.form.resize(p.form.width() - 150, p.form.height());
    QTRY_COMPARE(p.editor().width(), 606);
    QVERIFY(!p.form.scroller()->horizontalScrollBar()->isVisible());
}

void TestApp::wordWrapKeepsText()
{
    Program p;
    p.type(QStringLiteral("logos kai ethos"));
    p.txt.selectRange(6, 3);
    p.txt.setFontStyle(surface::Bold);
    p.form.item(QStringLiteral("fzu"))->trigger();
    QVERIFY(!p.txt.wordWrap());
    p.form.item(QStringLiteral("fzu"))->trigger();
    QVERIFY(p.txt.wordWrap());
    QCOMPARE(p.txt.text(), QStringLiteral("logos kai ethos"));
    p.txt.selectRange(6, 3);
    QCOMPARE(p.txt.fontStyle(), int(surface::Bold));
}

void TestApp::tabsUnmarked()
{
    Program p;
    p.form.item(QStringLiteral("Tabs1"))->trigger();
    p.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.form));
    p.txt.widget()->setFocus();
    QTest::keyClick(p.txt.widget(), Qt::Key_Tab);
    QCOMPARE(p.txt.text(), QString());
    QVERIFY(!p.txt.widget()->hasFocus());
}

void TestApp::searchReappliesOptions()
{
    Program p;
    const QRect before = p.editor();
    // Marks changed without their handlers take effect when the search opens.
    p.form.item(QStringLiteral("Lineal1"))->setChecked(false);
    p.form.item(QStringLiteral("fzu"))->setChecked(false);
    QCOMPARE(p.editor(), before);
    p.form.item(QStringLiteral("Suchen1"))->trigger();
    QVERIFY(p.stilora.suchen->isVisible());
    QCOMPARE(p.editor().top(), 64);
    QVERIFY(!p.txt.wordWrap());
    // Opening it again with the same marks changes nothing visible.
    const QRect now = p.editor();
    p.form.item(QStringLiteral("Suchen1"))->trigger();
    QCOMPARE(p.editor(), now);
}

void TestApp::syncIntoArialStopsComposing()
{
    Program p;
    p.type(QStringLiteral("abcdef"));
    p.txt.selectRange(0, 3);
    p.form.BitBtn2->click(); // Arial
    QCOMPARE(p.txt.fontNameOfChar(0), QStringLiteral("Arial"));
    // A click into the Arial text shows Arial, and typing there is not composed.
    p.txt.setSelStart(2);
    const QRect caret = textEdit(p.txt)->cursorRect();
    QTest::mouseClick(textEdit(p.txt)->viewport(), Qt::LeftButton, {}, caret.center());
    QCOMPARE(p.form.fbox()->currentText(), QStringLiteral("Arial"));
    QCOMPARE(p.form.fbox()->font().family(), QStringLiteral("Arial"));
    const int at = p.txt.selStart();
    p.type(QStringLiteral("<a"));
    QCOMPARE(p.txt.textRange(at, 2), QStringLiteral("<a"));
    // Back in Greek text the key down shows Greek again and composition works.
    p.txt.setSelStart(p.txt.textLength());
    p.type(QStringLiteral("<a"));
    QCOMPARE(codepage::encode(p.txt.text()).right(1), QByteArray("\xA1"));
}

void TestApp::formattingThenComposing()
{
    Program p;
    p.type(QStringLiteral("kai "));
    QApplication::setActiveWindow(&p.form);
    p.form.BitBtn6->click(); // bold at the insertion point
    p.form.BitBtn4->setFocus(); // as a click would leave it
    p.form.BitBtn4->click(); // 16 points
    QCOMPARE(p.form.grbox->currentText(), QStringLiteral("16"));
    QVERIFY(p.txt.widget()->hasFocus()); // the step button hands the focus back
    p.type(QStringLiteral("<a"));
    QCOMPARE(codepage::encode(p.txt.text()), QByteArray("kai \xA1"));
    p.txt.selectRange(4, 1);
    QCOMPARE(p.txt.fontStyle(), int(surface::Bold));
    QCOMPARE(p.txt.fontSize(), 16);
}

void TestApp::sizeBoxTyping()
{
    Program p;
    p.type(QStringLiteral("logos"));
    p.txt.selectRange(0, 5);
    QApplication::setActiveWindow(&p.form);
    QLineEdit* box = p.form.grbox->lineEdit();
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->selectAll();
    // Each partial number applies at once; the focus stays in the box, so
    // the second digit goes there and not over the selected text.
    QTest::keyClick(box, Qt::Key_1, Qt::NoModifier, 1);
    QCOMPARE(p.txt.fontSize(), 1);
    QVERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_6, Qt::NoModifier, 1);
    QCOMPARE(box->text(), QStringLiteral("16"));
    QCOMPARE(p.txt.text(), QStringLiteral("logos"));
    QCOMPARE(p.txt.selLength(), 5);
    QCOMPARE(p.txt.fontSize(), 16);
    QVERIFY(box->hasFocus());
    // Enter hands the focus to the editor, selection kept.
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(p.txt.widget()->hasFocus());
    QCOMPARE(p.txt.selLength(), 5);
    QCOMPARE(p.txt.fontSize(), 16);
}

void TestApp::germanStandardButtons()
{
    installGermanTranslations(*qApp);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Achtung!"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
}

void TestApp::picture()
{
    Program p;
    // The keyboard delivers precomposed letters for dead keys: they enter as mark and letter.
    p.type(QStringLiteral(u"<ánqrwpos e>î"));
    QCOMPARE(codepage::encode(p.txt.text()), QByteArray("\xa4nqrwpos e\x8d"));
    const QString path = QStringLiteral(STILORA_BINARY_DIR "/main-window.png");
    QVERIFY(p.form.grab().save(path));
    qInfo("main window picture: %s", qPrintable(path));
}

// The font list opens in a readable font, and the box shows its text in "Arial" then.
void TestApp::fontListReadable()
{
    Program p;
    QComboBox* box = p.form.fbox();
    Program::key(p.txt.widget(), Qt::Key_Left); // the sync shows the name "Greek" in Greek
    QCOMPARE(QFontInfo(box->font()).family(), QStringLiteral("Greek"));
    box->showPopup();
    QVERIFY(box->view()->isVisible());
    QCOMPARE(box->font().family(), QStringLiteral("Arial"));
    QVERIFY(QFontInfo(box->view()->font()).family() != QStringLiteral("Greek"));
    box->hidePopup();
    QCOMPARE(box->font().family(), QStringLiteral("Arial"));
    QVERIFY(QFontInfo(box->view()->font()).family() != QStringLiteral("Greek"));
    // Both lists open at what their boxes show: "Greek" and "14", not "4".
    QCOMPARE(box->itemText(box->currentIndex()), QStringLiteral("Greek"));
    QCOMPARE(p.form.grbox->itemText(p.form.grbox->currentIndex()), QStringLiteral("14"));
    Program::key(p.txt.widget(), Qt::Key_Left);
    QCOMPARE(p.form.grbox->itemText(p.form.grbox->currentIndex()), QStringLiteral("14"));
}

// The key-down sync reads the formats where the caret stands before the key
// moves it: "abc" in Greek, "def" in Arial of 22 points.
void TestApp::syncOnKeyDownBeforeTheCaretMoves_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("font");
    QTest::addColumn<int>("caretAfter");
    QTest::newRow("right out of Greek") << 3 << int(Qt::Key_Right) << "Greek" << 4;
    QTest::newRow("left out of Arial") << 5 << int(Qt::Key_Left) << "Arial" << 4;
    QTest::newRow("home from Arial") << 6 << int(Qt::Key_Home) << "Arial" << 0;
    QTest::newRow("end from the start") << 0 << int(Qt::Key_End) << "Greek" << 6;
}

void TestApp::syncOnKeyDownBeforeTheCaretMoves()
{
    QFETCH(int, caret);
    QFETCH(int, key);
    QFETCH(QString, font);
    QFETCH(int, caretAfter);
    Program p;
    p.txt.setText(QStringLiteral("abcdef"));
    p.txt.selectRange(3, 3);
    p.txt.setFontName(QStringLiteral("Arial"));
    p.txt.setFontSize(22);
    p.txt.setSelStart(caret);
    Program::key(p.txt.widget(), key);
    QCOMPARE(p.txt.selStart(), caretAfter);
    QCOMPARE(p.form.fbox()->currentText(), font);
    QCOMPARE(p.form.grbox->currentText(), font == QLatin1String("Arial") ? QStringLiteral("22") : QStringLiteral("14"));
}

// Without an options file: one error box, the form's caption and view
// settings; closing writes the file.
void TestApp::firstStartWithoutOptions()
{
    QTemporaryDir empty;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(empty.path()));
    {
        Program p;
        QCOMPARE(p.dialogs.errors, QStringList{QStringLiteral("Datei nicht gefunden: option.dat.")});
        QCOMPARE(p.form.windowTitle(), QStringLiteral("Stilora"));
        QVERIFY(p.txt.wordWrap());
        QVERIFY(p.form.close());
    }
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(QFileInfo(empty.filePath(QStringLiteral("option.dat"))).size(), 102);
}

// What one run leaves, the next finds: marks, check boxes, directories.
void TestApp::optionsAcrossRuns()
{
    QTemporaryDir start;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(start.path()));
    QFile f(QStringLiteral("option.dat"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\1\1\1\0\0\0\0", 7) + QByteArray("keep this one", 13) + QByteArray(82, '\0'));
    f.close();
    const QString docs = start.filePath(QStringLiteral("texte/"));
    QVERIFY(QDir().mkpath(docs));
    {
        Program p;
        QVERIFY(p.dialogs.errors.isEmpty());
        p.form.item(QStringLiteral("Lineal1"))->trigger();
        p.stilora.suchen->CheckBox2->setChecked(true);
        p.type(QStringLiteral("logos"));
        p.dialogs.files << FileDialogAnswer{true, docs + QStringLiteral("brief.rtf"), 1};
        p.form.item(QStringLiteral("Speichernunter1"))->trigger();
        QVERIFY(p.form.close());
    }
    {
        Program p;
        QVERIFY(!p.form.item(QStringLiteral("Lineal1"))->isChecked());
        QCOMPARE(p.editor().top(), 64);
        QVERIFY(p.stilora.suchen->CheckBox2->isChecked());
        p.form.item(QStringLiteral("Speichernunter1"))->trigger(); // cancelled: the scripted dialog has no answer
        p.form.item(QStringLiteral("ffnen1"))->trigger();
        QCOMPARE(p.dialogs.requests.at(0).startDirectory, docs.left(40));
        QCOMPARE(p.dialogs.requests.at(1).startDirectory, docs.left(40));
    }
    QFile back(QStringLiteral("option.dat"));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll().mid(7, 13), QByteArray("keep this one"));
    QVERIFY(QDir::setCurrent(before));
}

// "Erse&tzen..." under "Bearbeiten" after "Weitersuchen", on Ctrl+H; what
// it puts in never composes with the text before it.
void TestApp::replaceFromTheMenu()
{
    Program p;
    auto* menu = qobject_cast<QMenu*>(p.form.item(QStringLiteral("Suchewiederholen1"))->associatedObjects().value(0));
    QVERIFY(menu);
    const QList<QAction*> items = menu->actions();
    const qsizetype after = items.indexOf(p.form.item(QStringLiteral("Suchewiederholen1")));
    QAction* replace = p.form.item(QStringLiteral("Ersetzen1"));
    QCOMPARE(items.value(after + 1), replace);
    QCOMPARE(replace->text(), QStringLiteral("Erse&tzen...\tStrg+H"));
    p.txt.setText(QStringLiteral("<x kai <x")); // loaded, not typed: the marks stand before the x
    QVERIFY(p.form.menu().dispatch(QKeyCombination(Qt::ControlModifier, Qt::Key_H)));
    Tersetzen* d = p.form.replaceDialog();
    QTRY_VERIFY(d->isVisible());
    d->stxt->setText(QStringLiteral("x"));
    d->etxt->setEditText(QStringLiteral("a"));
    d->Button3->click();
    QCOMPARE(p.dialogs.notices, QStringList{QStringLiteral("2 Stellen ersetzt.")});
    // Typed, "<a" would be the alpha with the rough breathing; replaced, it stays two characters.
    QCOMPARE(codepage::encode(p.txt.text()), QByteArray("<a kai <a"));
    // One replaced, the next selected.
    p.txt.setText(QStringLiteral("<x kai <x"));
    p.txt.setSelStart(0);
    d->Button2->click();
    d->Button2->click();
    QCOMPARE(codepage::encode(p.txt.text()), QByteArray("<a kai <x"));
    QCOMPARE(p.txt.selStart(), 8);
    QCOMPARE(p.txt.selLength(), 1);
}

// The fourth box and the replacements go to the program's own settings
// file; the options file stays byte for byte what it was.
void TestApp::settingsAcrossRuns()
{
    QTemporaryDir dir;
    const QString conf = dir.filePath(QStringLiteral("config/Stilora.conf"));
    QFile::remove(QStringLiteral("option.dat"));
    QByteArray withoutBox;
    {
        Program p;
        p.form.useSettings(conf);
        QVERIFY(!p.stilora.suchen->CheckBox4->isChecked()); // no file yet: the default
        QVERIFY(p.form.close());
        QFile f(QStringLiteral("option.dat"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        withoutBox = f.readAll();
    }
    {
        Program p;
        p.form.useSettings(conf);
        p.stilora.suchen->CheckBox4->setChecked(true);
        p.type(QStringLiteral("logos"));
        Tersetzen* d = p.form.replaceDialog();
        d->stxt->setText(QStringLiteral("logos"));
        d->etxt->setEditText(QStringLiteral("mythos"));
        d->Button3->click();
        p.dialogs.threeWay << Dialogs::Answer::No; // the changed text is not saved
        QVERIFY(p.form.close());
    }
    QFile f(QStringLiteral("option.dat"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), withoutBox);
    {
        Program p;
        p.form.useSettings(conf);
        QVERIFY(p.stilora.suchen->CheckBox4->isChecked());
        QVERIFY(p.form.replaceDialog()->CheckBox4->isChecked());
        QCOMPARE(p.form.replaceDialog()->history(), QStringList{QStringLiteral("mythos")});
        QVERIFY(p.dialogs.errors.isEmpty());
    }
}

// A settings file that cannot be written: the error box names it, and the program ends all the same.
void TestApp::settingsUnwritableAtClose()
{
    Program p;
    p.form.useSettings(QStringLiteral("/proc/self/stilora/Stilora.conf"));
    QVERIFY(p.dialogs.errors.isEmpty()); // nothing to read is no error
    QVERIFY(p.form.close());
    QCOMPARE(p.dialogs.errors,
             QStringList{QStringLiteral("Die Einstellungen konnten nicht gespeichert werden: /proc/self/stilora/Stilora.conf.")});
    QVERIFY(!p.form.isVisible());
}

// When the options cannot be written the box says so and the program ends all the same.
void TestApp::closeWithReadOnlyStartDirectory()
{
    Program p;
    p.form.state().OptionsPath = QStringLiteral("/proc/self/option.dat");
    QVERIFY(p.form.close());
    QCOMPARE(p.dialogs.errors, QStringList{QStringLiteral("Dateizugriff verweigert: option.dat.")});
    QVERIFY(!p.form.isVisible());
}

void TestApp::findAgainWithF3()
{
    Program p;
    p.type(QStringLiteral("logos kai logos"));
    p.stilora.suchen->stxt->setText(QStringLiteral("logos"));
    p.stilora.suchen->CheckBox3->setChecked(true);
    Program::key(p.txt.widget(), Qt::Key_F3); // the dialog is hidden: F3 searches all the same
    QCOMPARE(p.txt.selStart(), 0);
    QCOMPARE(p.txt.selLength(), 5);
    Program::key(p.txt.widget(), Qt::Key_F3);
    QCOMPARE(p.txt.selStart(), 10);
    Program::key(p.txt.widget(), Qt::Key_F3);
    QCOMPARE(p.dialogs.notices, QStringList{QStringLiteral("Es konnte nichts gefunden werden.")});
    QVERIFY(!p.stilora.suchen->isVisible());
}

void TestApp::startDirectoryFallsBack()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("texte"));
    QVERIFY(QDir().mkpath(existing));
    QCOMPARE(existingStartDirectory(existing + QLatin1Char('/')), existing + QLatin1Char('/'));
    QCOMPARE(existingStartDirectory(existing + QStringLiteral("/alt/neu/")), existing);
    QCOMPARE(existingStartDirectory(existing.chopped(2)), dir.path()); // cut at 40 characters
    QCOMPARE(existingStartDirectory(QString()), QString());
}

// "Drucken": the column as wide as the editor, at most 706 pixels; the title; the window not modal.
void TestApp::printPreview_data()
{
    QTest::addColumn<int>("editorWidth");
    QTest::addColumn<QString>("basePath");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("title");
    QTest::newRow("wide editor, untitled") << 900 << "" << 706 << "Stilora - ";
    QTest::newRow("narrow editor, named") << 400 << "/texte/ilias." << 400 << "Stilora - /texte/ilias.";
}

void TestApp::printPreview()
{
    QFETCH(int, editorWidth);
    QFETCH(QString, basePath);
    QFETCH(int, column);
    QFETCH(QString, title);
    Program p;
    p.type(QStringLiteral("logos"));
    p.txt.widget()->resize(editorWidth, p.txt.widget()->height());
    p.form.state().BasePath = basePath;
    Program::key(p.txt.widget(), Qt::Key_P, Qt::ControlModifier);
    TForm2& preview = *p.stilora.Form2;
    QVERIFY(preview.isVisible());
    QVERIFY(!preview.isModal());
    QCOMPARE(preview.qr().itemWidth(), column);
    QCOMPARE(preview.qr().title(), title);
    QTRY_COMPARE(preview.mSeite->text(), QStringLiteral(" Seite 1 von 1"));
    // The main window goes on taking keys.
    p.type(QStringLiteral("x"));
    QCOMPARE(p.txt.text(), QStringLiteral("logosx"));
}

void TestApp::fullScreenPreview()
{
    Program p;
    p.type(QStringLiteral("logos"));
    QString caption;
    bool maximised = false;
    whenModal([&](QWidget* modal) {
        auto* window = qobject_cast<QDialog*>(modal);
        if (!window)
            return;
        caption = window->windowTitle();
        maximised = window->windowState() & Qt::WindowMaximized;
        window->accept();
    });
    p.form.item(QStringLiteral("DruckenohneVorschau1"))->trigger();
    QCOMPARE(caption, QStringLiteral("Druckvorschau")); // no "Drucken" yet in this run
    QVERIFY(maximised);
    QVERIFY(!p.stilora.Form2->isVisible());
}

// "Exportieren" writes Unicode and leaves the document's name, format and title alone.
void TestApp::exportKeepsTheDocument()
{
    Program p;
    p.type(QStringLiteral("logos"));
    QTemporaryDir dir;
    p.dialogs.files << FileDialogAnswer{true, dir.filePath(QStringLiteral("export")), 2}; // Unicode text, no extension typed
    p.form.item(QStringLiteral("Exportieren1"))->trigger();
    QFile f(dir.filePath(QStringLiteral("export.txt")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), QStringLiteral(u"λογοσ"));
    QVERIFY(p.form.state().BasePath.isEmpty());
    QVERIFY(!p.form.state().LegacyFormat());
    QCOMPARE(p.form.windowTitle(), QStringLiteral("Stilora- Ohne Titel"));
    QCOMPARE(p.dialogs.requests.last().filter.split(QLatin1Char('|')).first(), QStringLiteral("OpenDocument-Text (*.odt)"));
    // The item stands right after "Speichern unter" and has no key.
    QAction* saveAs = p.form.item(QStringLiteral("Speichernunter1"));
    QAction* exportItem = p.form.item(QStringLiteral("Exportieren1"));
    auto* datei = qobject_cast<QMenu*>(saveAs->associatedObjects().value(0));
    QVERIFY(datei);
    QCOMPARE(datei->actions().indexOf(exportItem), datei->actions().indexOf(saveAs) + 1);
    QCOMPARE(exportItem->text(), QStringLiteral("E&xportieren..."));
}

// Ctrl+Z (the editor's own key) and Ctrl+R (the menu's) after the menu's
// Ctrl+A and Del: a deletion is a step of its own and every keystroke can be undone.
void TestApp::undoThroughTheMenuKeys_data()
{
    QTest::addColumn<int>("undoKey");
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z);
    QTest::newRow("Ctrl+R") << int(Qt::Key_R);
}

void TestApp::undoThroughTheMenuKeys()
{
    QFETCH(int, undoKey);
    Program p;
    QWidget* editor = p.txt.widget();
    auto typeKey = [&](Qt::Key k, const char* text) { Program::key(editor, k, Qt::NoModifier, QString::fromLatin1(text)); };
    auto undo = [&] { Program::key(editor, undoKey, Qt::ControlModifier); };
    typeKey(Qt::Key_X, "x");
    typeKey(Qt::Key_Y, "y");
    undo();
    QCOMPARE(p.txt.text(), QStringLiteral("x"));
    undo();
    QCOMPARE(p.txt.text(), QString());

    typeKey(Qt::Key_A, "a");
    typeKey(Qt::Key_B, "b");
    Program::key(editor, Qt::Key_A, Qt::ControlModifier);
    Program::key(editor, Qt::Key_Delete);
    QCOMPARE(p.txt.text(), QString());
    typeKey(Qt::Key_Q, "q");
    undo();
    QCOMPARE(p.txt.text(), QString());
    undo();
    QCOMPARE(p.txt.text(), QStringLiteral("ab"));
}

using namespace Qt::StringLiterals;

namespace {
} // namespace

// A file named at start opens by its name's type, as Open's entries read
// it: RTF, the pair (with or without its attribute file), anything else as
// RTF, which reads plain text as well; a file that cannot be read leaves the
// untitled document with the error box; of several, the first opens and the
// rest are named in one notice.
void TestApp::filesNamedAtStart_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("base"); // BasePath's file name, empty: untitled
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("notices");
    const QString andra = QStringLiteral("\u00a5ndra");
    QTest::newRow("rtf") << QStringList{QStringLiteral("ilias.rtf")} << QStringLiteral("ilias.") << false << andra << 0 << 0;
    QTest::newRow("pair by its sri") << QStringList{QStringLiteral("alt.sri")} << QStringLiteral("alt.") << true << QStringLiteral("moi") << 0 << 0;
    QTest::newRow("pair by its txt") << QStringList{QStringLiteral("alt.txt")} << QStringLiteral("alt.") << true << QStringLiteral("moi") << 0 << 0;
    QTest::newRow("plain text") << QStringList{QStringLiteral("notiz.txt")} << QStringLiteral("notiz.") << true << QStringLiteral("logos") << 0 << 0;
    QTest::newRow("other name as rtf") << QStringList{QStringLiteral("brief.doc")} << QStringLiteral("brief.") << false << andra << 0 << 0;
    QTest::newRow("plain text by another name") << QStringList{QStringLiteral("liesmich")} << QStringLiteral("liesmich.") << false
                                                << QStringLiteral("logos") << 0 << 0;
    QTest::newRow("missing") << QStringList{QStringLiteral("fehlt.rtf")} << QString() << false << QString() << 1 << 0;
    QTest::newRow("two files") << QStringList{QStringLiteral("ilias.rtf"), QStringLiteral("notiz.txt")} << QStringLiteral("ilias.") << false
                               << andra << 0 << 1;
}

void TestApp::filesNamedAtStart()
{
    QFETCH(QStringList, names);
    QFETCH(QString, base);
    QFETCH(bool, legacy);
    QFETCH(QString, text);
    QFETCH(int, errors);
    QFETCH(int, notices);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("ilias.rtf")), "{\\rtf1\\ansi{\\fonttbl{\\f0 Greek;}}\\f0\\fs28 \\'a5ndra\\par}");
    writeFile(dir.filePath(QStringLiteral("brief.doc")), "{\\rtf1\\ansi{\\fonttbl{\\f0 Greek;}}\\f0\\fs28 \\'a5ndra\\par}");
    writeFile(dir.filePath(QStringLiteral("notiz.txt")), "logos");
    writeFile(dir.filePath(QStringLiteral("liesmich")), "logos");
    {
        // The pair as the pair writer leaves it.
        Program writer;
        writer.txt.setText(QStringLiteral("moi"));
        writer.form.state().Kind = DocumentKind::Format::Pair;
        writer.form.state().BasePath = dir.filePath(QStringLiteral("alt."));
        QVERIFY(writer.form.files().speich());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("alt.sri"))));
    }
    Program p;
    QStringList paths;
    for (const QString& n : names)
        paths << dir.filePath(n);
    p.form.openFiles(paths);
    QCOMPARE(p.dialogs.errors.size(), errors);
    QCOMPARE(p.dialogs.notices.size(), notices);
    QCOMPARE(p.dialogs.questions, QStringList()); // nothing was typed: nothing is asked
    if (notices)
        QVERIFY(p.dialogs.notices.first().contains(QDir::toNativeSeparators(paths.last())));
    QCOMPARE(p.form.state().BasePath, base.isEmpty() ? QString() : dir.filePath(base));
    QCOMPARE(p.form.state().LegacyFormat(), legacy);
    QCOMPARE(p.txt.text(), text);
    QCOMPARE(p.form.windowTitle() == QStringLiteral("Stilora- Ohne Titel"), base.isEmpty());
    QVERIFY(!p.txt.isModified());
}

void TestApp::namedFilesFromTheCommandLine()
{
    const QStringList args{QStringLiteral("a b.rtf"), QString(), QStringLiteral("file:///tmp/c%20d.sri"), QStringLiteral("/tmp/e.txt")};
    QCOMPARE(namedFiles(args), (QStringList{QStringLiteral("a b.rtf"), QStringLiteral("/tmp/c d.sri"), QStringLiteral("/tmp/e.txt")}));
    QCOMPARE(namedFiles({}), QStringList()); // no argument: the program starts as it always has
    // A file address of a name that is not UTF-8 names its bytes.
    QCOMPARE(encodePath(namedFiles({QStringLiteral("file:///tmp/brief-%E9.rtf")}).value(0)), QByteArray("/tmp/brief-\xe9.rtf"));
}

// A dropped file opens after the unsaved-text question, once the drop has ended.
void TestApp::droppedFileOpensAfterTheQuestion()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("notiz.txt")), "logos");
    Program p;
    p.type(QStringLiteral("abc"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("notiz.txt")))});
    QWidget* viewport = textEdit(p.txt)->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    p.dialogs.threeWay << Dialogs::Answer::Cancel;
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(p.txt.text(), QStringLiteral("abc")); // the name is not entered, nothing asked yet
    QTRY_COMPARE(p.dialogs.questions.size(), 1);
    QCOMPARE(p.txt.text(), QStringLiteral("abc")); // cancelled: the typed text stays
    p.dialogs.threeWay << Dialogs::Answer::No;
    QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &again);
    QDropEvent second(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &second);
    QTRY_COMPARE(p.dialogs.questions.size(), 2);
    QTRY_COMPARE(p.txt.text(), QStringLiteral("logos"));
    QCOMPARE(p.form.state().BasePath, dir.filePath(QStringLiteral("notiz.")));
    // On the window beside the editor as well.
    writeFile(dir.filePath(QStringLiteral("zwei.txt")), "mythos");
    data.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("zwei.txt")))});
    QWidget* ruler = p.form.lineal; // takes no drops itself: the window does
    QDragEnterEvent enterRuler(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ruler, &enterRuler);
    QVERIFY(enterRuler.isAccepted());
    QDropEvent onWindow(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ruler, &onWindow);
    QTRY_COMPARE(p.txt.text(), QStringLiteral("mythos"));
}

// The last four documents opened or saved, newest first, above "B&eenden";
// kept across runs in the settings file; a document gone is taken off with a notice.
void TestApp::recentDocuments()
{
    QTemporaryDir dir;
    const QString conf = dir.filePath(QStringLiteral("config/Stilora.conf"));
    const QStringList names{QStringLiteral("a.rtf"), QStringLiteral("b.txt"), QStringLiteral("c & d.rtf"), QStringLiteral("e.rtf"),
                            QStringLiteral("f.rtf")};
    for (const QString& n : names)
        writeFile(dir.filePath(n), n.endsWith(QLatin1String("txt")) ? QByteArray("logos") : QByteArray("{\\rtf1 x\\par}"));
    auto shown = [](const Program& p) {
        QStringList out;
        for (QAction* a : p.form.recentItems()->items())
            if (a->isVisible())
                out << a->text();
        return out;
    };
    {
        Program p;
        p.form.useSettings(conf);
        QCOMPARE(shown(p), QStringList());
        for (const QString& n : names)
            p.form.openFiles({dir.filePath(n)});
        p.form.openFiles({dir.filePath(QStringLiteral("b.txt"))}); // again: to the top, not twice
        QCOMPARE(p.form.recent().paths(), (QStringList{dir.filePath(QStringLiteral("b.txt")), dir.filePath(QStringLiteral("f.rtf")),
                                                       dir.filePath(QStringLiteral("e.rtf")), dir.filePath(QStringLiteral("c & d.rtf"))}));
        const QStringList captions = shown(p);
        QCOMPARE(captions.size(), 4);
        QVERIFY(captions[0].startsWith(QStringLiteral("&1 ")) && captions[0].endsWith(QStringLiteral("b.txt")));
        QVERIFY(captions[3].startsWith(QStringLiteral("&4 ")) && captions[3].endsWith(QStringLiteral("c && d.rtf")));
        // At the end of "Datei", right above "B&eenden".
        QAction* beenden = p.form.item(QStringLiteral("Beenden2"));
        QMenu* datei = qobject_cast<QMenu*>(beenden->associatedObjects().value(0));
        QVERIFY(datei);
        const QList<QAction*> actions = datei->actions();
        const qsizetype at = actions.indexOf(beenden);
        QVERIFY(actions[at - 1]->isSeparator());
        QCOMPARE(actions[at - 2], p.form.recentItems()->items().last());
        // Saving the pair under a new name heads the list with it.
        p.form.state().Kind = DocumentKind::Format::Pair;
        p.form.state().BasePath = dir.filePath(QStringLiteral("neu."));
        QVERIFY(p.form.files().speich());
        QCOMPARE(p.form.recent().paths().first(), dir.filePath(QStringLiteral("neu.sri")));
        QVERIFY(p.form.close());
    }
    {
        Program p;
        p.form.useSettings(conf);
        QCOMPARE(p.form.recent().paths().first(), dir.filePath(QStringLiteral("neu.sri")));
        QCOMPARE(p.form.recent().paths().size(), 4);
        // An item opens its document with its format.
        p.form.recentItems()->items()[1]->trigger();
        QCOMPARE(p.form.state().BasePath, dir.filePath(QStringLiteral("b.")));
        QVERIFY(p.form.state().LegacyFormat());
        QCOMPARE(p.txt.text(), QStringLiteral("logos"));
        // A removed document: a notice, and it leaves the list.
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("e.rtf"))));
        const int e = int(p.form.recent().paths().indexOf(dir.filePath(QStringLiteral("e.rtf"))));
        QVERIFY(e >= 0);
        p.form.recentItems()->items()[e]->trigger();
        QCOMPARE(p.dialogs.notices.size(), 1);
        QVERIFY(p.dialogs.notices.first().contains(QStringLiteral("e.rtf")));
        QVERIFY(!p.form.recent().paths().contains(dir.filePath(QStringLiteral("e.rtf"))));
        QCOMPARE(shown(p).size(), 3);
        QCOMPARE(p.txt.text(), QStringLiteral("logos")); // the document stays
    }
    Program again;
    again.form.useSettings(conf);
    QVERIFY(!again.form.recent().paths().contains(dir.filePath(QStringLiteral("e.rtf"))));
    QVERIFY(again.dialogs.errors.isEmpty());
}

void TestApp::recentDocumentsFromABrokenSettingsFile()
{
    QTemporaryDir dir;
    const QString conf = dir.filePath(QStringLiteral("Stilora.conf"));
    struct Case {
        QByteArray file;
        int entries;
    };
    const Case cases[] = {
        {"[Dokumente]\nZuletzt=/a.rtf, relativ.rtf, /a.rtf, , /b.txt\n", 2}, // relative, empty and twice: left out
        {"[Dokumente]\nZuletzt=/1.rtf, /2.rtf, /3.rtf, /4.rtf, /5.rtf, /6.rtf\n", 4},
        {"\xff\xfe[[[garbage\x01\n=\n", 0},
        {"[Dokumente]\nZuletzt=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\n", 0},
    };
    for (const Case& c : cases) {
        writeFile(conf, c.file);
        Program p;
        p.form.useSettings(conf);
        QCOMPARE(p.form.recent().paths().size(), c.entries);
        QVERIFY(p.dialogs.errors.isEmpty());
    }
}

// "W&iederholen" after "&Rückgängig", Strg+Y, enabled when the editor can redo.
void TestApp::redoThroughTheMenu()
{
    Program p;
    QAction* redo = p.form.item(QStringLiteral("Wiederholen1"));
    QVERIFY(redo);
    QCOMPARE(redo->text(), QStringLiteral("W&iederholen\tStrg+Y"));
    QMenu* edit = qobject_cast<QMenu*>(redo->associatedObjects().value(0));
    QVERIFY(edit);
    const QList<QAction*> items = edit->actions();
    QCOMPARE(items.indexOf(redo), items.indexOf(p.form.item(QStringLiteral("Rckgngig1"))) + 1);
    p.txt.insertText(QStringLiteral("logos")); // one undo step
    Program::key(p.txt.widget(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(p.txt.text(), QStringLiteral("logos")); // nothing to redo: the key does nothing
    QVERIFY(!redo->isEnabled());
    Program::key(p.txt.widget(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(p.txt.text(), QString());
    Program::key(p.txt.widget(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(redo->isEnabled()); // the menu's opening ran before the key
    QCOMPARE(p.txt.text(), QStringLiteral("logos"));
    Program::key(p.txt.widget(), Qt::Key_R, Qt::ControlModifier);
    emit edit->aboutToShow();
    QVERIFY(redo->isEnabled());
    redo->trigger();
    QCOMPARE(p.txt.text(), QStringLiteral("logos"));
    emit edit->aboutToShow();
    QVERIFY(!redo->isEnabled());
}

// The zoom changes what the editor shows only: the saved RTF, the print's
// source and the size box are the same at every zoom; it is kept across runs.
void TestApp::zoomLeavesTheDocumentAndIsKept()
{
    QTemporaryDir dir;
    const QString conf = dir.filePath(QStringLiteral("Stilora.conf"));
    {
        Program p;
        p.form.useSettings(conf);
        QCOMPARE(p.txt.zoom(), 100);
        p.type(QStringLiteral("<a logos"));
        const QByteArray rtf = rtf::write(p.txt.snapshot());
        const QString size = p.form.grbox->currentText();
        for (int i = 0; i < 3; ++i)
            Program::key(p.txt.widget(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(p.txt.zoom(), 150);
        QCOMPARE(rtf::write(p.txt.snapshot()), rtf);
        QCOMPARE(p.form.grbox->currentText(), size);
        QCOMPARE(p.txt.fontSize(), 14);
        p.dialogs.threeWay << Dialogs::Answer::No;
        QVERIFY(p.form.close());
    }
    Program p;
    p.form.useSettings(conf);
    QCOMPARE(p.txt.zoom(), 150);
    Program::key(p.txt.widget(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(p.txt.zoom(), 100);
}

// Every picture button of the main window and the preview has a German
// name for a screen reader (they show no caption); the search field and the
// character map read their Greek as Unicode.
void TestApp::picturesHaveNames()
{
    Program p;
    const std::pair<QAbstractButton*, const char*> named[] = {
        {p.form.BitBtn10, "Neu"},       {p.form.BitBtn11, "Öffnen"},          {p.form.BitBtn12, "Speichern"},
        {p.form.BitBtn5, "Drucken"},    {p.form.BitBtn1, "Schrift Greek"},    {p.form.BitBtn2, "Schrift Arial"},
        {p.form.BitBtn3, "Schrift kleiner"}, {p.form.BitBtn4, "Schrift größer"}, {p.form.BitBtn6, "Fett"},
        {p.form.BitBtn7, "Kursiv"},     {p.form.BitBtn8, "Unterstrichen"},    {p.form.BitBtn9, "Durchgestrichen"},
        {p.form.sbl, "Linksbündig"},    {p.form.sbm, "Zentriert"},            {p.form.sbr, "Rechtsbündig"}};
    for (const auto& [button, name] : named) {
        QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(button);
        QVERIFY(acc);
        QCOMPARE(acc->text(QAccessible::Name), QString::fromUtf8(name));
    }
    for (QAbstractButton* b : p.stilora.Form2->findChildren<QAbstractButton*>())
        QVERIFY2(!QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name).isEmpty(), qPrintable(b->objectName()));

    p.form.item(QStringLiteral("Suchen1"))->trigger(); // the field in "Greek", as the editor writes
    p.stilora.suchen->stxt->setText(QStringLiteral("\u00a5ndra"));
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(p.stilora.suchen->stxt);
    QVERIFY(field && field->textInterface());
    QCOMPARE(field->textInterface()->text(0, 5), QStringLiteral("ἄνδρα"));
    QVERIFY(!field->textInterface()->characterRect(0).isEmpty());
    p.form.charMap()->setFontName(QStringLiteral("Greek"));
    QAccessibleInterface* map = QAccessible::queryAccessibleInterface(p.form.charMap());
    QVERIFY(map && map->textInterface());
    QCOMPARE(map->textInterface()->characterCount(), 256 - CharMapWindow::kFirst);
    QCOMPARE(map->textInterface()->text(0xa5 - CharMapWindow::kFirst, 0xa6 - CharMapWindow::kFirst), QStringLiteral("ἄ"));
}

// The right mouse button in the editor: the edit commands of the main menu,
// enabled as there, each doing what the main menu's item does.
void TestApp::editorContextMenu_data()
{
    QTest::addColumn<QString>("before"); // t: type "logos", a: select all, u: undo once
    QTest::addColumn<QString>("enabled"); // one letter an item, in the menu's order: 1 enabled, 0 not
    QTest::addColumn<QString>("choose");  // the item's main-menu name
    QTest::addColumn<QString>("text");    // the text after it
    QTest::addColumn<int>("selected");    // the selection's length after it
    QTest::newRow("nothing selected, all selected") << "t" << "1010111" << "Allesmarkieren1" << "logos" << 5;
    QTest::newRow("a selection is deleted") << "ta" << "1011111" << "Lschen1" << "" << 0;
    QTest::newRow("a selection is copied") << "ta" << "1011111" << "Kopieren1" << "logos" << 5;
    QTest::newRow("undone, then redone") << "tu" << "1110111" << "Wiederholen1" << "logos" << 0;
}

void TestApp::editorContextMenu()
{
    QFETCH(QString, before);
    QFETCH(QString, enabled);
    QFETCH(QString, choose);
    QFETCH(QString, text);
    QFETCH(int, selected);
    Program p;
    p.txt.widget()->setFocus();
    if (before.contains(QLatin1Char('t')))
        p.type(QStringLiteral("logos"));
    if (before.contains(QLatin1Char('u'))) {
        p.txt.undo();
        QVERIFY(p.txt.text() != QLatin1String("logos"));
    }
    if (before.contains(QLatin1Char('a')))
        p.txt.selectRange(0, p.txt.textLength());
    QStringList captions;
    QString states;
    QTimer poll;
    poll.setInterval(10);
    int shown = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll.stop();
        ++shown;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            captions << a->text().section(QLatin1Char('\t'), 0, 0);
            states += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        for (QAction* a : menu->actions())
            if (a->objectName() == choose)
                a->trigger();
        menu->close();
    });
    poll.start();
    QWidget* viewport = static_cast<QAbstractScrollArea*>(p.txt.widget())->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 10), viewport->mapToGlobal(QPoint(20, 10)));
    QApplication::sendEvent(viewport, &event);
    QTRY_COMPARE(shown, 1);
    QCOMPARE(captions, (QStringList{u"&Rückgängig"_s, u"W&iederholen"_s, u"&Ausschneiden"_s, u"&Kopieren"_s, u"&Einfügen"_s,
                                    u"&Löschen"_s, u"Alles &markieren"_s}));
    QCOMPARE(states, enabled);
    QCOMPARE(p.txt.text(), text);
    QCOMPARE(p.txt.selLength(), selected);
    if (choose == QLatin1String("Kopieren1"))
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(u"λογοσ")); // other programs get Unicode
}

// Every box is wide enough for its text in its font: the caption of a short
// notice, the preview's zoom, the about window's lines, the font list.
void TestApp::boxesHoldTheirText()
{
    Program p;
    // A notice as short as "3 Stellen ersetzt.": the box holds its caption in
    // a title bar's bold, larger font beside the title bar's buttons.
    QtDialogs dialogs;
    int boxWidth = 0, captionWidth = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        boxWidth = box->width();
        QFont title = box->font();
        title.setBold(true);
        captionWidth = QFontMetrics(title).horizontalAdvance(box->windowTitle());
        box->accept();
    });
    dialogs.notice(&p.form, QStringLiteral("3 Stellen ersetzt."));
    QVERIFY2(boxWidth >= captionWidth + 120, qPrintable(QStringLiteral("%1 for a caption of %2").arg(boxWidth).arg(captionWidth)));

    // The preview's zoom box shows its widest entry whole.
    QComboBox* zoom = p.stilora.Form2->ComboBox1;
    for (const QString& z : {QStringLiteral("300%"), QStringLiteral("400%")}) {
        zoom->setEditText(z);
        QVERIFY2(zoom->lineEdit()->width() >= zoom->lineEdit()->fontMetrics().horizontalAdvance(z) + 4,
                 qPrintable(QStringLiteral("%1 in %2 pixels").arg(z).arg(zoom->lineEdit()->width())));
    }
    QVERIFY(zoom->geometry().right() < p.stilora.Form2->sbzi->geometry().left());

    // The about window holds each of its lines.
    Tinfo* info = p.stilora.info;
    for (QLabel* l : {info->Label1, info->Label2, info->Label3, info->Label4}) {
        QVERIFY2(info->rect().contains(l->geometry()), qPrintable(l->text()));
        QVERIFY(l->width() >= l->sizeHint().width());
    }

    // The font list shows every name whole, however narrow the box.
    p.form.fbox()->showPopup();
    QAbstractItemView* list = p.form.fbox()->view();
    int widest = 0;
    for (int i = 0; i < p.form.fbox()->count(); ++i)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(p.form.fbox()->itemText(i)));
    QVERIFY2(list->viewport()->width() >= widest, qPrintable(QStringLiteral("%1 < %2").arg(list->viewport()->width()).arg(widest)));
    p.form.fbox()->hidePopup();
}

// The help names every command of the menus, and its table of keys is
// exactly the keys of the menu and the editor's own: neither can change
// without the other.
void TestApp::helpNamesEveryCommandAndKey()
{
    Program p;
    QFile file(QStringLiteral(":/help/index.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(file.readAll());
    const QString keysSection = help.mid(help.indexOf(QLatin1String("id=\"tasten\"")));
    QSet<QString> listed;
    static const QRegularExpression kbd(QStringLiteral("<kbd>([^<]+)</kbd>"));
    for (auto m = kbd.globalMatch(keysSection); m.hasNext();)
        listed << m.next().captured(1);
    // The keys the editor itself takes, besides the menu's (undo and redo as
    // every text field has them, the zoom) and the help window's Esc.
    QSet<QString> expected{u"Strg+Z"_s, u"Strg+Umschalt+Z"_s, u"Strg+Plus"_s, u"Strg+Minus"_s, u"Strg+0"_s, u"Strg+Mausrad"_s, u"Esc"_s};
    QStringList missingCommands;
    for (const CommandMenu::Listed& item : p.form.menu().items()) {
        if (item.key != CommandMenu::kNoKey)
            expected << CommandMenu::keyText(item.key);
        QString caption = item.caption;
        caption.remove(QLatin1Char('&'));
        if (caption.endsWith(QLatin1String("...")))
            caption.chop(3);
        if (!help.contains(caption))
            missingCommands << caption;
    }
    QCOMPARE(missingCommands, QStringList());
    QStringList onlyInHelp = (listed - expected).values(), notInHelp = (expected - listed).values();
    onlyInHelp.sort();
    notInHelp.sort();
    QCOMPARE(notInHelp, QStringList());
    QCOMPARE(onlyInHelp, QStringList());
    // What the help says of things beyond the menus.
    for (const char* topic : {"Akzente ignorieren", "zuletzt geöffneten", "Sicherungskopie", "Stilora.conf", "ziehen",
                              "rechte Maustaste", "schreibgeschützt"})
        QVERIFY2(help.contains(QString::fromUtf8(topic)), topic);
}

QTEST_MAIN(TestApp)


namespace {
// Runs `inspect` on the modal dialog a call opens, then closes it.
void whileOpen(const std::function<void(QWidget*)>& inspect)
{
    whenModal([inspect](QWidget* dialog) {
        QVERIFY(dialog);
        inspect(dialog);
        qobject_cast<QDialog*>(dialog)->reject();
    });
}
} // namespace

// Each filter names its pattern once, whether its text has it already or not.
void TestApp::fileDialogPatternsOnce()
{
    QtDialogs dialogs;
    QStringList shown;
    whileOpen([&](QWidget* d) {
        auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
    });
    dialogs.openFile(nullptr, {DocumentCommands::kOpenFilter, DocumentCommands::kOpenExtension, QDir::tempPath()});
    QCOMPARE(shown, (QStringList{QStringLiteral("Stilora 1.1 Dateien (*.rtf) - Rich Text Format)"),
                                 QStringLiteral("Stilora 1.0 und 1.01 Dateien (*.sri)"), QStringLiteral("Nur Text ohne Format (*.txt)"),
                                 QStringLiteral("Word-Dokument (*.docx)"), QStringLiteral("OpenDocument-Text (*.odt)"),
                                 QStringLiteral("Beta Code (*.beta, *.txt)")}));
}

// The answer names the entry that was chosen, as the commands read it: the
// RTF or the pair, the format of an export.
void TestApp::fileDialogTellsTheEntry_data()
{
    QTest::addColumn<int>("entry");
    QTest::newRow("Stilora 1.1 (RTF)") << 1;
    QTest::newRow("Stilora 1.0 and 1.01 (the pair)") << 2;
    QTest::newRow("text without format") << 3;
}

void TestApp::fileDialogTellsTheEntry()
{
    QFETCH(int, entry);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("brief.rtf"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QtDialogs dialogs;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        dialog->selectNameFilter(dialog->nameFilters().at(entry - 1));
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const FileDialogAnswer answer = dialogs.openFile(nullptr, {DocumentCommands::kOpenFilter, DocumentCommands::kOpenExtension, dir.path()});
    QVERIFY(answer.accepted);
    QCOMPARE(answer.path, file);
    QCOMPARE(answer.filterIndex, entry);
}

// The export dialog is captioned "Exportieren" and offers the document's name,
// whose extension follows the chosen format.
void TestApp::exportDialogSuggestsTheName()
{
    QtDialogs dialogs;
    QString caption, name, afterPdf;
    whileOpen([&](QWidget* d) {
        caption = d->windowTitle();
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        name = edit->text();
        auto* dialog = qobject_cast<QFileDialog*>(d);
        QVERIFY(dialog);
        dialog->selectNameFilter(dialog->nameFilters().at(3));
        emit dialog->filterSelected(dialog->nameFilters().at(3));
        afterPdf = edit->text();
    });
    FileDialogRequest request{QStringLiteral("OpenDocument-Text (*.odt)|*.odt|Unicode-Text (*.txt)|*.txt|HTML (*.html)|*.html|PDF (*.pdf)|*.pdf"),
                              QStringLiteral("*.odt"), QDir::tempPath()};
    request.caption = QStringLiteral("Exportieren");
    request.suggestedName = QStringLiteral("ilias.odt");
    dialogs.saveFile(nullptr, request);
    QCOMPARE(caption, QStringLiteral("Exportieren"));
    QCOMPARE(name, QStringLiteral("ilias.odt"));
    QCOMPARE(afterPdf, QStringLiteral("ilias.pdf"));
}

// The help opens on the screen, beside the main window where there is room, and Esc closes it.
void TestApp::helpWindowOnScreenClosesWithEsc()
{
    Program p;
    QtHelp help;
    help.showContents(QStringLiteral("sthilfe.hlp"), &p.form);
    QTextBrowser* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QTextBrowser*>(w); b && b->isVisible())
            window = b;
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect room = window->screen()->availableGeometry();
    QVERIFY2(room.contains(window->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(window->x()).arg(window->y())
                                                                     .arg(window->width()).arg(window->height())));
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!window->isVisible() || window->isHidden());
}

#include "tst_app.moc"
