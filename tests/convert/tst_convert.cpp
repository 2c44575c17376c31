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
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError()), QString::fromUtf8(p.readAllStandardOutput())};
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
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
    void exports_data();
    void exports();
    void batch();
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

// Exports carry the Greek as real Unicode, in Gentium Plus.
void TestConvert::exports_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reader"); // how the result is read back
    QTest::newRow("ODT") << QStringList{"a.rtf", "b.odt"} << "unzip";
    QTest::newRow("HTML") << QStringList{"a.rtf", "b.html"} << "cat";
    QTest::newRow("Unicode text") << QStringList{"--unicode", "a.rtf", "b.txt"} << "cat";
    QTest::newRow("PDF") << QStringList{"a.rtf", "b.pdf"} << "pdftotext";
}

void TestConvert::exports()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reader);
    if (QStandardPaths::findExecutable(reader).isEmpty())
        QSKIP("the reader program is missing");
    QTemporaryDir dir;
    styled::DocumentBuilder b;
    b.append(codepage::decode("\xa5ndra kai "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("Umlaute äß"), {QStringLiteral("Arial"), 12, 0});
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), rtf::write(b.take())}});
    const Run r = convertTool(arguments, dir.path());
    QCOMPARE(r.exitCode, 0);
    const QString out = dir.filePath(arguments.last());
    QString text;
    if (reader == QLatin1String("unzip"))
        text = run(reader, {QStringLiteral("-p"), out, QStringLiteral("content.xml")});
    else if (reader == QLatin1String("pdftotext"))
        text = run(reader, {out, QStringLiteral("-")});
    else
        text = QString::fromUtf8(fileBytes(out));
    QVERIFY2(text.contains(QStringLiteral(u"ἄνδρα και")), qPrintable(text.left(400)));
    QVERIFY(text.contains(QStringLiteral(u"Umlaute äß")));
    if (reader == QLatin1String("unzip"))
        QVERIFY(text.contains(QLatin1String("Gentium Plus")));
}

// A folder of files, one broken: each converted beside itself, a summary, a non-zero exit.
void TestConvert::batch()
{
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("eins.rtf")), rtf::write(sample())},
                          {dir.filePath(QStringLiteral("zwei.rtf")), "{\\rtf1 \\u945 und \\u994 x}"},
                          {dir.filePath(QStringLiteral("kaputt.rtf")), "{\\rtf1 " + QByteArray(3000, '{')}});
    const Run r = convertTool({QStringLiteral("--to"), QStringLiteral("sri"), QStringLiteral("eins.rtf"), QStringLiteral("zwei.rtf"),
                               QStringLiteral("kaputt.rtf")},
                              dir.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QLatin1String("2 Datei(en) umgewandelt, 1 fehlgeschlagen")), qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("kaputt.rtf: Das Laden des Streams ist mißlungen")));
    // The Coptic letter has no code: it is named with its place.
    QVERIFY2(r.err.contains(QStringLiteral(u"Stelle 5: Ϣ (U+03e2)")), qPrintable(r.err)); // \\u945 skips one fallback character
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("eins.txt"))));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("zwei.sri"))));
    // The Greek alpha came in as Unicode and went out as the font's code.
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("zwei.txt"))).left(1), QByteArray("a"));
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
