// Types through a real X server with a German layout (xdotool, XTEST) into the
// main window and reads the editor back: the dead keys exist only on this path.
#include "charmapwindow.h"
#include "codepage.h"
#include "deadkeylayer.h"
#include "greekfont.h"
#include "resultcodes.h"
#include "richtextsurface.h"
#include "qtseams.h"
#include "stilora.h"
#include "tform1.h"
#include "tform2.h"
#include "tinfo.h"
#include "tersetzen.h"
#include "tsuchen.h"
#include "unicodegreek.h"

#include <QCheckBox>

#include "modalwait.h"
#include <QtTest>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTextCursor>
#include <QProcess>
#include <QTextEdit>

namespace {

QByteArray codes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int c : list)
        out.append(char(c));
    return out;
}

// xdotool key names for the characters of a typed sequence on a German keyboard.
QStringList keyNames(const QString& keys)
{
    QStringList out;
    for (QChar ch : keys) {
        switch (ch.unicode()) {
        case 0x00B4: out << QStringLiteral("dead_acute"); break;
        case u'`': out << QStringLiteral("dead_grave"); break;
        case u'^': out << QStringLiteral("dead_circumflex"); break;
        case u'<': out << QStringLiteral("less"); break;
        case u'>': out << QStringLiteral("greater"); break;
        case u'+': out << QStringLiteral("plus"); break;
        case u' ': out << QStringLiteral("space"); break;
        default: out << QString(ch);
        }
    }
    return out;
}

void xdotool(const QStringList& keys)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20")} + keys);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
}

// Waits until the X events have been handled: the text stops changing.
void settle(const std::function<QString()>& read)
{
    QString last = read();
    for (int quiet = 0; quiet < 4;) {
        QTest::qWait(40);
        const QString now = read();
        quiet = now == last ? quiet + 1 : 0;
        last = now;
    }
}

} // namespace

class TestX11Typing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void typed_data();
    void typed();
    void resultTable_data();
    void resultTable();
    void fontBoxTakesDeadKeys();
    void screenshot();
    void captionsAsTheirOwn();
    void altLettersAndF10();
    void fontListAndSizeBox();
    void pasteAndCharacterMap();
    void betaCodeThroughTheClipboard();
    void centredWithoutWrap();
    void undoKeystrokes();
    void searchGreekWord();
    void replaceGreekWord();
    void printPreview();
    void lettersStayWhileAsked();
    void menuKeys(); // last: it ends the program

private:
    void typeInto(const QString& keys);
    QtDialogs m_dialogs;
    QtShell m_shell;
    QtHelp m_help;
    std::unique_ptr<Stilora> m_program;
    TForm1* m_form = nullptr;
};

void TestX11Typing::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(resources::registerGreekFont().isEmpty());
    DeadKeyLayer::install();
    m_program = std::make_unique<Stilora>(Seams{m_dialogs, m_shell, m_help});
    m_form = m_program->Form1;
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestX11Typing::typeInto(const QString& keys)
{
    RichTextSurface& txt = m_form->txt();
    txt.load(styled::Document());
    txt.widget()->setFocus();
    QTRY_VERIFY(txt.widget()->hasFocus());
    xdotool(keyNames(keys));
    settle([&] { return txt.text(); });
}

void TestX11Typing::typed_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("dead acute then h") << QStringLiteral(u"´h") << codes({187});
    QTest::newRow("dead acute then a") << QStringLiteral(u"´a") << codes({163});
    QTest::newRow("less, dead circumflex, w") << QStringLiteral(u"<^w") << codes({239});
    QTest::newRow("dead acute then space") << QStringLiteral(u"´ ") << codes({180});
    QTest::newRow("capital with breathing and accent") << QStringLiteral(u"´<A") << codes({147, 'A'});
    QTest::newRow("iota mark") << QStringLiteral(u"+<´a") << codes({175});
    QTest::newRow("a word") << QStringLiteral(u"l´ogos") << codes({'l', 210, 'g', 'o', 's'});
}

void TestX11Typing::typed()
{
    QFETCH(QString, keys);
    QFETCH(QByteArray, expected);
    typeInto(keys);
    QCOMPARE(codepage::encode(m_form->txt().text()), expected);
}

void TestX11Typing::resultTable_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("expected");
    const QChar accents[] = {QChar(), QChar(0x00B4), QChar(u'`'), QChar(u'^')};
    for (const ResultRow& c : kResultCodes)
        for (int b = 0; b < 3; ++b)
            for (int a = 0; a < 4; ++a)
                if (const int code = c.codes[b * 4 + a]) {
                    QString keys = QString::fromLatin1(kBreathings[b]);
                    if (a)
                        keys += accents[a];
                    QTest::addRow("%c %s %s", c.letter, kBreathings[b], kAccentNames[a]) << keys + QLatin1Char(c.letter) << code;
                }
}

void TestX11Typing::resultTable()
{
    QFETCH(QString, keys);
    QFETCH(int, expected);
    typeInto(QStringLiteral("x ") + keys);
    QCOMPARE(codepage::encode(m_form->txt().text()), QByteArray("x ") + char(expected));
}

void TestX11Typing::fontBoxTakesDeadKeys()
{
    QLineEdit* edit = m_form->fbox()->lineEdit();
    edit->clear();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    xdotool(keyNames(QStringLiteral(u"´u´h")));
    settle([&] { return edit->text(); });
    QCOMPARE(edit->text(), QStringLiteral(u"ú´h"));
    edit->setText(QStringLiteral("Greek"));
}

void TestX11Typing::screenshot()
{
    typeInto(QStringLiteral(u"<´anqrwpos e>^i"));
    QCOMPARE(codepage::encode(m_form->txt().text()), codes({164, 'n', 'q', 'r', 'w', 'p', 'o', 's', ' ', 'e', 141}));
    const QString path = QStringLiteral(STILORA_BINARY_DIR "/x11-typing.png");
    QVERIFY(m_form->grab().save(path));
    qInfo("window picture: %s", qPrintable(path));
}

// The title the X server shows for a window, as a window manager reads it.
QString xTitle(QWidget* w)
{
    QProcess p;
    p.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w->winId()), QStringLiteral("_NET_WM_NAME")});
    if (!p.waitForFinished(10000))
        return {};
    const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    const qsizetype q = out.indexOf(QLatin1Char('"'));
    return q < 0 ? out : out.mid(q + 1).chopped(1);
}

void TestX11Typing::captionsAsTheirOwn()
{
    QTRY_COMPARE(xTitle(m_form), QStringLiteral("Stilora- Ohne Titel"));
    m_form->charMap()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form->charMap()));
    QTRY_COMPARE(xTitle(m_form->charMap()), QStringLiteral("Sonderzeichen"));
    m_form->charMap()->hide();
    m_program->info->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_program->info));
    QTRY_COMPARE(xTitle(m_program->info), QStringLiteral("Info zu Stilora"));
    m_program->info->hide();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestX11Typing::altLettersAndF10()
{
    RichTextSurface& txt = m_form->txt();
    typeInto(QStringLiteral("logos"));
    xdotool({QStringLiteral("alt+d"), QStringLiteral("alt+x"), QStringLiteral("alt+q")});
    settle([&] { return txt.text(); });
    QCOMPARE(txt.text(), QStringLiteral("logos"));
    // AltGr is no Alt: AltGr+Q and AltGr+7 still type @ and {.
    xdotool({QStringLiteral("ISO_Level3_Shift+q"), QStringLiteral("ISO_Level3_Shift+7")});
    settle([&] { return txt.text(); });
    QCOMPARE(txt.text(), QStringLiteral("logos@{"));
    xdotool({QStringLiteral("F10")});
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Datei"));
    xdotool({QStringLiteral("Escape"), QStringLiteral("Escape")});
    QTRY_VERIFY(!QApplication::activePopupWidget());
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestX11Typing::fontListAndSizeBox()
{
    RichTextSurface& txt = m_form->txt();
    typeInto(QStringLiteral("logos"));
    QComboBox* box = m_form->fbox();
    QCOMPARE(QFontInfo(box->font()).family(), QStringLiteral("Greek")); // the sync on the typed keys
    box->setFocus();
    xdotool({QStringLiteral("alt+Down")});
    QTRY_VERIFY(box->view()->isVisible());
    QCOMPARE(box->font().family(), QStringLiteral("Arial"));
    QVERIFY(QFontInfo(box->view()->font()).family() != QStringLiteral("Greek"));
    const QString path = QStringLiteral(STILORA_BINARY_DIR "/x11-font-list.png");
    QVERIFY(box->view()->window()->grab().save(path));
    xdotool({QStringLiteral("Escape")});
    QTRY_VERIFY(!box->view()->isVisible());
    QCOMPARE(QFontInfo(box->font()).family(), QFontInfo(QFont(QStringLiteral("Arial"))).family());

    // Opened with the mouse from the editor: the box's line takes the focus and
    // gives it to the list, which is no choice of a font.
    typeInto(QStringLiteral("logos"));
    QCOMPARE(QFontInfo(box->font()).family(), QStringLiteral("Greek"));
    const QPoint arrow = box->mapToGlobal(QPoint(box->width() - 8, box->height() / 2));
    QProcess click;
    click.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(arrow.x()), QString::number(arrow.y()),
                                            QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(click.waitForFinished(10000));
    QTRY_VERIFY(box->view()->isVisible());
    QCOMPARE(box->font().family(), QStringLiteral("Arial")); // the list is drawn in the box's font
    QCOMPARE(box->currentText(), QStringLiteral("Greek"));
    QCOMPARE(box->view()->currentIndex().data().toString(), QStringLiteral("Greek")); // opened at the current font
    xdotool({QStringLiteral("Escape")});
    QTRY_VERIFY(!box->view()->isVisible());
    QCOMPARE(box->font().family(), QStringLiteral("Arial"));

    // A size typed over a selection: each digit applies, none replaces the text.
    txt.selectRange(0, 5);
    QLineEdit* size = m_form->grbox->lineEdit();
    size->setFocus();
    QTRY_VERIFY(size->hasFocus());
    size->selectAll();
    xdotool({QStringLiteral("1"), QStringLiteral("6")});
    QTRY_COMPARE(size->text(), QStringLiteral("16"));
    QCOMPARE(txt.text(), QStringLiteral("logos"));
    QTRY_COMPARE(txt.fontSize(), 16);
    xdotool({QStringLiteral("Return")});
    QTRY_VERIFY(txt.widget()->hasFocus());
    QCOMPARE(txt.selLength(), 5);
}

// Composed Greek copied and pasted through the X clipboard, and picked from
// the character map, stays what it is; one undo takes a paste back.
void TestX11Typing::pasteAndCharacterMap()
{
    RichTextSurface& txt = m_form->txt();
    typeInto(QStringLiteral(u"poi^w"));
    const QByteArray word = codes({'p', 'o', 'i', 238});
    QCOMPARE(codepage::encode(txt.text()), word);
    xdotool({QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c"), QStringLiteral("End"), QStringLiteral("space"),
             QStringLiteral("ctrl+v")});
    settle([&] { return txt.text(); });
    QCOMPARE(codepage::encode(txt.text()), word + ' ' + word);
    xdotool({QStringLiteral("ctrl+z")});
    settle([&] { return txt.text(); });
    QCOMPARE(codepage::encode(txt.text()), word + ' ');

    xdotool({QStringLiteral("ctrl+e")});
    CharMapWindow* map = m_form->charMap();
    QTRY_VERIFY(map->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(map));
    const int cell = 238 - CharMapWindow::kFirst;
    const QPoint at = map->mapToGlobal(QPoint((cell % CharMapWindow::kColumns) * CharMapWindow::kCell + CharMapWindow::kCell / 2,
                                              (cell / CharMapWindow::kColumns) * CharMapWindow::kCell + CharMapWindow::kCell / 2));
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                        QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(p.waitForFinished(10000));
    settle([&] { return txt.text(); });
    QCOMPARE(codepage::encode(txt.text()), word + ' ' + char(238));
    // The keyboard is the text's again, and the map stays open.
    QTRY_VERIFY(QApplication::activeWindow() == m_form);
    xdotool({QStringLiteral("k")});
    settle([&] { return txt.text(); });
    QCOMPARE(codepage::encode(txt.text()), word + ' ' + char(238) + 'k');
    QVERIFY(map->isVisible());
    map->hide();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

namespace {

// Another program (xclip) owns the X clipboard with `text`, or gives what the clipboard holds.
void xclipIn(const QString& text)
{
    QProcess p;
    p.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
    QVERIFY(p.waitForStarted());
    p.write(text.toUtf8());
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(10000)); // it serves the selection from the background
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), text);
}

QString xclipOut()
{
    // Run beside the event loop, which answers xclip's request for the clipboard.
    QProcess p;
    p.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    [&] { QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 10000); }();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// Beta Code from another program's clipboard comes in with Ctrl+Shift+V as
// one undo step, never composed with a mark typed before it, its Latin text
// in Arial and its losses told; the selection goes out as Beta Code.
void TestX11Typing::betaCodeThroughTheClipboard()
{
    RichTextSurface& txt = m_form->txt();
    typeInto(QStringLiteral("<"));
    const QString mark = txt.text();
    QCOMPARE(codepage::encode(mark), QByteArray("<"));
    xclipIn(QStringLiteral("A)/NDRA MOI E)/NNEPE, *MOU=SA"));
    xdotool({QStringLiteral("ctrl+shift+v")});
    settle([&] { return txt.text(); });
    QCOMPARE(txt.text(), mark + unicodegreek::importGreek(u"ἄνδρα μοι ἔννεπε, Μοῦσα").codes);
    xdotool({QStringLiteral("ctrl+z")});
    settle([&] { return txt.text(); });
    QCOMPARE(txt.text(), mark);

    // Latin text between & and $ in Arial; a macron the font cannot show is told.
    xclipIn(QStringLiteral("&Il. 1.1$ MH=NIN A%26"));
    QString told;
    whenModal([&](QWidget* box) {
        told = qobject_cast<QMessageBox*>(box) ? qobject_cast<QMessageBox*>(box)->text() : QString();
        qobject_cast<QDialog*>(box)->accept();
    });
    xdotool({QStringLiteral("ctrl+shift+v")});
    QTRY_VERIFY(told.contains(QStringLiteral("1 Beta-Code-Zeichen ohne Entsprechung")));
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(txt.text(), mark + QStringLiteral("Il. 1.1") + unicodegreek::importGreek(u" μῆνιν α").codes);
    QCOMPARE(txt.fontNameOfChar(1), QStringLiteral("Arial"));
    QCOMPARE(txt.fontNameOfChar(10), QStringLiteral("Greek"));

    // Out: the Greek as Beta Code, the rest as it is, for the program that takes it.
    txt.setSelStart(1);
    txt.setSelLength(txt.textLength() - 1);
    xdotool({QStringLiteral("alt+b"), QStringLiteral("c")}); // "Bearbeiten", "Als Beta &Code kopieren"
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Il. 1.1 MH=NIN A"));
    QCOMPARE(xclipOut(), QStringLiteral("Il. 1.1 MH=NIN A"));
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

// Without word wrap a long centred paragraph starts where the scroll bar reaches it.
void TestX11Typing::centredWithoutWrap()
{
    RichTextSurface& txt = m_form->txt();
    QString line;
    while (line.size() < 300)
        line += QStringLiteral("logos kai ethos ");
    txt.load(styled::Document::fromPlainText(QStringLiteral("kurz\n") + line + QStringLiteral("\nende"), {}, styled::AlignCentre));
    m_form->item(QStringLiteral("fzu"))->trigger(); // word wrap off
    QVERIFY(!txt.wordWrap());
    QTextEdit* edit = qobject_cast<QTextEdit*>(txt.widget());
    QTRY_VERIFY(txt.layoutComplete() && edit->horizontalScrollBar()->maximum() > 0); // the long line laid out unwrapped
    edit->horizontalScrollBar()->setValue(0);
    QTextCursor c = edit->textCursor();
    c.setPosition(5); // the long line's first character
    QVERIFY(edit->cursorRect(c).left() >= 0);
    c.setPosition(5 + int(line.size()));
    edit->horizontalScrollBar()->setValue(edit->horizontalScrollBar()->maximum());
    QVERIFY(edit->viewport()->rect().contains(edit->cursorRect(c).center()));
    edit->horizontalScrollBar()->setValue(0);
    const QString path = QStringLiteral(STILORA_BINARY_DIR "/x11-centred-nowrap.png");
    QVERIFY(m_form->grab().save(path));
    m_form->item(QStringLiteral("fzu"))->trigger(); // back on
    QVERIFY(txt.wordWrap());
}

// Every keystroke undone one by one back to the empty document; a deletion
// is a step of its own.
void TestX11Typing::undoKeystrokes()
{
    RichTextSurface& txt = m_form->txt();
    auto step = [&](const QStringList& keys) {
        xdotool(keys);
        settle([&] { return txt.text(); });
        return txt.text();
    };
    txt.load(styled::Document());
    txt.widget()->setFocus();
    QTRY_VERIFY(txt.widget()->hasFocus());
    QCOMPARE(step({QStringLiteral("x"), QStringLiteral("y")}), QStringLiteral("xy"));
    QCOMPARE(step({QStringLiteral("ctrl+z")}), QStringLiteral("x"));
    QCOMPARE(step({QStringLiteral("ctrl+z")}), QString());
    step({QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(step({QStringLiteral("ctrl+a"), QStringLiteral("Delete")}), QString());
    QCOMPARE(step({QStringLiteral("q")}), QStringLiteral("q"));
    QCOMPARE(step({QStringLiteral("ctrl+z")}), QString());
    QCOMPARE(step({QStringLiteral("ctrl+z")}), QStringLiteral("ab"));

    // A literal "<a" (loaded) with a letter typed behind it: undo brings back
    // exactly "x <a", never a composed letter, and redo still has the letter.
    txt.load(styled::Document::fromPlainText(QStringLiteral("x <a"), {QStringLiteral("Greek"), 14, 0}));
    txt.setSelStart(4);
    txt.widget()->setFocus();
    QCOMPARE(step({QStringLiteral("b")}), QStringLiteral("x <ab"));
    QCOMPARE(step({QStringLiteral("ctrl+z")}), QStringLiteral("x <a"));
    QCOMPARE(step({QStringLiteral("ctrl+y")}), QStringLiteral("x <ab"));
    QCOMPARE(step({QStringLiteral("ctrl+z")}), QStringLiteral("x <a"));
    QCOMPARE(step({QStringLiteral("ctrl+shift+z")}), QStringLiteral("x <ab"));
}

// A Greek word typed into the search field with the editor's keys, found
// with Enter and again with F3.
void TestX11Typing::searchGreekWord()
{
    RichTextSurface& txt = m_form->txt();
    typeInto(QStringLiteral(u"<´anqrwpos kai <´anqrwpos"));
    const QByteArray word("\xa4nqrwpos");
    QCOMPARE(codepage::encode(txt.text()), word + " kai " + word);
    Tsuchen* dialog = m_program->suchen;
    dialog->CheckBox3->setChecked(true);
    xdotool({QStringLiteral("ctrl+f")});
    QTRY_VERIFY(dialog->isVisible());
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->stxt->setFocus();
    QTRY_VERIFY(dialog->stxt->hasFocus());
    xdotool(keyNames(QStringLiteral(u"<´anqrwpos")));
    settle([&] { return dialog->stxt->text(); });
    QCOMPARE(codepage::encode(dialog->stxt->text()), word);
    QCOMPARE(QFontInfo(dialog->stxt->font()).family(), QStringLiteral("Greek"));
    xdotool({QStringLiteral("Return")});
    QTRY_COMPARE(txt.selLength(), 8);
    QCOMPARE(txt.selStart(), 0);
    QVERIFY(dialog->stxt->hasFocus()); // the focus stays in the dialog
    xdotool({QStringLiteral("F3")});
    QTRY_COMPARE(txt.selStart(), 13);
    QCOMPARE(txt.selLength(), 8);
    dialog->hide();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

// "Ersetzen" on the real keyboard: both fields compose Greek as the editor
// does; with "Akzente ignorieren" every form of the word is replaced, one
// step at a time and all at once, and one undo brings all of them back.
void TestX11Typing::replaceGreekWord()
{
    RichTextSurface& txt = m_form->txt();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    typeInto(QStringLiteral(u"<´anqrwpos kai anqrwpos"));
    const QByteArray before("\xa4nqrwpos kai anqrwpos");
    QCOMPARE(codepage::encode(txt.text()), before);
    txt.setSelStart(0);
    xdotool({QStringLiteral("ctrl+h")});
    Tersetzen* dialog = m_form->replaceDialog();
    QTRY_VERIFY(dialog->isVisible());
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->CheckBox4->setChecked(true);
    QVERIFY(m_program->suchen->CheckBox4->isChecked()); // one state in both dialogs
    dialog->stxt->setFocus();
    QTRY_VERIFY(dialog->stxt->hasFocus());
    dialog->stxt->clear();
    xdotool(keyNames(QStringLiteral(u"anqrwpos")));
    settle([&] { return dialog->stxt->text(); });
    xdotool({QStringLiteral("Tab")});
    QTRY_VERIFY(dialog->etxt->lineEdit()->hasFocus());
    xdotool(keyNames(QStringLiteral(u"l´ogos")));
    settle([&] { return dialog->etxt->currentText(); });
    QCOMPARE(codepage::encode(dialog->etxt->currentText()), QByteArray("l\xd2gos"));
    QCOMPARE(QFontInfo(dialog->etxt->lineEdit()->font()).family(), QStringLiteral("Greek"));
    // "Ersetzen" twice: the first press finds the word with its marks, the second replaces it.
    xdotool({QStringLiteral("alt+e")});
    QTRY_COMPARE(txt.selLength(), 8);
    xdotool({QStringLiteral("alt+e")});
    QTRY_COMPARE(codepage::encode(txt.text()), QByteArray("l\xd2gos kai anqrwpos"));
    QCOMPARE(txt.selStart(), 10); // the next one selected
    txt.setText(codepage::decode(before));
    // "Alle ersetzen" tells its count in a box, closed with Return.
    whenModal([](QWidget*) { xdotool({QStringLiteral("Return")}); });
    xdotool({QStringLiteral("alt+a")});
    QTRY_COMPARE(codepage::encode(txt.text()), QByteArray("l\xd2gos kai l\xd2gos"));
    QTRY_VERIFY(!QApplication::activeModalWidget());
    txt.undo();
    QCOMPARE(codepage::encode(txt.text()), before);
    dialog->hide();
    dialog->CheckBox4->setChecked(false);
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

// Ctrl+P shows the preview beside the main window; its page buttons by the mouse, Esc closes it.
void TestX11Typing::printPreview()
{
    QString many;
    for (int i = 0; i < 100; ++i)
        many += QStringLiteral("<´anqrwpos kai logos %1\n").arg(i);
    m_form->txt().load(styled::Document::fromPlainText(many));
    m_form->txt().widget()->setFocus();
    xdotool({QStringLiteral("ctrl+p")});
    TForm2* preview = m_program->Form2;
    QTRY_VERIFY(preview->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(preview->mSeite->text() == QStringLiteral(" Seite 1 von 3"), 10000);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    const QPoint next = preview->sbv->mapToGlobal(preview->sbv->rect().center());
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(next.x()), QString::number(next.y()),
                                        QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(p.waitForFinished(10000));
    QTRY_COMPARE(preview->mSeite->text(), QStringLiteral(" Seite 2 von 3"));
    QVERIFY(preview->grab().save(QStringLiteral(STILORA_BINARY_DIR "/x11-preview.png")));
    preview->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(preview));
    xdotool({QStringLiteral("Escape")});
    QTRY_VERIFY(!preview->isVisible());
    m_form->txt().setModified(false);
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

// The menu's keys through the real keyboard: Ctrl+E, Del, F1, and Ctrl+Del last.
void TestX11Typing::menuKeys()
{
    RichTextSurface& txt = m_form->txt();
    typeInto(QStringLiteral("logos"));
    txt.selectRange(1, 2);
    xdotool({QStringLiteral("Delete")});
    settle([&] { return txt.text(); });
    QCOMPARE(txt.text(), QStringLiteral("los"));
    xdotool({QStringLiteral("Delete")}); // nothing selected: nothing deleted
    settle([&] { return txt.text(); });
    QCOMPARE(txt.text(), QStringLiteral("los"));

    xdotool({QStringLiteral("ctrl+e")});
    QTRY_VERIFY(m_form->charMap()->isVisible());
    QVERIFY(m_form->isVisible());

    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    xdotool({QStringLiteral("F1")});
    auto helpShown = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("Stilora – Hilfe"))
                return true;
        return false;
    };
    QTRY_VERIFY(helpShown());

    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    // The text was changed: closing asks first; the answer here is No.
    QStringList asked;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked << box->text();
            box->button(QMessageBox::No)->click();
        }
    });
    answer.start();
    xdotool({QStringLiteral("ctrl+Delete")});
    QTRY_VERIFY(!m_form->isVisible());
    QCOMPARE(asked, QStringList{QStringLiteral("Der Text wurde geändert. Änderungen speichern?")});
}

// While the question before discarding the text is open, the editor behind it
// draws its letters as before: its drawing does not depend on whether its
// window is the active one.
void TestX11Typing::lettersStayWhileAsked()
{
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    typeInto(QStringLiteral(u"´<A >A +<´a <´H logos"));
    m_form->txt().selectRange(2, 6); // a selection drawn over part of them
    auto* edit = qobject_cast<QTextEdit*>(m_form->txt().widget());
    QVERIFY(edit);
    const int caretWidth = edit->cursorWidth();
    edit->setCursorWidth(0); // the blinking caret aside, the pictures must match
    QCoreApplication::processEvents();
    const QImage active = edit->viewport()->grab().toImage();
    QImage asked;
    QString caption;
    whenModal([&](QWidget* question) {
        asked = edit->viewport()->grab().toImage();
        if (question) {
            caption = question->windowTitle();
            qobject_cast<QDialog*>(question)->reject(); // Abbrechen: New goes no further
        }
    });
    m_form->item(QStringLiteral("Neu1"))->trigger();
    edit->setCursorWidth(caretWidth);
    QCOMPARE(caption, QStringLiteral("Achtung!"));
    QVERIFY(!active.isNull());
    if (asked != active) {
        active.save(QStringLiteral(STILORA_BINARY_DIR "/x11-active.png"));
        asked.save(QStringLiteral(STILORA_BINARY_DIR "/x11-asked.png"));
    }
    QVERIFY2(asked == active, "the editor drew differently behind the question (x11-active.png, x11-asked.png)");
    QVERIFY(!m_form->txt().text().isEmpty()); // cancelled: the text stays
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

int main(int argc, char* argv[])
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    // The program starts where an options file of the form's defaults lies.
    QTemporaryDir start;
    QDir::setCurrent(start.path());
    QFile options(QStringLiteral("option.dat"));
    if (!options.open(QIODevice::WriteOnly) || options.write(QByteArray("\1\1\1", 3) + QByteArray(99, '\0')) != 102)
        return 1;
    options.close();
    TestX11Typing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11typing.moc"

