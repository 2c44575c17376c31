// The program itself, started as users start it, typed into through a real
// X server with a German layout, killed with SIGKILL and started again: what
// comes back is what its recovery copy held, and a proper close leaves
// nothing to come back. Started with files as the file manager starts it,
// and given a file dragged from another program.
#include "atomicfiles.h"
#include "recoverystore.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include "testfiles.h"
#include <QtTest>

#include <QDrag>
#include <QMimeData>
#include <QRasterWindow>
#include <QUrl>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// xdotool with a time limit; its output.
QString xdotool(const QStringList& args, int ms = 15000)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first visible window whose name matches, waited for; empty when none comes.
QString windowNamed(const QString& pattern, int ms = 15000)
{
    const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), pattern},
                                ms);
    return ids.section(QLatin1Char('\n'), 0, 0);
}

// Makes a window the active one, as a click on it would, through the window
// manager (which may refuse a bare focus request), and waits until it is.
bool activate(const QString& window)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}, 3000);
        if (xdotool({QStringLiteral("getactivewindow")}) == window)
            return true;
        QTest::qWait(100);
    }
    return false;
}

// The visible window whose title matches, looked for again and again (a
// title changes after the window appeared); empty when none comes in time.
QString titled(const QString& pattern, int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern}, 2000);
        if (!ids.isEmpty())
            return ids.section(QLatin1Char('\n'), 0, 0);
        QTest::qWait(200);
    } while (t.elapsed() < ms);
    return {};
}

void keys(const QString& window, const QStringList& names)
{
    QVERIFY(activate(window)); // active: the keys go to it
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")} + names);
}


struct Copy {
    QString id;
    styled::Document document;
    recovery::Meta meta;
};

// The copies (whole ones) in the folder, by id.
QList<Copy> copiesIn(const QString& folder)
{
    QList<Copy> out;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("copy-*.meta")}, QDir::Files)) {
        const QString stem = QDir(folder).filePath(name.chopped(5));
        const std::optional<recovery::Meta> meta = recovery::decodeMeta(fileBytes(stem + QStringLiteral(".meta")));
        const QByteArray rtf = fileBytes(stem + QStringLiteral(".rtf"));
        if (!meta || rtf.size() != meta->size)
            continue;
        out << Copy{name.mid(5).chopped(5), rtf::read(rtf).document, *meta};
    }
    return out;
}

// Waits until the folder holds a whole copy other than `except` whose text
// passes `ok`.
std::optional<Copy> waitForCopy(const QString& folder, const QString& except, int ms, const std::function<bool(const Copy&)>& ok)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        for (const Copy& c : copiesIn(folder))
            if (c.id != except && ok(c))
                return c;
        QTest::qWait(200);
    }
    return std::nullopt;
}

// The program's environment: a home, data (recovery copies), settings and
// runtime (locks) folders of its own, the X server, no input method.
QProcessEnvironment environment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_IM_MODULE"), QStringLiteral("none"));
    return env;
}

// The program in its own folders: data (recovery copies) and working folder.
struct Program {
    QProcess p;
    Program(const QString& home, const QStringList& arguments = {})
    {
        p.setProcessEnvironment(environment(home));
        p.setWorkingDirectory(home + QStringLiteral("/cwd"));
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(STILORA_EXECUTABLE), arguments);
    }
    ~Program()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
};

} // namespace

class TestX11Recovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void killedThenRestored();
    void killedThenDeclined();
    void startedWithFiles_data();
    void startedWithFiles();
    void fileDraggedFromAnotherProgram_data();
    void fileDraggedFromAnotherProgram();
    void politeEndKeepsTheText_data();
    void politeEndKeepsTheText();
    void fastTypingCopiedInTime();
    void nameThatIsNotUtf8();

private:
    // Starts the program, opens brief.rtf, types Greek before its text, waits
    // for the copy and kills the program; the copy it left.
    std::optional<Copy> typeAndKill();

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_folder;
    styled::Document m_brief;
};

void TestX11Recovery::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(m_home->filePath(QStringLiteral("cwd"))));
    QVERIFY(QFile::copy(QStringLiteral(STILORA_SOURCE_DIR "/option.dat"), m_home->filePath(QStringLiteral("cwd/option.dat"))));
    m_folder = m_home->filePath(QStringLiteral("data/Stilora/recovery"));
    styled::DocumentBuilder b;
    b.append(QStringLiteral("lo/gos"), {QStringLiteral("Greek"), 20, styled::Bold});
    b.breakParagraph();
    b.setAlignment(styled::AlignRight);
    b.append(QStringLiteral("Brief"), {QStringLiteral("Arial"), 12, styled::Italic});
    m_brief = b.take();
    QFile f(m_home->filePath(QStringLiteral("brief.rtf")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(rtf::write(m_brief));
}

std::optional<Copy> TestX11Recovery::typeAndKill()
{
    Program first(m_home->path());
    const QString window = windowNamed(QStringLiteral("^Stilora"));
    if (window.isEmpty()) {
        qWarning("the main window did not appear");
        return std::nullopt;
    }
    // Open brief.rtf through the open dialog, by its full name.
    keys(window, {QStringLiteral("ctrl+o")});
    const QString dialog = windowNamed(QStringLiteral("ffnen"));
    if (dialog.isEmpty()) {
        qWarning("the open dialog did not appear");
        return std::nullopt;
    }
    // A dialog shown for the first time in a fresh session may still be
    // filling itself when it appears: the name is typed once it has settled,
    // and typed anew (over whatever came through) when it was not taken.
    auto dialogShown = [&] {
        return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral("ffnen")},
                       2000) == dialog;
    };
    QString opened;
    for (int attempt = 0; attempt < 3 && opened.isEmpty() && dialogShown(); ++attempt) {
        if (!activate(dialog))
            continue;
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), m_home->filePath(QStringLiteral("brief.rtf"))});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        opened = titled(QStringLiteral("^Stilora - brief"), 8000);
    }
    if (opened.isEmpty())
        opened = titled(QStringLiteral("^Stilora - brief"), 8000); // the dialog went: the title follows
    if (opened.isEmpty()) {
        qWarning("brief.rtf was not opened");
        return std::nullopt;
    }
    // The title names the document before it is read: the keys wait until
    // the dialog is gone and the window has settled, as a user's would.
    for (int i = 0; i < 25 && !xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                         QStringLiteral("ffnen")}, 2000).isEmpty(); ++i)
        QTest::qWait(200);
    // Before "lo/gos", in its font: a breathing and a word.
    keys(window, {QStringLiteral("less"), QStringLiteral("a"), QStringLiteral("n"), QStringLiteral("d"), QStringLiteral("r"),
                  QStringLiteral("o"), QStringLiteral("s"), QStringLiteral("space")});
    std::optional<Copy> copy = waitForCopy(m_folder, {}, 20000, [](const Copy& c) { return c.document.length() > 14; });
    first.p.kill();
    first.p.waitForFinished(5000);
    return copy;
}

// Started as the file manager starts it: the named file opens in its
// format, which a save then keeps; a missing file leaves the untitled
// document after the error box; of two, the second is named in a notice.
void TestX11Recovery::startedWithFiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("box");   // the window that comes first, empty: none
    QTest::addColumn<QString>("title"); // then the main window's
    QTest::addColumn<QString>("saved"); // the file a save writes, empty: none to check
    QTest::newRow("rtf") << QStringList{QStringLiteral("../brief.rtf")} << QString() << QStringLiteral("^Stilora - brief")
                         << QStringLiteral("brief.rtf");
    QTest::newRow("pair's text") << QStringList{QStringLiteral("../alt.txt")} << QString() << QStringLiteral("^Stilora - alt")
                                 << QStringLiteral("alt.txt");
    QTest::newRow("missing") << QStringList{QStringLiteral("../fehlt.rtf")} << QStringLiteral("^Stilora$")
                             << QStringLiteral("^Stilora- Ohne Titel") << QString();
    QTest::newRow("two files") << QStringList{QStringLiteral("../brief.rtf"), QStringLiteral("../alt.txt")} << QStringLiteral("Achtung")
                               << QStringLiteral("^Stilora - brief") << QString();
}

void TestX11Recovery::startedWithFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, box);
    QFETCH(QString, title);
    QFETCH(QString, saved);
    {
        QFile alt(m_home->filePath(QStringLiteral("alt.txt")));
        QVERIFY(alt.open(QIODevice::WriteOnly));
        alt.write("moi");
    }
    Program p(m_home->path(), arguments);
    if (!box.isEmpty()) {
        const QString asked = windowNamed(box);
        QVERIFY2(!asked.isEmpty(), "the message did not appear");
        keys(asked, {QStringLiteral("Return")});
    }
    const QString window = windowNamed(title);
    QVERIFY2(!window.isEmpty(), qPrintable(title));
    if (saved.isEmpty())
        return;
    // "e" at the start, saved in the document's own format.
    const QByteArray before = fileBytes(m_home->filePath(saved));
    keys(window, {QStringLiteral("ctrl+Home"), QStringLiteral("e"), QStringLiteral("ctrl+s")});
    QTRY_VERIFY_WITH_TIMEOUT(fileBytes(m_home->filePath(saved)) != before, 10000);
    if (saved.endsWith(QLatin1String(".txt"))) {
        QCOMPARE(fileBytes(m_home->filePath(saved)), QByteArray("emoi"));
        QVERIFY(QFile::exists(m_home->filePath(QStringLiteral("alt.sri")))); // the pair, as it was opened
    } else {
        QCOMPARE(rtf::read(fileBytes(m_home->filePath(saved))).document.paragraphs.first().runs.first().text,
                 QStringLiteral("elo/gos"));
    }
}

// A file dragged from this test's own window (as from a file manager) over
// the X server's drag and drop onto the editor: it opens, its name is not typed.
void TestX11Recovery::fileDraggedFromAnotherProgram_data()
{
    QTest::addColumn<QPoint>("target"); // on the screen; the window stands at 58, 69
    QTest::newRow("the editor") << QPoint(410, 270);
    QTest::newRow("the ruler") << QPoint(400, 168);
}

void TestX11Recovery::fileDraggedFromAnotherProgram()
{
    QFETCH(QPoint, target);
    {
        QFile alt(m_home->filePath(QStringLiteral("alt.txt")));
        QVERIFY(alt.open(QIODevice::WriteOnly));
        alt.write("moi");
    }
    Program p(m_home->path());
    const QString window = windowNamed(QStringLiteral("^Stilora- Ohne Titel"));
    QVERIFY(!window.isEmpty());
    QRasterWindow source;
    source.setGeometry(900, 600, 120, 120);
    source.show();
    QVERIFY(QTest::qWaitForWindowExposed(&source));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("960"), QStringLiteral("660")});
    QTRY_COMPARE(QCursor::pos(), QPoint(960, 660));
    xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    QTRY_VERIFY(QGuiApplication::mouseButtons() & Qt::LeftButton); // the press has reached the source
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(m_home->filePath(QStringLiteral("alt.txt")))});
    auto* drag = new QDrag(&source);
    drag->setMimeData(data);
    // The hand that moves the mouse while the drag runs: to the editor, a
    // little further (the target sees it move), and let go.
    QProcess::startDetached(QStringLiteral("sh"),
                            {QStringLiteral("-c"), QStringLiteral("sleep 0.5; xdotool mousemove 700 500; sleep 0.3; "
                                                                  "xdotool mousemove %1 %2; sleep 0.3; xdotool mousemove %3 %4; "
                                                                  "sleep 0.5; xdotool mouseup 1")
                                                       .arg(target.x() - 10)
                                                       .arg(target.y() - 2)
                                                       .arg(target.x())
                                                       .arg(target.y())});
    const Qt::DropAction done = drag->exec(Qt::CopyAction);
    QCOMPARE(done, Qt::CopyAction);
    // The program asks this one for the file's name after the drop: the
    // event loop runs while it is waited for.
    QString opened;
    QElapsedTimer waited;
    waited.start();
    while (opened.isEmpty() && waited.elapsed() < 15000) {
        QTest::qWait(200);
        opened = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("^Stilora - alt")},
                         2000);
    }
    QVERIFY2(!opened.isEmpty(), "the dropped file was not opened");
    // Saved, it is the pair it was opened as, without the file's name in its text.
    keys(windowNamed(QStringLiteral("^Stilora - alt")), {QStringLiteral("ctrl+s")});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_home->filePath(QStringLiteral("alt.sri"))), 10000);
    QCOMPARE(fileBytes(m_home->filePath(QStringLiteral("alt.txt"))), QByteArray("moi"));
}

// Asked to end from outside (a shutdown, `kill`): the text typed a moment
// ago goes into a last copy, the program ends at once, and the next start
// offers the copy.
void TestX11Recovery::politeEndKeepsTheText_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestX11Recovery::politeEndKeepsTheText()
{
    QFETCH(int, signal);
    Program first(m_home->path(), {QStringLiteral("../brief.rtf")});
    const QString window = windowNamed(QStringLiteral("^Stilora - brief"));
    QVERIFY(!window.isEmpty());
    keys(window, {QStringLiteral("ctrl+Home"), QStringLiteral("x"), QStringLiteral("y")});
    QTRY_VERIFY_WITH_TIMEOUT(!windowNamed(QStringLiteral("^Stilora - brief"), 1000).isEmpty(), 5000);
    QTest::qWait(300); // the keys are in; no pause of five seconds has passed
    QVERIFY(copiesIn(m_folder).isEmpty());
    ::kill(pid_t(first.p.processId()), signal);
    QVERIFY(first.p.waitForFinished(10000));
    QCOMPARE(first.p.exitStatus(), QProcess::NormalExit);
    const QList<Copy> left = copiesIn(m_folder);
    QCOMPARE(left.size(), 1);
    QVERIFY2(left.first().document.plainText().startsWith(QStringLiteral("xylo/gos")), qPrintable(left.first().document.describe()));
    Program second(m_home->path());
    QVERIFY2(!windowNamed(QStringLiteral("^Achtung!$")).isEmpty(), "the program did not offer the copy");
}

// Keys as fast as a machine sends them, a thousand a second for longer
// than the longest interval: the first copy comes within it all the same.
void TestX11Recovery::fastTypingCopiedInTime()
{
    Program p(m_home->path(), {QStringLiteral("../brief.rtf")});
    const QString window = windowNamed(QStringLiteral("^Stilora - brief"));
    QVERIFY(!window.isEmpty());
    QVERIFY(activate(window));
    QProcess typist;
    typist.start(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("1"),
                                            QString(90'000, QLatin1Char('k'))});
    QVERIFY(typist.waitForStarted());
    QElapsedTimer since;
    since.start();
    // The typing begins (the title shows the change) ...
    QTRY_VERIFY_WITH_TIMEOUT(!windowNamed(QStringLiteral("^Stilora - brief"), 500).isEmpty(), 5000);
    std::optional<Copy> copy;
    while (!copy && since.elapsed() < 45000) {
        const QList<Copy> copies = copiesIn(m_folder);
        if (!copies.isEmpty())
            copy = copies.first();
        else
            QTest::qWait(100);
    }
    const qint64 after = since.elapsed();
    const bool stillTyping = typist.state() != QProcess::NotRunning;
    // A typist stopped between a key's press and its release would leave the
    // key to repeat into the next test: the key is let go of after it.
    typist.kill();
    typist.waitForFinished(5000);
    xdotool({QStringLiteral("keyup"), QStringLiteral("k")});
    QVERIFY2(copy, "no copy while typing");
    QVERIFY2(stillTyping, "the typing ended before the copy came");
    // 30 s from the first key, which comes a moment after the typist starts.
    QVERIFY2(after <= 31500, qPrintable(QStringLiteral("the first copy came %1 ms after the typing began").arg(after)));
    QVERIFY(copy->document.plainText().startsWith(QStringLiteral("kkkk")));
}

// A document whose name is not UTF-8, named at start: it opens, its copy
// keeps its name byte for byte, and Save writes that very file.
void TestX11Recovery::nameThatIsNotUtf8()
{
    const QByteArray name = QFile::encodeName(m_home->path()) + "/brief-\xe9.rtf";
    const QByteArray rtf = fileBytes(m_home->filePath(QStringLiteral("brief.rtf")));
    {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, rtf.constData(), size_t(rtf.size())), ssize_t(rtf.size()));
        ::close(fd);
    }
    // The name goes to the program as its bytes, through a script of those bytes.
    const QByteArray script = QFile::encodeName(m_home->filePath(QStringLiteral("start.sh")));
    {
        QFile f(QFile::decodeName(script));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("exec '" + QFile::encodeName(QStringLiteral(STILORA_EXECUTABLE)) + "' '" + name + "'\n");
    }
    QProcess p;
    p.setProcessEnvironment(environment(m_home->path()));
    p.setWorkingDirectory(m_home->filePath(QStringLiteral("cwd")));
    p.start(QStringLiteral("/bin/sh"), {QFile::decodeName(script)});
    const QString window = windowNamed(QStringLiteral("^Stilora - Brief-"));
    QVERIFY2(!window.isEmpty(), "the document was not opened");
    keys(window, {QStringLiteral("ctrl+Home"), QStringLiteral("e")});
    const std::optional<Copy> copy = waitForCopy(m_folder, {}, 15000, [](const Copy&) { return true; });
    QVERIFY2(copy, "no copy");
    QCOMPARE(encodePath(copy->meta.session.basePath), QFile::encodeName(m_home->path()) + "/brief-\xe9.");
    keys(window, {QStringLiteral("ctrl+s")});
    QTRY_VERIFY_WITH_TIMEOUT(readWholeFile(decodePath(name)) != rtf, 10000);
    const QString saved = rtf::read(readWholeFile(decodePath(name))).document.plainText();
    QVERIFY2(saved.startsWith(QStringLiteral("elo/gos")), qPrintable(saved));
    // Nothing was written under another name: the folder's files by their bytes.
    QList<QByteArray> names;
    if (DIR* d = ::opendir(QFile::encodeName(m_home->path()).constData())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_type == DT_REG)
                names << QByteArray(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (QList<QByteArray>{"brief-\xe9.rtf", "brief.rtf", "start.sh"}));
    p.kill();
    p.waitForFinished(5000);
}

void TestX11Recovery::killedThenRestored()
{
    const std::optional<Copy> left = typeAndKill();
    QVERIFY2(left, "no recovery copy appeared after typing");
    // The copy holds the typed word composed, before the document's text, in its format.
    const styled::Paragraph& first = left->document.paragraphs.first();
    QVERIFY2(first.runs.size() == 1, qPrintable(left->document.describe()));
    QVERIFY2(first.runs.first().format == (styled::CharFormat{QStringLiteral("Greek"), 20, styled::Bold}),
             qPrintable(left->document.describe()));
    QCOMPARE(first.runs.first().text.size(), 13); // a composed letter, five, a space, then lo/gos
    QVERIFY(first.runs.first().text.endsWith(QStringLiteral("ndros lo/gos")));
    QVERIFY(left->document.paragraphs.last() == m_brief.paragraphs.last());
    QCOMPARE(left->meta.session.basePath, m_home->filePath(QStringLiteral("brief.")));

    Program second(m_home->path());
    const QString question = windowNamed(QStringLiteral("^Achtung!$"));
    QVERIFY2(!question.isEmpty(), "the program did not offer the copy");
    keys(question, {QStringLiteral("j")});
    // Restored: its own copy holds exactly what the dead one's held.
    const std::optional<Copy> mine = waitForCopy(m_folder, left->id, 10000, [](const Copy&) { return true; });
    QVERIFY2(mine, "the restored text has no copy of its own");
    QVERIFY2(mine->document == left->document, qPrintable(mine->document.describe()));
    QCOMPARE(mine->meta.session, left->meta.session);
    QVERIFY(!windowNamed(QStringLiteral("^Stilora - brief")).isEmpty());
    QCOMPARE(copiesIn(m_folder).size(), 1); // the dead program's copy is gone

    // It counts as changed: closing asks; Nein gives it up and leaves nothing.
    keys(windowNamed(QStringLiteral("^Stilora - brief")), {QStringLiteral("ctrl+Delete")});
    const QString unsaved = windowNamed(QStringLiteral("^Achtung!$"));
    QVERIFY2(!unsaved.isEmpty(), "closing did not ask about the changed text");
    keys(unsaved, {QStringLiteral("n")});
    QVERIFY(second.p.waitForFinished(10000));
    QCOMPARE(second.p.exitCode(), 0);
    QCOMPARE(QDir(m_folder).entryList({QStringLiteral("copy-*")}, QDir::Files), QStringList());

    // The next start asks nothing.
    Program third(m_home->path());
    const QString window = windowNamed(QStringLiteral("^Stilora"));
    QVERIFY(!window.isEmpty());
    QVERIFY(windowNamed(QStringLiteral("^Achtung!$"), 3000).isEmpty());
    keys(window, {QStringLiteral("ctrl+Delete")});
    QVERIFY(third.p.waitForFinished(10000));
    QCOMPARE(QDir(m_folder).entryList({QStringLiteral("copy-*")}, QDir::Files), QStringList());
}

void TestX11Recovery::killedThenDeclined()
{
    const std::optional<Copy> left = typeAndKill();
    QVERIFY2(left, "no recovery copy appeared after typing");
    Program second(m_home->path());
    const QString question = windowNamed(QStringLiteral("^Achtung!$"));
    QVERIFY2(!question.isEmpty(), "the program did not offer the copy");
    keys(question, {QStringLiteral("n")});
    QVERIFY(!windowNamed(QStringLiteral("^Stilora- Ohne Titel$")).isEmpty());
    QTRY_COMPARE(QDir(m_folder).entryList({QStringLiteral("copy-*.rtf")}, QDir::Files), QStringList());
    const QStringList aside = QDir(m_folder).entryList({QStringLiteral("discarded-*.rtf")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QVERIFY(rtf::read(fileBytes(QDir(m_folder).filePath(aside.first()))).document == left->document);
    // Unchanged, the program closes without a question and leaves no copy.
    keys(windowNamed(QStringLiteral("^Stilora")), {QStringLiteral("ctrl+Delete")});
    QVERIFY(second.p.waitForFinished(10000));
    QCOMPARE(QDir(m_folder).entryList({QStringLiteral("copy-*")}, QDir::Files), QStringList());
}

QTEST_MAIN(TestX11Recovery) // a window of its own: the drag source
#include "tst_x11recovery.moc"
