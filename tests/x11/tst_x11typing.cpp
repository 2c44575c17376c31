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

#include <QtTest>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
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
    void menuKeys();

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
    txt.clearAll();
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
    const QString path = QStringLiteral(STILORA_BINARY_DIR "/x11-typing.png");
    QVERIFY(m_form->grab().save(path));
    qInfo("window picture: %s", qPrintable(path));
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
    xdotool({QStringLiteral("ctrl+Delete")});
    QTRY_VERIFY(!m_form->isVisible());
}

int main(int argc, char* argv[])
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    TestX11Typing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11typing.moc"
