// The options file byte for byte, and OptRead/OptSave on the controls it belongs to.
#include "atomicfiles.h"
#include "codepage.h"
#include "ioerror.h"
#include "optionsfile.h"
#include "optionsrecord.h"
#include "sharedstate.h"

#include "programsettings.h"

#include "testfiles.h"
#include <QtTest>

#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {


// A record as a file: switches, reserved bytes, two directory fields.
QByteArray record(const QByteArray& switches, const QByteArray& reserved, const QByteArray& open, const QByteArray& save)
{
    QByteArray r = switches.leftJustified(7, '\0', true) + reserved.leftJustified(13, '\0', true);
    r += char(open.size()) + open.leftJustified(40, '\0', true);
    r += char(save.size()) + save.leftJustified(40, '\0', true);
    return r;
}

// The window's controls the file belongs to, with their form defaults.
struct Controls {
    QAction fzu, Tabs1, Lineal1, fg;
    QCheckBox CheckBox1, CheckBox2, CheckBox3;
    SharedState state;
    QTemporaryDir dir;
    OptionsFile file{OptionControls{&fzu, &Tabs1, &Lineal1, &fg, &CheckBox1, &CheckBox2, &CheckBox3, &state}};
    Controls()
    {
        for (QAction* a : {&fzu, &Tabs1, &Lineal1, &fg})
            a->setCheckable(true);
        fzu.setChecked(true);
        Tabs1.setChecked(true);
        Lineal1.setChecked(true);
        state.OptionsPath = dir.filePath(QStringLiteral("option.dat"));
    }
    QList<bool> marks() const
    {
        return {fzu.isChecked(), Tabs1.isChecked(), Lineal1.isChecked(), fg.isChecked(),
                CheckBox1.isChecked(), CheckBox2.isChecked(), CheckBox3.isChecked()};
    }
    void put(const QByteArray& bytes) const { writeFilesAtomically({{state.OptionsPath, bytes}}); }
    template <class F>
    QString errorOf(F&& f)
    {
        try {
            f();
        } catch (const IoError& e) {
            return e.message();
        }
        return {};
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void recordFields_data();
    void recordFields();
    void directoryKeepsTheBytesBehind();
    void readApplies();
    void readFailures_data();
    void readFailures();
    void saveWritesBack();
    void saveKeepsOldFileOnFailure_data();
    void saveKeepsOldFileOnFailure();
    void programSettingsRoundTrip();
    void programSettingsZoom_data();
    void programSettingsZoom();
    void programSettingsDefaults_data();
    void programSettingsDefaults();
    void programSettingsReadOnlyFolder();
};

void TestSettings::recordFields_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("switches"); // bit k: switch k on
    QTest::addColumn<QString>("openDir");
    QTest::newRow("all off") << record("", "", "", "") << true << 0 << "";
    QTest::newRow("form defaults") << record("\1\1\1", "", "/home/a/", "") << true << 7 << "/home/a/";
    QTest::newRow("any byte but 0 is on") << record(QByteArray("\2\0\xff\0\0\0\x80", 7), "", "", "") << true << 0x45 << "";
    QTest::newRow("length byte above 40 reads as 40")
        << [] { QByteArray r = record("", "", QByteArray(40, 'd'), ""); r[20] = char(200); return r; }() << true << 0
        << QString(40, QLatin1Char('d'));
    QTest::newRow("8-bit directory") << record("", "", "/b\xfc" "cher/", "") << true << 0 << QStringLiteral(u"/bücher/");
    QTest::newRow("longer file: its first record") << record("\1", "", "/x/", "") + "tail" << true << 1 << "/x/";
    QTest::newRow("shorter file") << record("\1", "", "", "").left(101) << false << 0 << "";
}

void TestSettings::recordFields()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, readable);
    QFETCH(int, switches);
    QFETCH(QString, openDir);
    options::Record r;
    QCOMPARE(r.read(file).ok(), readable);
    for (int k = 0; k < options::kSwitches; ++k)
        QCOMPARE(r.switchOn(options::Switch(k)), bool(switches & (1 << k)));
    QCOMPARE(r.directory(options::kOpenDirOffset), openDir);
    QCOMPARE(r.bytes().size(), options::kRecordSize);
}

void TestSettings::directoryKeepsTheBytesBehind()
{
    options::Record r;
    QVERIFY(r.read(record("", "", QByteArray(40, 'a'), "")).ok());
    r.setDirectory(options::kOpenDirOffset, QStringLiteral("/b/"));
    QCOMPARE(r.bytes().mid(20, 41), QByteArray("\3/b/") + QByteArray(37, 'a'));
    // 41 characters are stored as the first 40; a character without a code as "?".
    r.setDirectory(options::kSaveDirOffset, QString(41, QLatin1Char('x')));
    QCOMPARE(uchar(r.bytes()[61]), 40);
    QCOMPARE(r.directory(options::kSaveDirOffset), QString(40, QLatin1Char('x')));
    r.setDirectory(options::kSaveDirOffset, QStringLiteral(u"/α/"));
    QCOMPARE(r.directory(options::kSaveDirOffset), QStringLiteral("/?/"));
}

void TestSettings::readApplies()
{
    Controls c;
    c.put(record(QByteArray("\0\1\0\1\1\0\1", 7), "reserved", "/open/", "/save/"));
    c.file.OptRead();
    QCOMPARE(c.marks(), (QList<bool>{false, true, false, true, true, false, true}));
    QCOMPARE(c.state.OpenDir, QStringLiteral("/open/"));
    QCOMPARE(c.state.SaveDir, QStringLiteral("/save/"));
}

// A missing or short file: the error, and nothing of it applied.
void TestSettings::readFailures_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("message");
    QTest::newRow("first start") << false << "Datei nicht gefunden: option.dat";
    QTest::newRow("short file") << true << "Versuch hinter dem Dateiende zu lesen: option.dat";
}

void TestSettings::readFailures()
{
    QFETCH(bool, exists);
    QFETCH(QString, message);
    Controls c;
    if (exists)
        c.put(record(QByteArray(7, '\0'), "xyz", "/open/", "").left(60));
    QCOMPARE(c.errorOf([&] { c.file.OptRead(); }), message);
    QCOMPARE(c.marks(), (QList<bool>{true, true, true, false, false, false, false}));
    QVERIFY(c.state.OpenDir.isEmpty());
    // Closing then writes the form's state into an all-zero record: reserved bytes zero.
    c.file.OptSave();
    QCOMPARE(fileBytes(c.state.OptionsPath), record("\1\1\1", "", "", ""));
}

void TestSettings::saveWritesBack()
{
    Controls c;
    const QByteArray reserved("\x01\x02\x03\xfe\xff\0\x7f reserved", 13);
    c.put(record("\1\1\1", reserved, QByteArray(40, 'o'), "/s/") + "more than one record");
    c.file.OptRead();
    c.fg.setChecked(true);
    c.CheckBox2.setChecked(true);
    c.state.OpenDir = QStringLiteral("/neu/");
    c.file.OptSave();
    const QByteArray bytes = fileBytes(c.state.OptionsPath);
    QCOMPARE(bytes.size(), 102); // a longer file is cut to its record
    QCOMPARE(bytes.left(7), QByteArray("\1\1\1\1\0\1\0", 7));
    QCOMPARE(bytes.mid(7, 13), reserved);
    QCOMPARE(bytes.mid(20, 41), QByteArray("\5/neu/") + QByteArray(35, 'o'));
    QCOMPARE(bytes.mid(61, 4), QByteArray("\3/s/"));
}

void TestSettings::saveKeepsOldFileOnFailure_data()
{
    QTest::addColumn<bool>("readOnlyDir");
    QTest::newRow("read-only start directory") << true;
    QTest::newRow("disk full") << false;
}

void TestSettings::saveKeepsOldFileOnFailure()
{
    QFETCH(bool, readOnlyDir);
    Controls c;
    const QByteArray old = record("\1", "old", "/old/", "");
    c.put(old);
    c.file.OptRead();
    c.fzu.setChecked(false);
    QString error;
    if (readOnlyDir) {
        c.state.OptionsPath = QStringLiteral("/proc/self/option.dat");
        error = c.errorOf([&] { c.file.OptSave(); });
        QCOMPARE(error, QStringLiteral("Dateizugriff verweigert: option.dat"));
        return;
    }
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit none = saved;
    none.rlim_cur = 50; // not even one record fits
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &none) == 0);
    error = c.errorOf([&] { c.file.OptSave(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    QCOMPARE(error, QStringLiteral("Zu wenig Speicherplatz: option.dat"));
    QCOMPARE(fileBytes(c.state.OptionsPath), old);
}

void TestSettings::programSettingsRoundTrip()
{
    QTemporaryDir dir;
    const ProgramSettings settings(dir.filePath(QStringLiteral("neu/Stilora.conf"))); // the folder is made
    const Preferences p{true, {QStringLiteral("\xa4nqrwpos"), QStringLiteral("a=b; c\\d"), QStringLiteral("mit, Komma")}};
    settings.write(p);
    QCOMPARE(settings.read(), p);
    const Preferences one{false, {QStringLiteral("eins")}};
    settings.write(one);
    QCOMPARE(settings.read(), one);
    settings.write(Preferences{});
    QCOMPARE(settings.read(), Preferences{});
    // The recent documents and the zoom, paths with the characters INI quotes.
    const Preferences later{false, {}, {QStringLiteral("/home/anna/Ilias, Buch 1.rtf"), QStringLiteral("/tmp/a=b;c.sri")}, 250};
    settings.write(later);
    QCOMPARE(settings.read(), later);
}

// The zoom as this program writes it, or the default.
void TestSettings::programSettingsZoom_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("zoom");
    QTest::newRow("a step") << QByteArray("150") << 150;
    QTest::newRow("the lowest") << QByteArray("50") << 50;
    QTest::newRow("the highest") << QByteArray("400") << 400;
    QTest::newRow("below") << QByteArray("49") << 100;
    QTest::newRow("above") << QByteArray("401") << 100;
    QTest::newRow("not a number") << QByteArray("gross") << 100;
    QTest::newRow("a fraction") << QByteArray("1.5") << 100;
}

void TestSettings::programSettingsZoom()
{
    QFETCH(QByteArray, value);
    QFETCH(int, zoom);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Stilora.conf"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Ansicht]\nZoom=" + value + "\n");
    f.close();
    QCOMPARE(ProgramSettings(path).read().zoom, zoom);
}

// A missing or damaged file, or values this program never writes: the defaults, or what is sound of them.
void TestSettings::programSettingsDefaults_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<bool>("ignoreMarks");
    QTest::addColumn<QStringList>("history");
    QTest::newRow("no file") << QByteArray() << false << QStringList{};
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[[[=\x01\n\x80\x81", 11) << false << QStringList{};
    QTest::newRow("not a truth value") << QByteArray("[Suche]\nAkzenteIgnorieren=vielleicht\n") << false << QStringList{};
    QTest::newRow("a sound file") << QByteArray("[Suche]\nAkzenteIgnorieren=true\n[Ersetzen]\nVerlauf=a, b\n") << true
                                  << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("too many, doubled and overlong entries")
        << ("[Ersetzen]\nVerlauf=" + QByteArray("x, x, ") + QByteArray(2000, 'y') + ", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11\n") << false
        << QStringList{QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                       QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")};
}

void TestSettings::programSettingsDefaults()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, ignoreMarks);
    QFETCH(QStringList, history);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Stilora.conf"));
    if (!file.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    const ProgramSettings settings(path);
    QCOMPARE(settings.read(), (Preferences{ignoreMarks, history}));
    // Whatever stood there, the next write replaces it with a sound file.
    settings.write(Preferences{true, {QStringLiteral("z")}});
    QCOMPARE(settings.read(), (Preferences{true, {QStringLiteral("z")}}));
}

void TestSettings::programSettingsReadOnlyFolder()
{
    // A folder nobody, root included, can write into.
    for (const QString& path : {QStringLiteral("/proc/self/stilora/Stilora.conf"), QStringLiteral("/proc/self/Stilora.conf")}) {
        try {
            ProgramSettings(path).write(Preferences{.ignoreMarks = true});
            QFAIL(qPrintable(path + QStringLiteral(" written")));
        } catch (const IoError& e) {
            QCOMPARE(e.messageWithPath(), QStringLiteral("Die Einstellungen konnten nicht gespeichert werden: ") + path);
        }
    }
    if (::geteuid() == 0)
        return; // root writes into a folder without write permission
    QTemporaryDir dir;
    const ProgramSettings settings(dir.filePath(QStringLiteral("Stilora.conf")));
    settings.write(Preferences{.ignoreMarks = true});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QVERIFY_THROWS_EXCEPTION(IoError, settings.write(Preferences{.replaceHistory = {QStringLiteral("neu")}}));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(settings.read(), (Preferences{.ignoreMarks = true})); // the old file as it was
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
