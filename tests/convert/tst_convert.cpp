// stilora-convert as a user runs it: the program with its arguments, its
// exit code, its messages and the files it leaves.
#include "codepage.h"
#include "ioerror.h"
#include "paircodec.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int exitCode = -1;
    QString err;
    QString out;
};

Run convertTool(const QStringList& arguments, const QString& dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(STILORA_CONVERT), arguments);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError()), QString::fromLocal8Bit(p.readAllStandardOutput())};
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

styled::Document sample()
{
    styled::DocumentBuilder b;
    b.setAlignment(styled::AlignCentre);
    b.append(QStringLiteral("ab"), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("cd"), {QStringLiteral("Greek"), 14, styled::Bold});
    b.breakParagraph();
    b.setAlignment(styled::AlignRight);
    b.append(QStringLiteral("Arial"), {QStringLiteral("Arial"), 22, styled::Italic});
    return b.take();
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT
private slots:
    void conversions_data();
    void conversions();
    void errors_data();
    void errors();
    void help();
};

// Every direction keeps the document.
void TestConvert::conversions_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("rtf to pair by txt") << "a.rtf" << "b.txt";
    QTest::newRow("rtf to pair by sri") << "a.rtf" << "b.sri";
    QTest::newRow("pair to rtf") << "a.sri" << "b.rtf";
    QTest::newRow("pair by txt to pair") << "a.txt" << "b.sri";
    QTest::newRow("rtf to rtf") << "a.rtf" << "b.rtf";
}

void TestConvert::conversions()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QTemporaryDir dir;
    const styled::Document d = sample();
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), rtf::write(d)}});
    const pair::Bytes p = pair::write(d);
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.txt")), p.text}, {dir.filePath(QStringLiteral("a.sri")), p.runs}});
    const Run r = convertTool({in, out}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    styled::Document back;
    if (out.endsWith(QLatin1String(".rtf")))
        back = rtf::read(fileBytes(dir.filePath(out))).document;
    else
        back = pair::read(fileBytes(dir.filePath(QStringLiteral("b.txt"))), fileBytes(dir.filePath(QStringLiteral("b.sri")))).document;
    QVERIFY2(back == d, qPrintable(back.describe()));
}

void TestConvert::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no arguments") << QStringList() << 2 << "Aufruf: stilora-convert";
    QTest::newRow("unknown format") << QStringList{"a.rtf", "b.doc"} << 2 << "Unbekanntes Format";
    QTest::newRow("missing input") << QStringList{"fehlt.rtf", "b.rtf"} << 1 << "Datei nicht gefunden";
    QTest::newRow("missing text file of a pair") << QStringList{"fehlt.sri", "b.rtf"} << 1 << "Datei nicht gefunden";
    QTest::newRow("broken rtf") << QStringList{"tief.rtf", "b.rtf"} << 1 << "Das Laden des Streams ist mißlungen";
    QTest::newRow("output directory missing") << QStringList{"a.rtf", "nirgends/b.rtf"} << 1 << "Das Speichern des Streams ist mißlungen";
    QTest::newRow("empty text to a pair") << QStringList{"leer.rtf", "b.txt"} << 1 << "Der Text ist leer";
}

void TestConvert::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), rtf::write(sample())},
                          {dir.filePath(QStringLiteral("tief.rtf")), "{\\rtf1 " + QByteArray(3000, '{')},
                          {dir.filePath(QStringLiteral("leer.rtf")), rtf::write(styled::Document())},
                          {dir.filePath(QStringLiteral("b.rtf")), "alt"}});
    const Run r = convertTool(arguments, dir.path());
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("b.rtf"))), QByteArray("alt")); // nothing written on failure
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("b.txt"))));
}

void TestConvert::help()
{
    const Run r = convertTool({QStringLiteral("--help")}, QDir::tempPath());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QLatin1String("Aufruf: stilora-convert EINGABE AUSGABE")));
    QVERIFY(r.out.contains(QLatin1String(".sri")));
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
