// stilora-convert as a user runs it: the program with its arguments, its
// exit code, its messages and the files it leaves.
#include "atomicfiles.h"
#include "codepage.h"
#include "ioerror.h"
#include "paircodec.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "unicodegreek.h"

#include "testfiles.h"
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    QTemporaryDir m_runtime; // the converters' lock files, apart from any program's
private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }
    void conversions_data();
    void conversions();
    void errors_data();
    void errors();
    void help();
    void readsOpenDocument();
    void exports_data();
    void exports();
    void batch();
    void batchSummaryIsNoWarning();
    void betaCode();
    void nameThatIsNotUtf8();
    void koronisIsApproximated();
    void unicodeTextIn_data();
    void unicodeTextIn();
    void find_data();
    void find();
    void refusedTargets_data();
    void refusedTargets();
    void simultaneousSaves_data();
    void simultaneousSaves();
    void nulBytesLeftOut();
    void anoTeleiaFromLibreOffice();
    void memoryStaysNearTheInput_data();
    void memoryStaysNearTheInput();
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
    QTest::newRow("unknown option") << QStringList{"--too", "rtf", "a.rtf"} << 2 << "Unbekannte Option: too";
    QTest::newRow("--to without its format") << QStringList{"--to"} << 2 << "Der Option --to oder --from fehlt das Format";
    QTest::newRow("two modes at once") << QStringList{"--to", "rtf", "--find", "x", "a.rtf"} << 2 << "schließen einander aus";
    QTest::newRow("a search option without --find") << QStringList{"--case", "a.rtf", "b.rtf"} << 2 << "gehören zu --find";
    QTest::newRow("--unicode with one file") << QStringList{"--unicode", "a.rtf"} << 2 << "Aufruf: stilora-convert --unicode";
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

// Another program's OpenDocument text in, what it lost said on standard error.
void TestConvert::readsOpenDocument()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("fremd.odt")), fileBytes(QStringLiteral(STILORA_SOURCE_DIR "/tests/formats/data/sample.odt")));
    const Run r = convertTool({QStringLiteral("fremd.odt"), QStringLiteral("b.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral("fremd.odt: Nicht übernommen: 1 Bild, 1 Kommentar")), qPrintable(r.err));
    const styled::Document back = rtf::read(fileBytes(dir.filePath(QStringLiteral("b.rtf")))).document;
    QCOMPARE(back.paragraphs.first().runs.first().format.font, QStringLiteral("Greek"));
    QCOMPARE(unicodegreek::exportGreek(back.paragraphs.first().runs.first().text.left(5)), QStringLiteral(u"μῆνιν"));
    // A batch sums up what all its files lost.
    writeFile(dir.filePath(QStringLiteral("zwei.docx")), fileBytes(QStringLiteral(STILORA_SOURCE_DIR "/tests/formats/data/sample.docx")));
    const Run batch = convertTool({QStringLiteral("--to"), QStringLiteral("rtf"), QStringLiteral("fremd.odt"), QStringLiteral("zwei.docx")}, dir.path());
    QCOMPARE(batch.exitCode, 0);
    QVERIFY2(batch.err.contains(QStringLiteral("Alle Dateien zusammen: Nicht übernommen: 2 Bilder, 2 Kommentare, 2 Textfarben; "
                                               "Fußnoten ans Ende gestellt: 2")),
             qPrintable(batch.err));
}

// Exports carry the Greek as real Unicode, in Gentium Plus.
void TestConvert::exports_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reader"); // how the result is read back
    QTest::newRow("ODT") << QStringList{"a.rtf", "b.odt"} << "unzip";
    QTest::newRow("DOCX") << QStringList{"a.rtf", "b.docx"} << "docx";
    QTest::newRow("DOCX beside itself") << QStringList{"--to", "docx", "a.rtf"} << "docx";
    QTest::newRow("HTML") << QStringList{"a.rtf", "b.html"} << "cat";
    QTest::newRow("Unicode text") << QStringList{"a.rtf", "b.txt"} << "cat";
    QTest::newRow("Unicode text, older spelling") << QStringList{"--unicode", "a.rtf", "b.txt"} << "cat";
    QTest::newRow("Unicode text under any name") << QStringList{"--unicode", "a.rtf", "b.text"} << "cat";
    QTest::newRow("a name that starts with a dash") << QStringList{"--", "a.rtf", "-b.html"} << "cat";
    QTest::newRow("PDF") << QStringList{"a.rtf", "b.pdf"} << "pdftotext";
}

void TestConvert::exports()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reader);
    const QString tool = reader == QLatin1String("docx") ? QStringLiteral("unzip") : reader;
    QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(), qPrintable(tool + QStringLiteral(" is missing")));
    QTemporaryDir dir;
    styled::DocumentBuilder b;
    b.append(codepage::decode("\xa5ndra kai "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("Umlaute äß"), {QStringLiteral("Arial"), 12, 0});
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), rtf::write(b.take())}});
    const Run r = convertTool(arguments, dir.path());
    QCOMPARE(r.exitCode, 0);
    const QString out = arguments.first() == QLatin1String("--to") ? dir.filePath(QStringLiteral("a.") + arguments[1])
                                                                   : dir.filePath(arguments.last());
    QString text;
    if (reader == QLatin1String("unzip"))
        text = run(reader, {QStringLiteral("-p"), out, QStringLiteral("content.xml")});
    else if (reader == QLatin1String("docx"))
        text = run(QStringLiteral("unzip"), {QStringLiteral("-p"), out, QStringLiteral("word/document.xml")});
    else if (reader == QLatin1String("pdftotext"))
        text = run(reader, {out, QStringLiteral("-")});
    else
        text = QString::fromUtf8(fileBytes(out));
    QVERIFY2(text.contains(QStringLiteral(u"ἄνδρα και")), qPrintable(text.left(400)));
    QVERIFY(text.contains(QStringLiteral(u"Umlaute äß")));
    if (reader == QLatin1String("unzip"))
        QVERIFY(text.contains(QLatin1String("Gentium Plus")));
    if (reader == QLatin1String("docx")) // the runs' fonts stand in their character styles
        QVERIFY(run(QStringLiteral("unzip"), {QStringLiteral("-p"), out, QStringLiteral("word/styles.xml")}).contains(QLatin1String("Gentium Plus")));
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

// Beta Code in and out: a .beta file to RTF and back unchanged, --from for
// a file of another name, --to betacode beside each file, the losses of
// reading in the batch's summary and those of writing as warnings.
void TestConvert::betaCode()
{
    QTemporaryDir dir;
    const QByteArray hesiod = "&Hes. Th. 1$\n*MOUSA/WN *(ELIKWNIA/DWN A)RXW/MEQ' A)EI/DEIN,\n"
                              "AI(/Q' *(ELIKW=NOS E)/XOUSIN O)/ROS ME/GA TE ZA/QEO/N TE\n";
    writeFile(dir.filePath(QStringLiteral("hesiod.beta")), hesiod);
    Run r = convertTool({QStringLiteral("hesiod.beta"), QStringLiteral("hesiod.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    const styled::Document d = rtf::read(fileBytes(dir.filePath(QStringLiteral("hesiod.rtf")))).document;
    QCOMPARE(d.paragraphs[0].runs[0], (styled::Run{QStringLiteral("Hes. Th. 1"), {QStringLiteral("Arial"), 14, 0}}));
    QCOMPARE(unicodegreek::exportGreek(d.paragraphs[1].runs[0].text), u"Μουσάων Ἑλικωνιάδων ἀρχώμεθ᾿ ἀείδειν,"_s);
    // Back to Beta Code: the same file.
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("hesiod.beta"))));
    r = convertTool({QStringLiteral("--to"), QStringLiteral("betacode"), QStringLiteral("hesiod.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("hesiod.beta"))), hesiod);
    // Another name read as Beta Code; what the font cannot show is summed up.
    writeFile(dir.filePath(QStringLiteral("notiz.txt")), "A%26LFA VA/NAC");
    writeFile(dir.filePath(QStringLiteral("mehr.txt")), "BH%27TA");
    r = convertTool({QStringLiteral("--from"), QStringLiteral("betacode"), QStringLiteral("--to"), QStringLiteral("rtf"),
                     QStringLiteral("notiz.txt"), QStringLiteral("mehr.txt")},
                    dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(u"Alle Dateien zusammen: Nicht übernommen: 2 Beta-Code-Zeichen ohne Entsprechung"_s), qPrintable(r.err));
    QVERIFY2(r.err.contains(u"Warnung: notiz.txt: "_s), qPrintable(r.err));
    QCOMPARE(unicodegreek::exportGreek(rtf::read(fileBytes(dir.filePath(QStringLiteral("mehr.rtf")))).document.plainText()), u"βητα"_s);
    // Writing: a sign Beta Code has no form for is told.
    writeFilesAtomically({{dir.filePath(QStringLiteral("preis.rtf")),
                           rtf::write(styled::Document::fromPlainText(QStringLiteral("5 $"), {QStringLiteral("Arial"), 12, 0}))}});
    r = convertTool({QStringLiteral("preis.rtf"), QStringLiteral("preis.beta")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(u"1 Zeichen ohne Form in Beta Code"_s), qPrintable(r.err));
    // Only Beta Code is read by --from.
    r = convertTool({QStringLiteral("--from"), QStringLiteral("odt"), QStringLiteral("a.x"), QStringLiteral("b.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(u"Unbekanntes Format für --from: odt"_s), qPrintable(r.err));
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
    QTest::newRow("Beta Code, known by its marks") << QStringList{u"LO/GOS"_s, u"a.rtf"_s, u"b.sri"_s}
                                                   << QStringList{u"a.rtf:1:3: λόγος"_s, u"b.sri:1:1: λόγος"_s} << 0;
    QTest::newRow("Beta Code in lower case, a capital with its marks")
        << QStringList{u"*)/anqrwpos"_s, u"a.rtf"_s} << QStringList{u"a.rtf:1:13: Ἄνθρωπος"_s} << 0;
    QTest::newRow("Beta Code, its marks ignored") << QStringList{u"--ignore-marks"_s, u"LO/GW|"_s, u"a.rtf"_s}
                                                  << QStringList{u"a.rtf:2:4: λόγῳ"_s} << 0;
    QTest::newRow("Beta Code without marks, named") << QStringList{u"--beta-code"_s, u"--ignore-marks"_s, u"LOGOS"_s, u"a.rtf"_s}
                                                    << QStringList{u"a.rtf:1:3: λόγος"_s} << 0;
    QTest::newRow("Beta Code, the accent counts") << QStringList{u"LO=GOS"_s, u"a.rtf"_s} << QStringList{} << 1;
    QTest::newRow("files read as Beta Code") << QStringList{u"--from"_s, u"betacode"_s, u"--ignore-marks"_s, u"λογος"_s, u"c.txt"_s}
                                             << QStringList{u"c.txt:1:15: λόγος"_s} << 0;
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
    writeFile(dir.filePath(QStringLiteral("c.txt")), "*)EN A)RXH=| H)=N O( LO/GOS");
    const Run r = convertTool(QStringList{QStringLiteral("--find")} + arguments, dir.path());
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), hits);
    if (arguments.contains(QStringLiteral("fehlt.rtf")))
        QVERIFY2(r.err.contains(QStringLiteral("fehlt.rtf")), qPrintable(r.err));
    else if (exitCode != 2)
        QCOMPARE(r.err, QString());
}

// What a save must not write over: the converter refuses it with a message
// naming the file, and the file stays as it was.
void TestConvert::refusedTargets_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("untouched");
    QTest::newRow("text export over a pair's text")
        << QStringList{"a.rtf", "paar.txt"}
        << "Die Datei ist der Text des Dateipaars paar.sri und wird nicht als Unicode-Text überschrieben: paar.txt" << "paar.txt";
    QTest::newRow("batch text export over a pair's text")
        << QStringList{"--to", "txt", "paar.rtf"}
        << "Die Datei ist der Text des Dateipaars paar.sri und wird nicht als Unicode-Text überschrieben: ./paar.txt" << "paar.txt";
    for (const char* ext : {"rtf", "pdf", "odt", "html", "txt"})
        QTest::newRow(qPrintable(QStringLiteral("write-protected .%1").arg(QLatin1String(ext))))
            << QStringList{"a.rtf", QStringLiteral("schutz.%1").arg(QLatin1String(ext))}
            << QStringLiteral("Datei ist schreibgeschützt: schutz.%1").arg(QLatin1String(ext)) << QStringLiteral("schutz.%1").arg(QLatin1String(ext));
    QTest::newRow("write-protected pair") << QStringList{"a.rtf", "geschuetzt.sri"} << "Datei ist schreibgeschützt: geschuetzt.txt"
                                          << "geschuetzt.txt";
    QTest::newRow("link to /dev/null") << QStringList{"a.rtf", "null.rtf"} << "Keine normale Datei: null.rtf" << "";
    QTest::newRow("FIFO") << QStringList{"a.rtf", "rohr.html"} << "Keine normale Datei: rohr.html" << "";
    QTest::newRow("endless input") << QStringList{"null.rtf", "b.rtf"} << "Keine normale Datei: null.rtf" << "";
    QTest::newRow("FIFO as input") << QStringList{"rohr.rtf", "b.rtf"} << "Keine normale Datei: rohr.rtf" << "";
}

void TestConvert::refusedTargets()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(QString, untouched);
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), rtf::write(sample())},
                          {dir.filePath(QStringLiteral("paar.rtf")), rtf::write(sample())},
                          {dir.filePath(QStringLiteral("paar.txt")), "alt"},
                          {dir.filePath(QStringLiteral("paar.sri")), QByteArray("\x03\x0el\x00Greek\x00", 11)},
                          {dir.filePath(QStringLiteral("geschuetzt.txt")), "alt"},
                          {dir.filePath(QStringLiteral("geschuetzt.sri")), "alt"}});
    for (const char* ext : {"rtf", "pdf", "odt", "html", "txt"})
        writeFilesAtomically({{dir.filePath(QStringLiteral("schutz.%1").arg(QLatin1String(ext))), "alt"}});
    for (const QString& name : QDir(dir.path()).entryList({QStringLiteral("schutz.*"), QStringLiteral("geschuetzt.txt")}))
        QVERIFY(QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("null.rtf"))));
    QVERIFY(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("rohr.html"))).constData(), 0644) == 0);
    QVERIFY(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("rohr.rtf"))).constData(), 0644) == 0);
    const Run r = convertTool(arguments, dir.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("stilora-convert: ") + message + QLatin1Char('\n')), qPrintable(r.err));
    if (!untouched.isEmpty())
        QCOMPARE(fileBytes(dir.filePath(untouched)), QByteArray("alt"));
    struct stat st;
    QVERIFY(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(QStringLiteral(".stilora-")).isEmpty());
}

// Two conversions into the same document at once, again and again: they
// take turns, both succeed, and the document is one of the two, whole.
void TestConvert::simultaneousSaves_data()
{
    QTest::addColumn<QString>("out");
    QTest::newRow("pair") << "o.sri";
    QTest::newRow("RTF") << "o.rtf";
}

void TestConvert::simultaneousSaves()
{
    QFETCH(QString, out);
    QTemporaryDir dir;
    auto book = [](const QString& word, int lines, int style) {
        styled::DocumentBuilder b;
        for (int i = 0; i < lines; ++i) {
            b.append(word + QString::number(i), {QStringLiteral("Greek"), 14, style});
            b.breakParagraph();
        }
        return b.take();
    };
    // Sizes apart, so that the longer written over the start of the shorter would show.
    const styled::Document x = book(QStringLiteral("logos kai anthropos "), 8000, 0);
    const styled::Document y = book(QStringLiteral("ergon "), 3000, styled::Bold);
    writeFilesAtomically({{dir.filePath(QStringLiteral("X.rtf")), rtf::write(x)}, {dir.filePath(QStringLiteral("Y.rtf")), rtf::write(y)}});
    auto state = [&] {
        const styled::Document d = out.endsWith(QLatin1String(".rtf"))
            ? rtf::read(fileBytes(dir.filePath(out))).document
            : pair::read(fileBytes(dir.filePath(QStringLiteral("o.txt"))), fileBytes(dir.filePath(QStringLiteral("o.sri")))).document;
        return d == x ? QStringLiteral("X") : d == y ? QStringLiteral("Y") : QStringLiteral("neither");
    };
    QStringList seen;
    for (int round = 0; round < 12; ++round) {
        QProcess a, b;
        for (QProcess* p : {&a, &b})
            p->setWorkingDirectory(dir.path());
        a.start(QStringLiteral(STILORA_CONVERT), {QStringLiteral("X.rtf"), out});
        b.start(QStringLiteral(STILORA_CONVERT), {QStringLiteral("Y.rtf"), out});
        QVERIFY(a.waitForFinished(30000) && b.waitForFinished(30000));
        const QString where = QStringLiteral("round %1: ").arg(round);
        QVERIFY2(a.exitCode() == 0, qPrintable(where + QString::fromUtf8(a.readAllStandardError())));
        QVERIFY2(b.exitCode() == 0, qPrintable(where + QString::fromUtf8(b.readAllStandardError())));
        seen << state();
        QVERIFY2(seen.last() != QLatin1String("neither"), qPrintable(where));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(QStringLiteral(".stilora-")).isEmpty());
    }
    QCOMPARE(QDir(m_runtime.filePath(QStringLiteral("stilora"))).entryList(QDir::Files), QStringList());
}

// NUL characters in RTF text are left out and counted; an RTF header and a
// long run of NUL bytes is read quickly, in little memory, and writes little.
void TestConvert::nulBytesLeftOut()
{
    QTemporaryDir dir;
    writeFilesAtomically({{dir.filePath(QStringLiteral("a.rtf")), QByteArray("{\\rtf1\\ansi ab\0c\\'00d\\u0?e", 26) + QByteArray(3'000'000, '\0') + "}"}});
    const Run r = convertTool({QStringLiteral("a.rtf"), QStringLiteral("b.rtf")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QStringLiteral("stilora-convert: Warnung: a.rtf: Die Datei enthält 3000003 NUL-Zeichen; sie wurden ausgelassen.\n"));
    const styled::Document back = rtf::read(fileBytes(dir.filePath(QStringLiteral("b.rtf")))).document;
    QCOMPARE(back.plainText(), QStringLiteral("abcde"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("b.rtf"))).size() < 1000);
}

// LibreOffice's RTF of our ODT has the ano teleia as a middle dot in
// Gentium Plus: into the pair it goes as the ano teleia of "Greek"; a
// middle dot between Latin letters stays what it is.
void TestConvert::anoTeleiaFromLibreOffice()
{
    QTemporaryDir dir;
    const QString source = QStringLiteral(STILORA_SOURCE_DIR "/tests/rtf/data/libreoffice-teleia.rtf");
    QVERIFY(QFile::copy(source, dir.filePath(QStringLiteral("lo.rtf"))));
    const Run r = convertTool({QStringLiteral("lo.rtf"), QStringLiteral("paar.sri")}, dir.path());
    QCOMPARE(r.exitCode, 0);
    const QList<QByteArray> lines = fileBytes(dir.filePath(QStringLiteral("paar.txt"))).split('\n');
    QCOMPARE(lines.value(0).count(':'), 1); // ἔννεπε·
    QCOMPARE(lines.value(1).count(':'), 2); // πλάγχθη· ... ἔπερσε·
    QVERIFY(lines.value(0).contains("e:")); // right after the word
    QCOMPARE(lines.value(2).trimmed(), QByteArray("Deutsch: a\xb7" "b"));
    QVERIFY(!fileBytes(dir.filePath(QStringLiteral("paar.txt"))).contains('?'));
}

// The peak memory of a conversion of a large document stays under ten
// times the document's size (beyond what the program takes without one).
void TestConvert::memoryStaysNearTheInput_data()
{
    QTest::addColumn<QString>("in");
    QTest::newRow("RTF") << "buch.rtf";
    QTest::newRow("pair") << "buch.sri";
    QTest::newRow("UTF-8 text") << "fremd.txt";
    QTest::newRow("RTF of NUL bytes") << "nul.rtf";
}

void TestConvert::memoryStaysNearTheInput()
{
    QFETCH(QString, in);
    QTemporaryDir dir;
    // The documents are made in a child of their own: a child forked from a
    // test grown large would count that size as its own.
    const pid_t maker = fork();
    if (maker == 0) {
        // Lines of verse: Greek with marks, Latin, paragraphs of some 40 characters.
        QString greek;
        QByteArray utf8;
        for (int i = 0; i < 250'000; ++i) {
            greek += unicodegreek::importGreek(u"ἄνδρα μοι ἔννεπε, μοῦσα, πολύτροπον"_s).codes + QLatin1Char('\n');
            utf8 += QStringLiteral(u"ἄνδρα μοι ἔννεπε, μοῦσα, πολύτροπον %1\n").arg(i).toUtf8();
        }
        greek.chop(1);
        const styled::Document book = styled::Document::fromPlainText(greek, {QStringLiteral("Greek"), 14, 0});
        const pair::Bytes p = pair::write(book);
        writeFilesAtomically({{dir.filePath(QStringLiteral("buch.rtf")), rtf::write(book)},
                              {dir.filePath(QStringLiteral("buch.txt")), p.text},
                              {dir.filePath(QStringLiteral("buch.sri")), p.runs},
                              {dir.filePath(QStringLiteral("fremd.txt")), utf8},
                              {dir.filePath(QStringLiteral("nul.rtf")), "{\\rtf1 " + QByteArray(40'000'000, '\0') + "}"}});
        _exit(0);
    }
    int made = 0;
    waitpid(maker, &made, 0);
    QVERIFY(WIFEXITED(made) && WEXITSTATUS(made) == 0);
    qint64 size = QFileInfo(dir.filePath(in)).size();
    if (in.endsWith(QLatin1String(".sri")))
        size += QFileInfo(dir.filePath(QStringLiteral("buch.txt"))).size();
    // The peak resident memory of a child, from the kernel's own count.
    auto peakKiB = [&](const QList<QByteArray>& args) {
        const pid_t child = fork();
        if (child == 0) {
            if (::chdir(QFile::encodeName(dir.path()).constData()) != 0)
                _exit(127);
            std::vector<char*> argv;
            for (const QByteArray& a : args)
                argv.push_back(const_cast<char*>(a.constData()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? qint64(usage.ru_maxrss) : -1;
    };
    const QByteArray tool = QFile::encodeName(QStringLiteral(STILORA_CONVERT));
    const qint64 base = peakKiB({tool, "--help"});
    const qint64 peak = peakKiB({tool, QFile::encodeName(in), "aus.rtf"});
    QVERIFY(base > 0 && peak > 0);
    const double times = double(peak - base) * 1024 / double(size);
    qInfo("%s: %.1f MB read, %.1f MB at most beyond the %.1f MB without a document: %.1f times", qPrintable(in), size / 1e6,
          (peak - base) * 1024 / 1e6, base * 1024 / 1e6, times);
    QVERIFY2(times < 10, qPrintable(QString::number(times)));
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
