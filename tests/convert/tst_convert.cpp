// stilora-convert as a user runs it: the program with its arguments, its
// exit code, its messages and the files it leaves.
#include "atomicfiles.h"
#include "codepage.h"
#include "ioerror.h"
#include "paircodec.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "unicodegreek.h"

#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

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
    void batchSummaryIsNoWarning();
    void nameThatIsNotUtf8();
    void koronisIsApproximated();
    void unicodeTextIn_data();
    void unicodeTextIn();
    void find_data();
    void find();
};

// Every direction keeps the document.
void TestConvert::conversions_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("rtf to pair") << "a.rtf" << "b.sri";
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
    QTest::newRow("missing input") << QStringList{"fehlt.rtf", "b.rtf"} << 1 << "stilora-convert: Datei nicht gefunden: fehlt.rtf\n";
    QTest::newRow("missing text file of a pair") << QStringList{"fehlt.sri", "b.rtf"} << 1
                                                 << "stilora-convert: Datei nicht gefunden: fehlt.txt\n";
    QTest::newRow("input is a directory") << QStringList{"ordner.rtf", "b.rtf"} << 1
                                          << "stilora-convert: Ist ein Verzeichnis, keine Datei: ordner.rtf\n";
    QTest::newRow("broken rtf") << QStringList{"tief.rtf", "b.rtf"} << 1
                                << "Das Laden des Streams ist mißlungen: Gruppen zu tief verschachtelt (Byte 1006 in tief.rtf)";
    QTest::newRow("output directory missing") << QStringList{"a.rtf", "nirgends/b.rtf"} << 1
                                              << "Das Speichern des Streams ist mißlungen: Datei nicht gefunden: nirgends/b.rtf";
    QTest::newRow("empty text to a pair") << QStringList{"leer.rtf", "b.sri"} << 1 << "Der Text ist leer; das Dateipaar wird nicht geschrieben: b.sri";
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
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ordner.rtf")));
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
    QTest::newRow("Unicode text") << QStringList{"a.rtf", "b.txt"} << "cat";
    QTest::newRow("Unicode text, older spelling") << QStringList{"--unicode", "a.rtf", "b.txt"} << "cat";
    QTest::newRow("PDF") << QStringList{"a.rtf", "b.pdf"} << "pdftotext";
}

void TestConvert::exports()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reader);
    QVERIFY2(!QStandardPaths::findExecutable(reader).isEmpty(), qPrintable(reader + QStringLiteral(" is missing")));
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
    QVERIFY2(r.err.contains(QLatin1String("stilora-convert: 2 Datei(en) umgewandelt, 1 fehlgeschlagen")), qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("Das Laden des Streams ist mißlungen: Gruppen zu tief verschachtelt (Byte 1006 in kaputt.rtf)")));
    // The Coptic letter has no code: it is named with its place.
    QVERIFY2(r.err.contains(QStringLiteral(u"Stelle 5: Ϣ (U+03e2)")), qPrintable(r.err)); // \\u945 skips one fallback character
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("eins.txt"))));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("zwei.sri"))));
    // The Greek alpha came in as Unicode and went out as the font's code.
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("zwei.txt"))).left(1), QByteArray("a"));
}

// A batch that went well reports what it did, with no warning.
void TestConvert::batchSummaryIsNoWarning()
{
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("eins.rtf")), rtf::write(sample())}});
    const Run r = convertTool({QStringLiteral("--to"), QStringLiteral("odt"), QStringLiteral("eins.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QStringLiteral("stilora-convert: 1 Datei(en) umgewandelt, 0 fehlgeschlagen\n"));
}

// A file name of bytes that are not UTF-8 names its file, in and out.
void TestConvert::nameThatIsNotUtf8()
{
    QTemporaryDir dir;
    const QByteArray in = QFile::encodeName(dir.path()) + "/brief-\xe9\xff.rtf";
    const QByteArray out = QFile::encodeName(dir.path()) + "/aus-\xe9.sri";
    writeFilesAtomically({{decodePath(in), rtf::write(sample())}});
    QVERIFY(fileExists(decodePath(in)));
    // The names go to the tool as bytes, through a script of those bytes.
    const QString script = dir.filePath(QStringLiteral("run.sh"));
    writeFilesAtomically({{script, "exec '" + QFile::encodeName(QStringLiteral(STILORA_CONVERT)) + "' '" + in + "' '" + out + "'\n"}});
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {script});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
    QCOMPARE(p.exitCode(), 0);
    QByteArray text;
    QVERIFY(fileExists(decodePath(QFile::encodeName(dir.path()) + "/aus-\xe9.txt")));
    const pair::ReadResult back = pair::read(readWholeFile(decodePath(QFile::encodeName(dir.path()) + "/aus-\xe9.txt")),
                                             readWholeFile(decodePath(out)));
    QVERIFY(back.document == sample());
}

// The koronis has no code of its own: it becomes the smooth breathing mark it looks like, and the summary says so.
void TestConvert::koronisIsApproximated()
{
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), "{\\rtf1{\\fonttbl{\\f0 Greek;}}\\f0 k\\u8125?a\\par}"}});
    const Run r = convertTool({QStringLiteral("a.rtf"), QStringLiteral("b.sri")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral(u"Warnung: 1 Zeichen ohne eigenen Code durch den ähnlichsten ersetzt (das erste an Stelle 2: ᾽ U+1fbd)")),
             qPrintable(r.err));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("b.txt"))), QByteArray("k'a"));
}

// Another program's UTF-8 text is read as Unicode; a pair's text file as codes.
void TestConvert::unicodeTextIn_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("firstRun");
    QTest::newRow("UTF-8") << QByteArray("λόγος") << codepage::decode("l\xd2goj");
    QTest::newRow("8-bit codes") << QByteArray("\xa5ndra") << codepage::decode("\xa5ndra");
}

void TestConvert::unicodeTextIn()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, firstRun);
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("fremd.txt")), text}});
    const Run r = convertTool({QStringLiteral("fremd.txt"), QStringLiteral("b.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    const styled::Document back = rtf::read(fileBytes(dir.filePath(QStringLiteral("b.rtf")))).document;
    QCOMPARE(back.paragraphs[0].runs[0].text, firstRun);
    QCOMPARE(back.paragraphs[0].runs[0].format.font, QStringLiteral("Greek"));
}


// --find over files: each hit as file, paragraph, position and its word.
void TestConvert::find_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("hits");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("marks ignored, two files")
        << QStringList{u"λογος"_s, u"--ignore-marks"_s, u"a.rtf"_s, u"b.sri"_s}
        << QStringList{u"a.rtf:1:3: λόγος"_s, u"b.sri:1:1: λόγος"_s} << 0;
    QTest::newRow("exact: the accent counts") << QStringList{u"λογος"_s, u"a.rtf"_s} << QStringList{} << 1;
    QTest::newRow("a stem, in Greek and in Arial")
        << QStringList{u"--ignore-marks"_s, u"λογ"_s, u"a.rtf"_s}
        << QStringList{u"a.rtf:1:3: λόγος"_s, u"a.rtf:2:4: λόγῳ"_s, u"a.rtf:2:9: logos"_s} << 0;
    QTest::newRow("a stem is no whole word") << QStringList{u"λογ"_s, u"--ignore-marks"_s, u"--word"_s, u"a.rtf"_s} << QStringList{} << 1;
    QTest::newRow("a capital's marks") << QStringList{u"ανθρωπος"_s, u"--ignore-marks"_s, u"a.rtf"_s}
                                       << QStringList{u"a.rtf:1:13: Ἄνθρωπος"_s} << 0;
    QTest::newRow("typed as on the keyboard") << QStringList{u"´>Anqrwpoj"_s, u"a.rtf"_s}
                                              << QStringList{u"a.rtf:1:13: Ἄνθρωπος"_s} << 0;
    QTest::newRow("typed with the accent as a letter") << QStringList{u"t>^w"_s, u"--ignore-marks"_s, u"a.rtf"_s}
                                                       << QStringList{u"a.rtf:2:1: τῷ"_s} << 0;
    QTest::newRow("match case") << QStringList{u"Λόγος"_s, u"--case"_s, u"a.rtf"_s} << QStringList{} << 1;
    QTest::newRow("a file that is not there") << QStringList{u"λόγος"_s, u"a.rtf"_s, u"fehlt.rtf"_s}
                                              << QStringList{u"a.rtf:1:3: λόγος"_s} << 1;
    QTest::newRow("no file") << QStringList{u"λόγος"_s} << QStringList{} << 2;
}

void TestConvert::find()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, hits);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString greek = QStringLiteral("Greek");
    styled::DocumentBuilder b;
    b.append(unicodegreek::importGreek(u"ὁ λόγος καὶ Ἄνθρωπος"_s).codes, {greek, 14, 0});
    b.breakParagraph();
    b.append(unicodegreek::importGreek(u"τῷ λόγῳ"_s).codes, {greek, 14, 0});
    b.append(u" logos"_s, {QStringLiteral("Arial"), 12, 0});
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), rtf::write(b.take())}});
    const pair::Bytes p = pair::write(styled::Document::fromPlainText(unicodegreek::importGreek(u"λόγος"_s).codes, {greek, 14, 0}));
    writeFilesAtomically({{dir.filePath(QStringLiteral("b.txt")), p.text}, {dir.filePath(QStringLiteral("b.sri")), p.runs}});
    const Run r = convertTool(QStringList{QStringLiteral("--find")} + arguments, dir.path());
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), hits);
    if (arguments.contains(QStringLiteral("fehlt.rtf")))
        QVERIFY2(r.err.contains(QStringLiteral("fehlt.rtf")), qPrintable(r.err));
    else if (exitCode != 2)
        QCOMPARE(r.err, QString());
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
