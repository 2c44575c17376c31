// The pair codec byte for byte, its hostile inputs, and the writer against
// the old per-position algorithm run through the editor.
#include "atomicfiles.h"
#include "autorecovery.h"
#include "codepage.h"
#include "documentcommands.h"
#include "filelock.h"
#include "recentdocuments.h"
#include "exportwriters.h"
#include "greekfont.h"
#include "ioerror.h"
#include "paircodec.h"
#include "pairreference.h"
#include "richtextsurface.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "scriptedseams.h"
#include "sharedstate.h"
#include "testfiles.h"
#include "title.h"
#include "unicodegreek.h"

#include "filesizelimit.h"

#include "randomdocument.h"
#include "surfacehost.h"
#include <QtTest>

#include <QBuffer>
#include <QProcess>
#include <QProgressBar>
#include <QXmlStreamReader>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using styled::CharFormat;
using styled::Document;

Q_DECLARE_METATYPE(styled::Document)

namespace {

QByteArray hex(const char* h) { return QByteArray::fromHex(QByteArray(h).replace(' ', "")); }

// A record as bytes: length, size, letter, style, font, 0.
QByteArray record(int length, int size, char letter, int style, const char* font = "Greek")
{
    QByteArray r;
    r += char(length);
    r += char(size);
    r += letter;
    r += char(style);
    r += font;
    r += '\0';
    return r;
}

CharFormat greek(int style = 0, int size = 14) { return {QStringLiteral("Greek"), size, style}; }
// The formats of the random documents: a size the pair cannot hold among them.
const QList<CharFormat> kRandomFormats{greek(), greek(styled::Bold), {QStringLiteral("Arial"), 14, 0}, greek(0, 22), {QStringLiteral("Arial"), 300, styled::Italic | styled::Underline}};

Document doc(std::initializer_list<std::tuple<const char*, CharFormat, int>> pieces)
{
    styled::DocumentBuilder b;
    for (const auto& [text, format, alignment] : pieces) {
        const QString t = QString::fromLatin1(text);
        const qsizetype nl = t.indexOf(QLatin1Char('\n'));
        if (nl < 0) {
            b.setAlignment(alignment);
            b.append(t, format);
        } else {
            b.setAlignment(alignment);
            b.append(t.left(nl), format);
            b.breakParagraph();
            b.append(t.mid(nl + 1), format);
        }
    }
    return b.take();
}


// The file commands with an editor, scripted dialogs and a temporary folder.
struct Commands : SurfaceHost {
    ScriptedDialogs dialogs;
    QWidget panel{&host};
    QProgressBar bar{&panel};
    QString caption;
    QTemporaryDir dir;
    QStringList pdfTitles; // what the PDF writer was asked for
    bool pdfFails = false;
    DocumentCommands files{DocumentContext{&txt, &state, &dialogs, &host, &panel, &bar,
                                           [this] { caption = documents::retitle(state); },
                                           [this](const Document& d, const QString& file, const QString& title) {
                                               pdfTitles << title;
                                               QFile f(file);
                                               if (pdfFails || !f.open(QIODevice::WriteOnly) || f.write("%PDF " + d.plainText().toUtf8()) <= 0)
                                                   throw IoError(IoError::Cause::PdfNotMade);
                                           }}};

    Commands() { panel.hide(); } // as the window's progress panel is until a pair is read or written

    QString path(const QString& name) const { return dir.filePath(name); }
    void choose(const QString& name, int filterIndex) { dialogs.files << FileDialogAnswer{true, path(name), filterIndex}; }
    QByteArray bytes(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    void put(const QString& name, const QByteArray& data) const { writeFilesAtomically({{path(name), data}}); }
    // The German message of the error a command throws, or nothing.
    template <class F>
    QString errorOf(F&& command)
    {
        try {
            command();
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
        return {};
    }
};

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT
private slots:
    void recentCaptions_data();
    void recentCaptions();
    void recentList();
    void baseOfNamedFiles_data();
    void baseOfNamedFiles();
    void initTestCase() { QVERIFY(resources::registerGreekFont().isEmpty()); }
    void recoveryCopies_data();
    void recoveryCopies();
    void recoveryOffered_data();
    void recoveryOffered();
    void recoveryFailureToldOnce();
    void recoveryWithoutFolder();
    void recoveryOfferedOnAFullDisk();
    void writeProtectedDocument_data();
    void writeProtectedDocument();
    void openElsewhereIsAsked_data();
    void openElsewhereIsAsked();
    void textExportOverAPairAsks_data();
    void textExportOverAPairAsks();
    void golden_data();
    void golden();
    void emptyDocumentWritesNothing();
    void roundTrip_data();
    void roundTrip();
    void writerMatchesPositionByPosition();
    void hostile_data();
    void hostile();
    void lineEnds_data();
    void lineEnds();
    void losses();
    void openFormats_data();
    void openFormats();
    void saveAsNames_data();
    void saveAsNames();
    void saveAsQuestion_data();
    void saveAsQuestion();
    void saveAsAnsweredNo();
    void shortDirectories_data();
    void shortDirectories();
    void failedOpenKeepsTheDocument_data();
    void failedOpenKeepsTheDocument();
    void failedSaveKeepsOldFiles_data();
    void failedSaveKeepsOldFiles();
    void readOnlyDirectory_data();
    void readOnlyDirectory();
    void unsavedText_data();
    void unsavedText();
    void pairAsksBeforeLosing();
    void emptyPairAsks_data();
    void emptyPairAsks();
    void unicodeTextFile_data();
    void unicodeTextFile();
    void otherProgramsDocument_data();
    void otherProgramsDocument();
    void saveAsWord();
    void betaCodeFile_data();
    void betaCodeFile();
    void betaCodeExportTellsWhatHasNoForm();
    void betaCodeExportReadBack();
    void saveAfterAnOpenThatLostSomething_data();
    void saveAfterAnOpenThatLostSomething();
    void interruptedSaveIsFinishedOnOpen_data();
    void interruptedSaveIsFinishedOnOpen();
    void exportsAreWellFormed_data();
    void exportsAreWellFormed();
    void exportCommand_data();
    void exportCommand();
    void exportAsksBeforeOverwriting();
    void odtKeepsSizesAndLanguage();
    void damagedAttributesLoadText();
    void pairSaveThenOpen();
};

void TestDocuments::golden_data()
{
    QTest::addColumn<Document>("document");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("runs");
    QTest::newRow("worked example") << doc({{"ab", greek(), 0}, {"cd", greek(styled::Bold), 0}}) << QByteArray("abcd")
                                    << hex("02 0E 6C 00 47 72 65 65 6B 00 01 0E 6C 01 47 72 65 65 6B 00"
                                           "01 0E 6C 01 47 72 65 65 6B 00");
    QTest::newRow("one character") << doc({{"a", greek(), 0}}) << QByteArray("a") << record(1, 14, 'l', 0);
    QTest::newRow("two characters") << doc({{"ab", greek(), 0}}) << QByteArray("ab")
                                    << record(1, 14, 'l', 0) + record(1, 14, 'l', 0);
    const QByteArray x300(300, 'x');
    QTest::newRow("300 uniform: 255, 44, 1") << doc({{x300.constData(), greek(), 0}}) << x300
                                             << record(255, 14, 'l', 0) + record(44, 14, 'l', 0) + record(1, 14, 'l', 0);
    QTest::newRow("split on font alone") << doc({{"ab", greek(), 0}, {"cd", {QStringLiteral("Arial"), 14, 0}, 0}})
                                         << QByteArray("abcd")
                                         << record(2, 14, 'l', 0) + record(1, 14, 'l', 0, "Arial") + record(1, 14, 'l', 0, "Arial");
    QTest::newRow("split on size alone") << doc({{"ab", greek(), 0}, {"cd", greek(0, 16), 0}}) << QByteArray("abcd")
                                         << record(2, 14, 'l', 0) + record(1, 16, 'l', 0) + record(1, 16, 'l', 0);
    QTest::newRow("split on style alone") << doc({{"ab", greek(), 0}, {"cd", greek(styled::Italic | styled::StrikeOut), 0}})
                                          << QByteArray("abcd")
                                          << record(2, 14, 'l', 0) + record(1, 14, 'l', 10) + record(1, 14, 'l', 10);
    QTest::newRow("split on alignment alone") << doc({{"ab\n", greek(), 2}, {"cd", greek(), 1}}) << QByteArray("ab\r\ncd")
                                              << record(4, 14, 'm', 0) + record(1, 14, 'r', 0) + record(1, 14, 'r', 0);
    QTest::newRow("size 300 as byte 44") << doc({{"ab", greek(0, 300), 0}}) << QByteArray("ab")
                                         << record(1, 44, 'l', 0) + record(1, 44, 'l', 0);
    QTest::newRow("text starting with a line end") << doc({{"\nab", greek(styled::Bold), 2}}) << QByteArray("\r\nab")
                                                   << record(2, 14, 'm', 0) + record(1, 14, 'm', 1) + record(1, 14, 'm', 1);
}

void TestDocuments::golden()
{
    QFETCH(Document, document);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, runs);
    const pair::Bytes bytes = pair::write(document);
    QCOMPARE(bytes.text, text);
    QCOMPARE(bytes.runs.toHex(' '), runs.toHex(' '));
}

void TestDocuments::emptyDocumentWritesNothing()
{
    const pair::Bytes bytes = pair::write(Document());
    QVERIFY(bytes.text.isEmpty());
    QVERIFY(bytes.runs.isEmpty());
}

// Written and read back, every run and every paragraph's alignment stays.
void TestDocuments::roundTrip_data()
{
    QTest::addColumn<Document>("document");
    QTest::newRow("worked example") << doc({{"ab", greek(), 0}, {"cd", greek(styled::Bold), 0}});
    QTest::newRow("centre, right, left, centre") << doc({{"eins\n", greek(), 2}, {"zwei\n", greek(), 1},
                                                         {"drei\n", greek(), 0}, {"vier", greek(), 2}});
    QTest::newRow("one-run paragraphs") << doc({{"a\n", greek(), 1}, {"b\n", greek(), 2}, {"c", greek(), 1}});
    QTest::newRow("empty paragraphs") << doc({{"\n", greek(), 2}, {"\n", greek(), 1}, {"x", greek(), 2}});
    QTest::newRow("all styles and codes") << doc({{"\xA1\xB4\x81\x9D", greek(15, 8), 0}, {"Z", {QStringLiteral("Arial"), 100, 5}, 0}});
    QRandomGenerator rng(7);
    for (int i = 0; i < 40; ++i) {
        Document d = randomDocument(rng, kRandomFormats, false);
        for (styled::Paragraph& p : d.paragraphs)
            for (styled::Run& r : p.runs)
                r.format.size &= 0xFF; // the pair keeps the low 8 bits
        d.normalize();
        QTest::addRow("random %d", i) << d;
    }
}

void TestDocuments::roundTrip()
{
    QFETCH(Document, document);
    const pair::Bytes bytes = pair::write(document);
    if (document.length() == 0) {
        QVERIFY(bytes.text.isEmpty()); // nothing to write, nothing written
        return;
    }
    const pair::ReadResult back = pair::read(bytes.text, bytes.runs);
    QVERIFY2(back.status == pair::Status::Ok, qPrintable(back.message() + bytes.runs.mid(back.offset, 40).toHex(' ')));
    Document expected = document;
    // An empty last paragraph has no position in the pair: it takes the
    // alignment of the line end before it, as the old reader gave it.
    if (expected.paragraphs.size() > 1 && expected.paragraphs.last().runs.isEmpty())
        expected.paragraphs.last().alignment = expected.paragraphs[expected.paragraphs.size() - 2].alignment;
    QVERIFY2(back.document.plainText() == expected.plainText(), "text");
    for (qsizetype p = 0; p < expected.paragraphs.size(); ++p)
        QCOMPARE(back.document.paragraphs[p].alignment, expected.paragraphs[p].alignment);
    QVERIFY2(back.document == expected, qPrintable(back.document.describe() + QStringLiteral("\n") + expected.describe()));
}

void TestDocuments::writerMatchesPositionByPosition()
{
    QWidget host;
    RichTextSurface editor(&host);
    QRandomGenerator rng(11);
    for (int i = 0; i < 60; ++i) {
        const Document d = randomDocument(rng, kRandomFormats, false);
        editor.load(d);
        const QByteArray reference = pairreference::referenceRuns(editor);
        const pair::Bytes bytes = pair::write(editor.snapshot());
        QVERIFY2(bytes.runs == reference, qPrintable(QStringLiteral("document %1: %2").arg(i).arg(d.describe().left(300))));
        QCOMPARE(bytes.text, codepage::encode(editor.text()).replace("\n", "\r\n"));
        // And the reader gives what the old one, record by record in the editor, gives.
        if (bytes.text.isEmpty())
            continue;
        RichTextSurface old(&host);
        pairreference::referenceRead(old, bytes.text, bytes.runs);
        const Document byEditor = old.snapshot();
        const Document byCodec = pair::read(bytes.text, bytes.runs).document;
        QVERIFY2(byEditor == byCodec, qPrintable(QStringLiteral("document %1: %2\n%3").arg(i).arg(byEditor.describe().left(300), byCodec.describe().left(300))));
    }
}

// Broken files load what can be loaded and say what happened; nothing crashes.
void TestDocuments::hostile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("runs");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("styleOfLast");
    const int ok = int(pair::Status::Ok);
    const int damaged = int(pair::Status::RunsDamaged);
    QTest::newRow("empty text file") << QByteArray() << record(1, 14, 'l', 0) << ok << "" << 0;
    QTest::newRow("empty attribute file") << QByteArray("ab") << QByteArray() << ok << "ab" << 0;
    QTest::newRow("record without its 0") << QByteArray("abc") << record(2, 14, 'l', 1) + QByteArray("\x01\x0e" "l\x02Greek", 9)
                                          << damaged << "abc" << 1;
    QTest::newRow("record cut inside its header") << QByteArray("abc") << record(2, 14, 'l', 2) + QByteArray("\x01\x0e", 2)
                                                  << damaged << "abc" << 2;
    QTest::newRow("run lengths past the text") << QByteArray("ab") << record(200, 14, 'l', 4) + record(200, 14, 'l', 1)
                                               << ok << "ab" << 4;
    QTest::newRow("style byte above 15") << QByteArray("ab") << record(1, 14, 'l', 0) + record(1, 14, 'l', 16) << ok << "ab"
                                         << int(styled::kAllStyles);
    QTest::newRow("unknown alignment byte") << QByteArray("ab") << record(1, 14, 'x', 0) + record(1, 14, '?', 0) << ok << "ab" << 0;
    QTest::newRow("NUL bytes and control codes") << QByteArray("\0\0\x01\x1f", 4) << QByteArray() << ok
                                                 << QString::fromLatin1("\0\0\x01\x1f", 4) << 0;
    QTest::newRow("zero-length runs") << QByteArray("abc") << record(0, 14, 'l', 1).repeated(100) << ok << "abc" << 0;
}

void TestDocuments::hostile()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, runs);
    QFETCH(int, status);
    QFETCH(QString, plain);
    QFETCH(int, styleOfLast);
    const pair::ReadResult r = pair::read(text, runs);
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.document.plainText(), plain);
    if (plain.isEmpty()) {
        QVERIFY(r.document == Document()); // an empty text file is an empty document
        return;
    }
    if (status == int(pair::Status::RunsDamaged)) {
        QVERIFY(r.message().contains(QLatin1String("Versuch hinter dem Dateiende zu lesen")));
        QVERIFY(r.offset > 0);
    }
    const styled::Paragraph& p = r.document.paragraphs.last();
    QCOMPARE(p.runs.last().format.style, styleOfLast);
}

void TestDocuments::lineEnds_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("plain");
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << "a\nb";
    QTest::newRow("lone LF") << QByteArray("a\nb") << "a\nb";
    QTest::newRow("lone CR") << QByteArray("a\rb") << "a\nb";
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << "a\n\nb";
    QTest::newRow("ends with CR LF") << QByteArray("a\r\n") << "a\n";
}

void TestDocuments::lineEnds()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, plain);
    QCOMPARE(pair::read(text, std::nullopt).document.plainText(), plain);
    // A lone CR or LF counts one position: a record after it starts where the text file says.
    const pair::ReadResult r = pair::read(text, record(2, 14, 'l', 0) + record(1, 14, 'l', 1) + record(9, 14, 'l', 1));
    QCOMPARE(r.document.paragraphs.first().runs.first().format.style, 0);
}

void TestDocuments::losses()
{
    const pair::Losses none = pair::losses(doc({{"abc", greek(), 0}}));
    QVERIFY(!none.any());
    styled::DocumentBuilder b;
    b.append(QStringLiteral("ab"), greek());
    b.breakParagraph();
    b.append(QStringLiteral(u"xαβ"), greek(0, 256));
    const pair::Losses l = pair::losses(b.take());
    QCOMPARE(l.uncodedCharacters, 2);
    QCOMPARE(l.firstUncoded, 6); // a b CR LF x α: position 6, counted from 1
    QCOMPARE(l.oversizedRuns, 1);
    QCOMPARE(l.firstOversized, 5);
}

// Open by filter entry: 1 reads RTF (or plain text), 2 and 3 read the pair
// and apply the attribute file when there is one.
void TestDocuments::openFormats_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<bool>("withRuns");
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<int>("styleOfLast");
    QTest::newRow("rtf") << "brief.rtf" << 1 << false << false << int(styled::Bold);
    QTest::newRow("pair by the sri entry") << "brief.sri" << 2 << true << true << int(styled::Bold);
    QTest::newRow("text entry with sri") << "brief.txt" << 3 << true << true << int(styled::Bold);
    QTest::newRow("text entry without sri") << "brief.txt" << 3 << false << true << 0;
}

void TestDocuments::openFormats()
{
    QFETCH(QString, file);
    QFETCH(int, filterIndex);
    QFETCH(bool, withRuns);
    QFETCH(bool, legacy);
    QFETCH(int, styleOfLast);
    Commands c;
    const Document d = doc({{"ab", greek(), 2}, {"cd", greek(styled::Bold), 2}});
    c.put(QStringLiteral("brief.rtf"), rtf::write(d));
    const pair::Bytes pairBytes = pair::write(d);
    c.put(QStringLiteral("brief.txt"), pairBytes.text);
    if (withRuns)
        c.put(QStringLiteral("brief.sri"), pairBytes.runs);
    c.txt.typeText(QStringLiteral("alt"));
    c.txt.setModified(false);
    c.choose(file, filterIndex);
    c.files.open();
    QCOMPARE(c.txt.text(), QStringLiteral("abcd"));
    QCOMPARE(c.state.BasePath, c.path(QStringLiteral("brief.")));
    QCOMPARE(c.state.LegacyFormat(), legacy);
    QCOMPARE(c.caption, QStringLiteral("Stilora - Brief"));
    QCOMPARE(c.txt.selStart(), 0);
    QCOMPARE(c.txt.snapshot().paragraphs[0].runs.last().format.style, styleOfLast);
    QVERIFY(!c.txt.isModified());
    QVERIFY(!c.state.LoadingDocument);
    QVERIFY(c.txt.widget()->isEnabled());
    QVERIFY(c.panel.isHidden());
}

void TestDocuments::saveAsNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("caption");
    QTest::newRow("plain name") << "ilias.rtf" << 1 << "ilias.rtf" << "Stilora - Ilias";
    QTest::newRow("four-letter extension") << "notes.text" << 1 << "notes.trtf" << "Stilora - Notes.";
    QTest::newRow("umlaut stays") << "über.rtf" << 1 << "über.rtf" << "Stilora - über";
    QTest::newRow("digit") << "2.rtf" << 1 << "2.rtf" << "Stilora - 2";
    QTest::newRow("only the extension") << ".rtf" << 1 << ".rtf" << "Stilora - ";
    QTest::newRow("no extension, RTF entry") << "brief" << 1 << "brief.rtf" << "Stilora - Brief";
    QTest::newRow("no extension, pair entry, new document") << "brief" << 2 << "brief.rtf" << "Stilora - Brief";
    QTest::newRow("pair entry keeps a new document RTF") << "brief.sri" << 2 << "brief.rtf" << "Stilora - Brief";
}

void TestDocuments::saveAsNames()
{
    QFETCH(QString, typed);
    QFETCH(int, filterIndex);
    QFETCH(QString, written);
    QFETCH(QString, caption);
    Commands c;
    c.txt.typeText(QStringLiteral("logos"));
    c.choose(typed, filterIndex);
    QVERIFY(c.files.saveAs());
    QCOMPARE(c.caption, caption);
    QVERIFY(!c.state.LegacyFormat());
    QCOMPARE(rtf::read(c.bytes(written)).document.plainText(), QStringLiteral("logos"));
    QCOMPARE(c.dialogs.requests.last().filter, DocumentCommands::kSaveFilter);
    QCOMPARE(c.dialogs.requests.last().defaultExtension, QStringLiteral("*.sri"));
    QVERIFY(!c.txt.isModified());
    // Save on a named document writes at once, without dialog or question.
    c.txt.typeText(QStringLiteral("!"));
    QVERIFY(c.files.save());
    QCOMPARE(c.dialogs.requests.size(), 1);
    QCOMPARE(rtf::read(c.bytes(written)).document.plainText(), QStringLiteral("logos!"));
}

// Which existing file raises the overwrite question.
void TestDocuments::saveAsQuestion_data()
{
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<QString>("existing");
    QTest::addColumn<bool>("asked");
    QTest::newRow("RTF over an rtf") << false << "ziel.rtf" << true;
    QTest::newRow("RTF over a txt") << false << "ziel.txt" << false;
    QTest::newRow("pair over a txt without sri") << true << "ziel.txt" << true;
    QTest::newRow("pair over an sri alone") << true << "ziel.sri" << false;
}

void TestDocuments::saveAsQuestion()
{
    QFETCH(bool, legacy);
    QFETCH(QString, existing);
    QFETCH(bool, asked);
    Commands c;
    c.txt.typeText(QStringLiteral("neu"));
    c.state.Kind = legacy ? DocumentKind::Format::Pair : DocumentKind::Format::Rtf;
    c.put(existing, "alt");
    c.choose(QStringLiteral("ziel.sri"), 2);
    QVERIFY(c.files.saveAs());
    QCOMPARE(c.dialogs.questions, asked ? QStringList{DocumentCommands::kOverwriteQuestion} : QStringList());
    const QByteArray written = c.bytes(legacy ? QStringLiteral("ziel.txt") : QStringLiteral("ziel.rtf"));
    QCOMPARE(legacy ? codepage::decode(written) : rtf::read(written).document.plainText(), QStringLiteral("neu"));
}

void TestDocuments::saveAsAnsweredNo()
{
    Commands c;
    c.txt.typeText(QStringLiteral("neu"));
    c.put(QStringLiteral("ziel.rtf"), "alt");
    c.choose(QStringLiteral("ziel.rtf"), 1);
    c.dialogs.answers << false;
    QVERIFY(!c.files.saveAs());
    QCOMPARE(c.bytes(QStringLiteral("ziel.rtf")), QByteArray("alt"));
    QVERIFY(c.state.BasePath.isEmpty());
    QCOMPARE(c.caption, QStringLiteral("Stilora- Ohne Titel"));
    QCOMPARE(c.state.SaveDir, documents::shortString(c.dir.path() + QLatin1Char('/')));
    // The next Save asks for a name again.
    QVERIFY(!c.files.save());
    QCOMPARE(c.dialogs.requests.size(), 2);
}

void TestDocuments::shortDirectories_data()
{
    QTest::addColumn<int>("length"); // of the directory, its final separator included
    QTest::addColumn<int>("kept");
    QTest::newRow("40 characters survive whole") << 40 << 40;
    QTest::newRow("41 lose the separator") << 41 << 40;
}

void TestDocuments::shortDirectories()
{
    QFETCH(int, length);
    QFETCH(int, kept);
    Commands c;
    QString sub = c.dir.path() + QLatin1Char('/');
    sub += QString(length - int(sub.size()) - 1, QLatin1Char('d')) + QLatin1Char('/');
    QCOMPARE(sub.size(), length);
    QVERIFY(QDir().mkpath(sub));
    c.txt.typeText(QStringLiteral("x"));
    c.dialogs.files << FileDialogAnswer{true, sub + QStringLiteral("a.rtf"), 1};
    QVERIFY(c.files.saveAs());
    QCOMPARE(c.state.SaveDir, sub.left(kept));
    QCOMPARE(c.state.OpenDir, sub.left(kept));
}

// A failed open leaves the editor's document, its name, its format and the
// title as they were, so that Save cannot write it over the file that failed.
void TestDocuments::failedOpenKeepsTheDocument_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("message");
    QTest::newRow("RTF nested too deeply") << QByteArray("{\\rtf1 ") + QByteArray(5000, '{') << 1
                                           << "Das Laden des Streams ist mißlungen: Gruppen zu tief verschachtelt (Byte 1006 in kaputt.rtf)";
    QTest::newRow("binary file as RTF") << QByteArray("\x89PNG\0\0", 6) << 1
                                        << "Das Laden des Streams ist mißlungen: weder RTF noch Text (Byte 4 in kaputt.rtf)";
    QTest::newRow("pair without text file") << QByteArray() << 2 << "Datei nicht gefunden: kaputt.txt";
    QTest::newRow("text file is a directory") << QByteArray("<directory>") << 3 << "Ist ein Verzeichnis, keine Datei: kaputt.txt";
    QTest::newRow("RTF is a directory") << QByteArray("<directory>") << 1 << "Ist ein Verzeichnis, keine Datei: kaputt.rtf";
}

void TestDocuments::failedOpenKeepsTheDocument()
{
    QFETCH(QByteArray, content);
    QFETCH(int, filterIndex);
    QFETCH(QString, message);
    Commands c;
    c.txt.typeText(QStringLiteral("mein Text"));
    c.choose(QStringLiteral("alt.rtf"), 1);
    QVERIFY(c.files.saveAs());
    const QString name = filterIndex == 1 ? QStringLiteral("kaputt.rtf") : QStringLiteral("kaputt.txt");
    if (content == "<directory>")
        QVERIFY(QDir(c.dir.path()).mkdir(name));
    else if (!(filterIndex == 2))
        c.put(name, content);
    c.choose(filterIndex == 2 ? QStringLiteral("kaputt.sri") : name, filterIndex);
    QCOMPARE(c.errorOf([&] { c.files.open(); }), message);
    QCOMPARE(c.txt.text(), QStringLiteral("mein Text"));
    QCOMPARE(c.state.BasePath, c.path(QStringLiteral("alt.")));
    QVERIFY(!c.state.LegacyFormat());
    QCOMPARE(c.caption, QStringLiteral("Stilora - Alt"));
    QVERIFY(!c.state.LoadingDocument);
    QVERIFY(c.txt.widget()->isEnabled());
    QVERIFY(!c.txt.widget()->isHidden());
    QVERIFY(c.panel.isHidden());
}

// A save that fails on a full disk leaves the old files byte for byte and the window usable.
void TestDocuments::failedSaveKeepsOldFiles_data()
{
    QTest::addColumn<bool>("legacy");
    QTest::newRow("RTF") << false;
    QTest::newRow("pair") << true;
}

void TestDocuments::failedSaveKeepsOldFiles()
{
    QFETCH(bool, legacy);
    Commands c;
    c.txt.typeText(QStringLiteral("alt"));
    c.state.Kind = legacy ? DocumentKind::Format::Pair : DocumentKind::Format::Rtf;
    c.choose(QStringLiteral("brief.sri"), 2);
    QVERIFY(c.files.saveAs());
    const QStringList names = {QStringLiteral("brief.rtf"), QStringLiteral("brief.txt"), QStringLiteral("brief.sri")};
    QList<QByteArray> before;
    for (const QString& n : names)
        before << c.bytes(n);
    c.txt.load(Document::fromPlainText(QStringLiteral("logos kai ethos\n").repeated(6000)));
    c.txt.typeText(QStringLiteral("!"));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096; // the disk is full after 4 KiB
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const QString error = c.errorOf([&] { c.files.save(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY2(error.contains(QLatin1String("Zu wenig Speicherplatz")), qPrintable(error));
    for (qsizetype i = 0; i < names.size(); ++i)
        QCOMPARE(c.bytes(names[i]), before[i]);
    QVERIFY(c.txt.isModified()); // still to be saved
    QVERIFY(!c.txt.widget()->isHidden());
    QVERIFY(c.panel.isHidden());
    QCOMPARE(QDir(c.dir.path()).entryList(QDir::Files).size(), legacy ? 2 : 1); // no temporary file left
}

// A directory nobody may write to, not even root: /proc/self.
void TestDocuments::readOnlyDirectory_data()
{
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<QString>("message");
    QTest::newRow("RTF") << false << "Das Speichern des Streams ist mißlungen: Dateizugriff verweigert: brief.rtf";
    QTest::newRow("pair") << true << "Dateizugriff verweigert: brief.txt";
}

void TestDocuments::readOnlyDirectory()
{
    QFETCH(bool, legacy);
    QFETCH(QString, message);
    Commands c;
    c.txt.typeText(QStringLiteral("text"));
    c.state.Kind = legacy ? DocumentKind::Format::Pair : DocumentKind::Format::Rtf;
    c.dialogs.files << FileDialogAnswer{true, QStringLiteral("/proc/self/brief.sri"), 2};
    QCOMPARE(c.errorOf([&] { c.files.saveAs(); }), message);
    QCOMPARE(c.txt.text(), QStringLiteral("text"));
    QVERIFY(c.txt.isModified());
    QVERIFY(!c.txt.widget()->isHidden());
    QVERIFY(c.panel.isHidden());
}

// Changed text is not thrown away without a word.
void TestDocuments::unsavedText_data()
{
    QTest::addColumn<int>("answer"); // Yes, No, Cancel
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("dialogAccepted");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Cancel") << int(Dialogs::Answer::Cancel) << true << false << false << false;
    QTest::newRow("No") << int(Dialogs::Answer::No) << true << false << true << false;
    QTest::newRow("Yes, named") << int(Dialogs::Answer::Yes) << true << false << true << true;
    QTest::newRow("Yes, untitled, Save As cancelled") << int(Dialogs::Answer::Yes) << false << false << false << false;
    QTest::newRow("Yes, untitled, saved as") << int(Dialogs::Answer::Yes) << false << true << true << true;
}

void TestDocuments::unsavedText()
{
    QFETCH(int, answer);
    QFETCH(bool, named);
    QFETCH(bool, dialogAccepted);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);
    Commands c;
    if (named) {
        c.txt.typeText(QStringLiteral("v1"));
        c.choose(QStringLiteral("brief.rtf"), 1);
        QVERIFY(c.files.saveAs());
    }
    c.txt.typeText(QStringLiteral("v2"));
    c.dialogs.threeWay << Dialogs::Answer(answer);
    if (dialogAccepted)
        c.choose(QStringLiteral("brief.rtf"), 1);
    c.files.newDocument();
    QCOMPARE(c.dialogs.questions.last(), DocumentCommands::kUnsavedQuestion);
    QCOMPARE(c.txt.text().isEmpty(), goesOn);
    QCOMPARE(rtf::read(c.bytes(QStringLiteral("brief.rtf"))).document.plainText().endsWith(QLatin1String("v2")), saved);
    // An unchanged document asks nothing.
    const int asked = int(c.dialogs.questions.size());
    c.txt.setModified(false);
    c.files.newDocument();
    QCOMPARE(c.dialogs.questions.size(), asked);
    QVERIFY(c.txt.text().isEmpty());
}

void TestDocuments::pairAsksBeforeLosing()
{
    Commands c;
    c.txt.typeText(QStringLiteral(u"ab α"));
    c.state.Kind = DocumentKind::Format::Pair;
    c.choose(QStringLiteral("brief.sri"), 2);
    c.dialogs.answers << false;
    QVERIFY(!c.files.saveAs());
    QCOMPARE(c.dialogs.questions.size(), 1);
    QVERIFY(c.dialogs.questions[0].contains(QLatin1String("1 Zeichen ohne 8-Bit-Code (das erste an Stelle 4)")));
    QCOMPARE(c.bytes(QStringLiteral("brief.txt")), QByteArray("<none>"));
    c.choose(QStringLiteral("brief.sri"), 2);
    c.dialogs.answers << true;
    QVERIFY(c.files.saveAs());
    QCOMPARE(c.bytes(QStringLiteral("brief.txt")), QByteArray("ab ?"));
}

void TestDocuments::damagedAttributesLoadText()
{
    Commands c;
    c.put(QStringLiteral("brief.txt"), "abc");
    c.put(QStringLiteral("brief.sri"), record(2, 14, 'm', 1) + QByteArray("\x01\x0e", 2));
    c.choose(QStringLiteral("brief.sri"), 2);
    c.files.open();
    QCOMPARE(c.txt.text(), QStringLiteral("abc"));
    QCOMPARE(c.dialogs.notices.size(), 1);
    QVERIFY(c.dialogs.notices[0].contains(QLatin1String("Byte 10")));
    c.txt.selectRange(0, 1);
    QCOMPARE(c.txt.fontStyle(), int(styled::Bold));
    QCOMPARE(c.txt.alignment(), int(styled::AlignCentre));
}

// A pair saved and opened again is the same document; the caret is at the start.
void TestDocuments::pairSaveThenOpen()
{
    Commands c;
    const Document d = doc({{"eins\n", greek(), 2}, {"zwei\n", {QStringLiteral("Arial"), 22, 5}, 1}, {"drei", greek(2), 0}});
    c.txt.load(d);
    c.txt.setSelStart(7);
    c.state.Kind = DocumentKind::Format::Pair;
    c.choose(QStringLiteral("brief.sri"), 2);
    QVERIFY(c.files.saveAs());
    QCOMPARE(c.txt.selStart(), 0);
    QCOMPARE(c.bytes(QStringLiteral("brief.txt")), QByteArray("eins\r\nzwei\r\ndrei"));
    c.txt.load(Document());
    c.choose(QStringLiteral("brief.txt"), 3);
    c.files.open();
    QVERIFY2(c.txt.snapshot() == d, qPrintable(c.txt.snapshot().describe()));
}

// An empty text cannot be a pair older versions read: the user decides.
void TestDocuments::emptyPairAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Ja: both files emptied") << true;
    QTest::newRow("Nein: nothing written") << false;
}

void TestDocuments::emptyPairAsks()
{
    QFETCH(bool, yes);
    Commands c;
    c.put(QStringLiteral("brief.txt"), "alter Text");
    c.put(QStringLiteral("brief.sri"), record(10, 14, 'l', 0));
    c.choose(QStringLiteral("brief.sri"), 2);
    c.files.open();
    c.txt.setSelStart(0);
    c.txt.setSelLength(c.txt.textLength());
    c.txt.deleteSelection();
    QVERIFY(c.txt.isModified());
    c.dialogs.answers << yes;
    QCOMPARE(c.files.save(), yes);
    QCOMPARE(c.dialogs.questions, QStringList{DocumentCommands::kEmptyPairQuestion});
    QCOMPARE(c.txt.isModified(), !yes);
    QCOMPARE(c.bytes(QStringLiteral("brief.txt")), yes ? QByteArray() : QByteArray("alter Text"));
    QCOMPARE(c.bytes(QStringLiteral("brief.sri")), yes ? QByteArray() : record(10, 14, 'l', 0));
    // What was saved opens again, without an error.
    c.txt.typeText(QStringLiteral("x"));
    c.txt.setModified(false);
    c.choose(QStringLiteral("brief.sri"), 2);
    QCOMPARE(c.errorOf([&] { c.files.open(); }), QString());
    QCOMPARE(c.txt.text(), yes ? QString() : QStringLiteral("alter Text"));
}

// Another program's UTF-8 text opens as Greek; 8-bit text and a pair stay codes;
// the UTF-8 file is not written over unasked.
void TestDocuments::unicodeTextFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("withRuns");
    QTest::addColumn<QString>("expected"); // each run as [font]text
    QTest::addColumn<bool>("unicode");
    QTest::newRow("UTF-8 Greek and German") << QByteArray("ἀρχὴ und Übung") << false << "[Greek]" + codepage::decode("\xa2rx\xbe") + "[Arial] und Übung" << true;
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBFλόγος") << false << "[Greek]" + codepage::decode("l\xd2goj") << true;
    QTest::newRow("8-bit codes, no UTF-8") << QByteArray("\xa5ndra") << false << "[Greek]" + codepage::decode("\xa5ndra") << false;
    QTest::newRow("ASCII only") << QByteArray("logos") << false << "[Greek]logos" << false;
    QTest::newRow("UTF-8 bytes with an attribute file") << QByteArray("\xC3\xA4") << true << "[Greek]" + codepage::decode("\xc3\xa4") << false;
}

void TestDocuments::unicodeTextFile()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, withRuns);
    QFETCH(QString, expected);
    QFETCH(bool, unicode);
    Commands c;
    c.put(QStringLiteral("fremd.txt"), text);
    if (withRuns)
        c.put(QStringLiteral("fremd.sri"), record(2, 14, 'l', 0));
    c.choose(QStringLiteral("fremd.txt"), 3);
    c.files.open();
    QString runs;
    const Document opened = c.txt.snapshot();
    for (const styled::Run& r : opened.paragraphs[0].runs)
        runs += QLatin1Char('[') + r.format.font + QLatin1Char(']') + r.text;
    QCOMPARE(runs, expected);
    QCOMPARE(!c.state.Kind.savesInPlace(), unicode);
    // Save: a pair is written back at once, Unicode text goes through Save As with its name suggested.
    c.txt.typeText(QStringLiteral("x"));
    c.dialogs.files.clear(); // Save As is cancelled
    const bool saved = c.files.save();
    QCOMPARE(saved, !unicode);
    if (unicode) {
        QCOMPARE(c.bytes(QStringLiteral("fremd.txt")), text);
        QCOMPARE(c.dialogs.requests.last().suggestedName, QStringLiteral("fremd.rtf"));
        QCOMPARE(c.dialogs.requests.last().filterIndex, 1);
        c.choose(QStringLiteral("fremd.rtf"), 1);
        QVERIFY(c.files.save());
        QVERIFY(!!c.state.Kind.savesInPlace());
        QCOMPARE(c.bytes(QStringLiteral("fremd.txt")), text);
        QVERIFY(QFileInfo::exists(c.path(QStringLiteral("fremd.rtf"))));
    }
}

// Another program's Word or OpenDocument text, from the dialog's own entry or by
// its name: its Greek becomes codes, what was not taken is told once, and
// Save does not write over it but asks for a name.
void TestDocuments::otherProgramsDocument_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("entry"); // 0: named from outside
    QTest::newRow("ODT from the dialog") << "sample.odt" << 5;
    QTest::newRow("DOCX from the dialog") << "sample.docx" << 4;
    QTest::newRow("DOCX by its name") << "sample.docx" << 0;
    QTest::newRow("ODT by its name") << "sample.odt" << 0;
    QTest::newRow("flat ODT by its name") << "sample.fodt" << 0;
}

void TestDocuments::otherProgramsDocument()
{
    QFETCH(QString, file);
    QFETCH(int, entry);
    Commands c;
    const QByteArray bytes = fileBytes(QStringLiteral(STILORA_SOURCE_DIR "/tests/formats/data/") + file);
    c.put(file, bytes);
    if (entry > 0) {
        c.choose(file, entry);
        c.files.open();
    } else {
        c.files.openFile(c.path(file));
    }
    const Document d = c.txt.snapshot();
    QCOMPARE(d.paragraphs.first().runs.first().format.font, QStringLiteral("Greek"));
    QCOMPARE(unicodegreek::exportGreek(d.paragraphs.first().runs.first().text.left(6)), QStringLiteral(u"μῆνιν "));
    QCOMPARE(c.dialogs.notices.size(), 1);
    QVERIFY2(c.dialogs.notices.last().startsWith(QStringLiteral("Nicht übernommen: 1 Bild, 1 Kommentar")), qPrintable(c.dialogs.notices.last()));
    QCOMPARE(c.state.Kind.format(), file.endsWith(QLatin1String(".docx")) ? DocumentKind::Format::Docx : DocumentKind::Format::Odt);
    QCOMPARE(c.caption, QStringLiteral("Stilora - Sample"));
    c.txt.typeText(QStringLiteral("x"));
    c.dialogs.files.clear(); // Save As is cancelled
    QVERIFY(!c.files.save());
    QCOMPARE(c.dialogs.requests.last().suggestedName, QFileInfo(file).completeBaseName() + QStringLiteral(".rtf"));
    QCOMPARE(c.bytes(file), bytes);
}

// A Beta Code file, from the dialog's entry or by its name: Greek in "Greek",
// Latin text in Arial, the signs without a code told once; Save asks for a
// name (an RTF beside it) and never writes over the Beta Code.
void TestDocuments::betaCodeFile_data()
{
    QTest::addColumn<int>("entry"); // 0: named from outside
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("notice");
    const QByteArray iliad = "&Il. 1.1$\r\n*MH=NIN A)/EIDE QEA\\\r\n";
    QTest::newRow("from the dialog") << 6 << iliad << QString();
    QTest::newRow("by its name") << 0 << iliad << QString();
    QTest::newRow("with a macron and a digamma")
        << 0 << QByteArray("&Il. 1.1$\n*MH=NIN A%26 VA/NAC\n")
        << QStringLiteral(u"Nicht übernommen: 1 Beta-Code-Zeichen ohne Entsprechung (Makron, Breve, Auszeichnung …); Ohne Code im "
                          u"Zeichensatz „Greek“, als Unicode behalten: 1 griechisches Zeichen (Digamma, Koppa …).");
}

void TestDocuments::betaCodeFile()
{
    QFETCH(int, entry);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, notice);
    Commands c;
    c.put(QStringLiteral("ilias.beta"), bytes);
    if (entry > 0) {
        c.choose(QStringLiteral("ilias.beta"), entry);
        c.files.open();
    } else {
        c.files.openFile(c.path(QStringLiteral("ilias.beta")));
    }
    const Document d = c.txt.snapshot();
    QCOMPARE(d.paragraphs.size(), 3); // the file's last line end begins an empty paragraph
    QCOMPARE(d.paragraphs[0].runs.first(), (styled::Run{QStringLiteral("Il. 1.1"), {QStringLiteral("Arial"), 14, 0}}));
    QCOMPARE(d.paragraphs[1].runs.first().format.font, QStringLiteral("Greek"));
    QVERIFY(unicodegreek::exportGreek(d.paragraphs[1].runs.first().text).startsWith(QStringLiteral(u"Μῆνιν ")));
    QCOMPARE(c.dialogs.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    QCOMPARE(c.state.Kind.format(), DocumentKind::Format::BetaCode);
    QCOMPARE(c.caption, QStringLiteral("Stilora - Ilias"));
    c.txt.typeText(QStringLiteral("x"));
    c.dialogs.files.clear(); // Save As is cancelled
    QVERIFY(!c.files.save());
    QCOMPARE(c.dialogs.requests.last().suggestedName, QStringLiteral("ilias.rtf"));
    QCOMPARE(c.bytes(QStringLiteral("ilias.beta")), bytes);
}

// The export's Beta Code (*.txt) reads back through Open's Beta Code entry
// into the same text, Greek in "Greek" and Latin text in Arial.
void TestDocuments::betaCodeExportReadBack()
{
    Commands c;
    styled::DocumentBuilder b;
    b.append(QStringLiteral("Il. 1.1"), {QStringLiteral("Arial"), 14, 0});
    b.breakParagraph();
    b.append(unicodegreek::importGreek(QStringLiteral(u"μῆνιν ἄειδε θεὰ (Πηληϊάδεω) Ἀχιλῆος")).codes, greek());
    const Document d = b.take();
    c.txt.load(d);
    c.state.BasePath = c.path(QStringLiteral("ilias."));
    c.choose(QStringLiteral("aus"), 5);
    c.files.exportDocument();
    QCOMPARE(c.bytes(QStringLiteral("aus.txt")), QByteArray("&Il. 1.1$\nMH=NIN A)/EIDE QEA\\ [1*PHLHI+A/DEW]1 *)AXILH=OS"));
    c.choose(QStringLiteral("aus.txt"), 6);
    c.files.open();
    QCOMPARE(c.txt.snapshot(), d);
    QCOMPARE(c.state.Kind.format(), DocumentKind::Format::BetaCode);
}

// What Beta Code has no form for is told after the export, which is written.
void TestDocuments::betaCodeExportTellsWhatHasNoForm()
{
    Commands c;
    styled::DocumentBuilder b;
    b.append(QStringLiteral("logoj "), greek()); // λόγος with its final sigma
    b.append(QStringLiteral("5 $"), {QStringLiteral("Arial"), 14, 0});
    c.txt.load(b.take());
    c.state.BasePath = c.path(QStringLiteral("brief."));
    c.choose(QStringLiteral("aus"), 5);
    c.files.exportDocument();
    QCOMPARE(c.bytes(QStringLiteral("aus.txt")), QByteArray("LOGOS 5 "));
    QCOMPARE(c.dialogs.notices.size(), 1);
    QVERIFY2(c.dialogs.notices.last().startsWith(QStringLiteral("1 Zeichen ohne Form in Beta Code")), qPrintable(c.dialogs.notices.last()));
}

// "Speichern unter" with the third entry writes a Word document, which Save
// then writes again in place and which reads back into the same document.
void TestDocuments::saveAsWord()
{
    Commands c;
    c.txt.load(Document::fromPlainText(codepage::decode("\xa5ndra moi \tennepe"), greek()));
    c.choose(QStringLiteral("brief"), 3); // no extension typed: the entry's
    QVERIFY(c.files.saveAs());
    QCOMPARE(c.state.Kind.format(), DocumentKind::Format::Docx);
    QCOMPARE(c.state.BasePath, c.path(QStringLiteral("brief.")));
    QVERIFY(QFileInfo::exists(c.path(QStringLiteral("brief.docx"))));
    c.txt.setSelStart(c.txt.textLength());
    c.txt.typeText(QStringLiteral("!"));
    c.dialogs.files.clear();
    QVERIFY(c.files.save()); // in place, no dialog
    const Document back = docfiles::open(c.path(QStringLiteral("brief.docx"))).document;
    QCOMPARE(back, c.txt.snapshot());
}

// Save writes a document back in its own format only when nothing was lost
// on the way in; otherwise it asks for a name, and the file stays as it was.
void TestDocuments::saveAfterAnOpenThatLostSomething_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("inPlace");
    QByteArray odt;
    {
        QBuffer b(&odt);
        b.open(QIODevice::WriteOnly);
        exportwriters::writeOdt(Document::fromPlainText(QStringLiteral("Brief"), {QStringLiteral("Arial"), 12, 0}), b, {});
    }
    QTest::newRow("RTF, whole") << "brief.rtf" << QByteArray("{\\rtf1\\ansi Brief\\par}") << true;
    QTest::newRow("RTF with a footnote") << "brief.rtf" << QByteArray("{\\rtf1\\ansi Brief{\\footnote Note}\\par}") << false;
    QTest::newRow("RTF with a picture") << "brief.rtf" << QByteArray("{\\rtf1\\ansi Brief{\\pict 00}\\par}") << false;
    QTest::newRow("ODT, whole: written back as ODT") << "brief.odt" << odt << true;
    QTest::newRow("LibreOffice's DOCX: lost something") << "brief.docx"
                                                       << fileBytes(QStringLiteral(STILORA_SOURCE_DIR "/tests/formats/data/sample.docx")) << false;
}

void TestDocuments::saveAfterAnOpenThatLostSomething()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, inPlace);
    Commands c;
    c.put(file, bytes);
    c.files.openFile(c.path(file));
    QCOMPARE(c.dialogs.notices.isEmpty(), inPlace); // a loss is told
    c.txt.setSelStart(0);
    c.txt.typeText(QStringLiteral("Lieber "));
    c.dialogs.files.clear(); // Save As, if it comes, is cancelled
    QCOMPARE(c.files.save(), inPlace);
    if (!inPlace) {
        QCOMPARE(c.bytes(file), bytes);
        QCOMPARE(c.dialogs.requests.last().suggestedName, QStringLiteral("brief.rtf"));
        return;
    }
    // Read back in its own format: the change is there.
    QVERIFY(!c.txt.isModified());
    QVERIFY2(docfiles::open(c.path(file)).document.plainText().startsWith(QStringLiteral("Lieber Brief")), qPrintable(file));
}

namespace {
struct Killed {};
}

// A save killed between the two renames leaves both pairs' files; the next open finds them and reads one whole pair.
void TestDocuments::interruptedSaveIsFinishedOnOpen_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("nth");
    QTest::addColumn<QString>("expected");
    QTest::newRow("writing the journal") << int(atomicfiles::Step::Journal) << 1 << "old";
    QTest::newRow("at the first rename") << int(atomicfiles::Step::Rename) << 1 << "new";
    QTest::newRow("between the two renames") << int(atomicfiles::Step::Rename) << 2 << "new";
    QTest::newRow("after both renames") << int(atomicfiles::Step::Unlink) << 1 << "new";
}

void TestDocuments::interruptedSaveIsFinishedOnOpen()
{
    QFETCH(int, step);
    QFETCH(int, nth);
    QFETCH(QString, expected);
    Commands c;
    c.txt.typeText(QStringLiteral("old"));
    c.state.Kind = DocumentKind::Format::Pair;
    c.choose(QStringLiteral("brief.sri"), 2);
    QVERIFY(c.files.saveAs());
    c.txt.setSelStart(c.txt.textLength()); // the pair writer put the caret at the start
    c.txt.typeText(QStringLiteral(" and new"));
    int seen = 0;
    atomicfiles::setFaultHook([&](atomicfiles::Step s, const QByteArray&) {
        if (int(s) == step && ++seen == nth)
            throw Killed{}; // what a kill leaves: nothing after it runs
        return 0;
    });
    try {
        c.files.save();
    } catch (const Killed&) {
    }
    atomicfiles::setFaultHook({});
    QVERIFY(!QDir(c.dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral("stilora-")).isEmpty());
    c.txt.setModified(false);
    c.choose(QStringLiteral("brief.sri"), 2);
    c.files.open();
    QCOMPARE(c.txt.text(), expected == QLatin1String("old") ? QStringLiteral("old") : QStringLiteral("old and new"));
    QVERIFY(QDir(c.dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral("stilora-")).isEmpty());
}

namespace {

QByteArray unzipped(const QString& archive, const QString& entry)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, entry});
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}

// The paragraphs of an OpenDocument text or an HTML page as a reader sees
// them: every element read to the end (a malformed file fails here), spaces
// as <text:s/> and tabs as <text:tab/> counted, white space otherwise as XML
// readers of either format treat it.
QStringList paragraphsOf(const QByteArray& xml, bool odt, QString* error)
{
    QXmlStreamReader r(xml);
    QStringList out;
    QString current;
    int depth = 0; // inside a paragraph
    while (!r.atEnd()) {
        r.readNext();
        const QStringView name = r.name();
        if (r.isStartElement()) {
            if ((odt && name == u"p" && r.namespaceUri() == u"urn:oasis:names:tc:opendocument:xmlns:text:1.0")
                || (!odt && (name == u"p" || name == u"pre"))) {
                depth = 1;
                current.clear();
            } else if (depth && odt && name == u"s") {
                const int n = r.attributes().value(QStringLiteral("text:c")).toInt();
                current += QString(std::max(n, 1), QLatin1Char(' '));
            } else if (depth && odt && name == u"tab") {
                current += QLatin1Char('\t');
            }
        } else if (r.isEndElement() && depth && (name == u"p" || (!odt && name == u"pre"))) {
            out << current;
            depth = 0;
        } else if (r.isCharacters() && depth) {
            QString t = r.text().toString();
            if (odt) {
                // Readers of OpenDocument collapse white space.
                QString collapsed;
                for (QChar ch : t) {
                    if (ch.isSpace() && ((collapsed.isEmpty() && (current.isEmpty() || current.endsWith(QLatin1Char(' ')))) || collapsed.endsWith(QLatin1Char(' '))))
                        continue;
                    collapsed += ch.isSpace() ? QChar(QLatin1Char(' ')) : ch;
                }
                t = collapsed;
            }
            current += t;
        }
    }
    if (r.hasError())
        *error = r.errorString() + QStringLiteral(" at line %1").arg(r.lineNumber());
    return out;
}

} // namespace

// What we write other programs can read: the XML well-formed whatever the
// text holds, spaces and tabs kept.
void TestDocuments::exportsAreWellFormed_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text"); // in Arial, so that it goes out as it is
    QTest::addColumn<QStringList>("paragraphs");
    for (const char* format : {"odt", "html"}) {
        const QString f = QLatin1String(format);
        QTest::addRow("%s: markup characters", format) << f << QStringLiteral("a < b & c > \"d\" 'e'") << QStringList{QStringLiteral("a < b & c > \"d\" 'e'")};
        QTest::addRow("%s: spaces at the start, doubled and at the end", format)
            << f << QStringLiteral("  zwei  und   drei \n Anfang") << QStringList{QStringLiteral("  zwei  und   drei "), QStringLiteral(" Anfang")};
        QTest::addRow("%s: tabs", format) << f << QStringLiteral("a\tb\t\tc") << QStringList{QStringLiteral("a\tb\t\tc")};
        QTest::addRow("%s: controls XML cannot hold", format)
            << f << QStringLiteral(u"a\u0001b\u000Bc\uFFFEd\uFFFF") << QStringList{QStringLiteral(u"a\uFFFDb\uFFFDc\uFFFDd\uFFFD")};
        QTest::addRow("%s: a lone surrogate", format) << f << QStringLiteral(u"x") + QChar(0xD800) + QStringLiteral(u"y😀")
                                                      << QStringList{QStringLiteral(u"x\uFFFDy😀")};
        QTest::addRow("%s: empty paragraphs", format) << f << QStringLiteral("\n\nx") << QStringList{QString(), QString(), QStringLiteral("x")};
    }
}

void TestDocuments::exportsAreWellFormed()
{
    QFETCH(QString, format);
    QFETCH(QString, text);
    QFETCH(QStringList, paragraphs);
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty(), "unzip is missing");
    const Document d = Document::fromPlainText(text, {QStringLiteral("Arial"), 12, 0});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("aus.") + format);
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    exportwriters::Options options;
    options.title = QStringLiteral("Titel <&>");
    if (format == QLatin1String("odt"))
        exportwriters::writeOdt(d, out, options);
    else
        exportwriters::writeHtml(d, out, options);
    out.close();
    QString error;
    if (format == QLatin1String("odt")) {
        QProcess test;
        test.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), file});
        test.waitForFinished(30000);
        QVERIFY2(test.exitCode() == 0, test.readAllStandardOutput().constData());
        for (const char* part : {"styles.xml", "meta.xml", "META-INF/manifest.xml"}) {
            QXmlStreamReader r(unzipped(file, QLatin1String(part)));
            while (!r.atEnd())
                r.readNext();
            QVERIFY2(!r.hasError(), part);
        }
        QCOMPARE(unzipped(file, QStringLiteral("mimetype")), QByteArray("application/vnd.oasis.opendocument.text"));
    }
    QFile back(file);
    QVERIFY(back.open(QIODevice::ReadOnly));
    const QByteArray xml = format == QLatin1String("odt") ? unzipped(file, QStringLiteral("content.xml")) : back.readAll();
    const QStringList read = paragraphsOf(xml, format == QLatin1String("odt"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(read, paragraphs);
}

// The export command: the format is the typed extension's, else the dialog
// entry's, whose extension a bare name gets; the document stays as it was.
void TestDocuments::exportCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("begins");
    QTest::newRow("ODT, bare name") << "aus" << 1 << "aus.odt" << QByteArray("PK");
    QTest::newRow("text, bare name") << "aus" << 2 << "aus.txt" << QByteArray("\xce\xbb\xce\xbf"); // λο
    QTest::newRow("HTML, bare name") << "aus" << 3 << "aus.html" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("PDF, bare name") << "aus" << 4 << "aus.pdf" << QByteArray("%PDF lo");
    QTest::newRow("typed .html under the ODT entry") << "aus.html" << 1 << "aus.html" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("typed .htm") << "aus.htm" << 2 << "aus.htm" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("typed .TXT under the PDF entry") << "aus.TXT" << 4 << "aus.TXT" << QByteArray("\xce\xbb\xce\xbf");
    QTest::newRow("another extension: the entry decides") << "aus.v2" << 3 << "aus.v2" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("Beta Code, bare name") << "aus" << 5 << "aus.txt" << QByteArray("LOGOS");
    QTest::newRow("typed .txt under the Beta Code entry: Beta Code") << "aus.txt" << 5 << "aus.txt" << QByteArray("LOGOS");
    QTest::newRow("typed .beta under the text entry") << "aus.beta" << 2 << "aus.beta" << QByteArray("LOGOS");
    QTest::newRow("entry beyond the list: the last") << "aus" << 9 << "aus.txt" << QByteArray("LOGOS");
    QTest::newRow("entry 0: the first") << "aus" << 0 << "aus.odt" << QByteArray("PK");
}

void TestDocuments::exportCommand()
{
    QFETCH(QString, typed);
    QFETCH(int, entry);
    QFETCH(QString, written);
    QFETCH(QByteArray, begins);
    Commands c;
    c.txt.load(Document::fromPlainText(QStringLiteral("logos"), greek()));
    c.state.BasePath = c.path(QStringLiteral("brief."));
    c.choose(typed, entry);
    c.files.exportDocument();
    QVERIFY2(c.bytes(written).startsWith(begins), c.bytes(written).left(40).constData());
    QCOMPARE(QDir(c.dir.path()).entryList(QDir::Files), QStringList{written});
    QCOMPARE(c.state.BasePath, c.path(QStringLiteral("brief.")));
    QCOMPARE(c.txt.text(), QStringLiteral("logos"));
    QCOMPARE(c.dialogs.requests.value(0).caption, QStringLiteral("Exportieren"));
    QCOMPARE(c.dialogs.requests.value(0).suggestedName, QStringLiteral("brief.odt"));
    if (written.endsWith(QLatin1String(".pdf")))
        QCOMPARE(c.pdfTitles, QStringList{QStringLiteral("aus")});
}

// A bare name that gains an extension may meet a file the dialog never saw:
// it is asked about; No keeps it. A failing PDF writer leaves the old file.
void TestDocuments::exportAsksBeforeOverwriting()
{
    Commands c;
    c.txt.load(Document::fromPlainText(QStringLiteral("logos"), greek()));
    c.put(QStringLiteral("aus.pdf"), "alt");
    c.choose(QStringLiteral("aus"), 4);
    c.dialogs.answers << false;
    c.files.exportDocument();
    QCOMPARE(c.dialogs.questions, QStringList{DocumentCommands::kOverwriteQuestion});
    QCOMPARE(c.bytes(QStringLiteral("aus.pdf")), QByteArray("alt"));
    QVERIFY(c.pdfTitles.isEmpty());
    c.choose(QStringLiteral("aus"), 4);
    c.pdfFails = true;
    QCOMPARE(c.errorOf([&] { c.files.exportDocument(); }), QStringLiteral("Die PDF-Datei konnte nicht erzeugt werden: aus.pdf"));
    QCOMPARE(c.bytes(QStringLiteral("aus.pdf")), QByteArray("alt"));
    QCOMPARE(QDir(c.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("aus.pdf")});
    c.choose(QStringLiteral("aus"), 4);
    c.pdfFails = false;
    c.files.exportDocument();
    QCOMPARE(c.bytes(QStringLiteral("aus.pdf")), QByteArray("%PDF logos"));
}

// LibreOffice shows text without a size of its own in 12 points: every run carries its size.
void TestDocuments::odtKeepsSizesAndLanguage()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty(), "unzip is missing");
    styled::DocumentBuilder b;
    b.append(codepage::decode("\xa5ndra "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("fett"), {QStringLiteral("Arial"), 22, styled::Bold | styled::Underline});
    QTemporaryDir dir;
    QFile out(dir.filePath(QStringLiteral("a.odt")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    exportwriters::writeOdt(b.take(), out, {});
    out.close();
    const QString content = QString::fromUtf8(unzipped(out.fileName(), QStringLiteral("content.xml")));
    QVERIFY(content.contains(QStringLiteral(u"ἄνδρα")));
    QVERIFY2(content.contains(QLatin1String("style:font-name=\"Gentium Plus\" fo:font-size=\"14pt\" fo:language=\"grc\"")), qPrintable(content));
    QVERIFY(content.contains(QLatin1String("style:font-name=\"Arial\" fo:font-size=\"22pt\" fo:font-weight=\"bold\" style:text-underline-style=\"solid\"")));
    QVERIFY(QString::fromUtf8(unzipped(out.fileName(), QStringLiteral("styles.xml"))).contains(QLatin1String("fo:font-size=\"14pt\"")));
}

namespace {

// The file commands with recovery copies in their own folder, on a clock
// the test moves.
struct Recovering : Commands {
    qint64 now = 0;
    QStringList status;
    QString folder = path(QStringLiteral("recovery"));
    std::unique_ptr<AutoRecovery> rec;

    void start()
    {
        rec = std::make_unique<AutoRecovery>(AutoRecovery::Context{&txt, &state, &dialogs, &host,
                                                                   [this] { caption = documents::retitle(state); },
                                                                   [this](const QString& s) { status << s; }},
                                             folder, [this] { return now; });
        rec->start();
    }
    // Moves the clock, lets the timer's routine run and the writer finish.
    void at(qint64 t)
    {
        now = t;
        rec->tick();
        settle();
    }
    void settle()
    {
        rec->waitForDisk();
        QCoreApplication::processEvents(); // the writer's report
    }
    QStringList copies() const { return QDir(folder).entryList({QStringLiteral("copy-*.rtf")}, QDir::Files); }
    // The text of this program's copy, or "-" when there is none.
    QString copyText() const
    {
        QFile f(rec->store().ownFiles().rtf);
        if (!f.open(QIODevice::ReadOnly))
            return QStringLiteral("-");
        return rtf::read(f.readAll()).document.plainText();
    }
};

} // namespace

// Events (t@ms typing, k@ms the timer's tick, w the writer's report alone,
// save, new, undo, close) and what this program's copy then holds.
void TestDocuments::recoveryCopies_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("copy"); // "-": none
    QTest::newRow("nothing typed: no copy") << "k@60000" << "-";
    QTest::newRow("before the pause is over: no copy yet") << "t@0 k@4999" << "-";
    QTest::newRow("after the pause: a copy") << "t@0 k@5000" << "a";
    QTest::newRow("the pause counts from the last key") << "t@0 t@3000 k@5000 k@7999" << "-";
    QTest::newRow("the pause counts from the last key, then a copy") << "t@0 t@3000 k@5000 k@8000" << "aa";
    QTest::newRow("typing without a pause: a copy after 30 s")
        << "t@0 t@4000 t@8000 t@12000 t@16000 t@20000 t@24000 t@28000 k@29999 t@29999 k@30000" << "aaaaaaaaa";
    QTest::newRow("typed after the copy: the next copy has it") << "t@0 k@5000 t@6000 k@11000" << "aa";
    QTest::newRow("saved: the copy goes") << "t@0 k@5000 save" << "-";
    QTest::newRow("saved before the pause is over: none written") << "t@0 save k@5000" << "-";
    QTest::newRow("typed after saving: a new copy") << "t@0 save t@1000 k@6000" << "aa";
    QTest::newRow("new document: the copy goes") << "t@0 k@5000 new" << "-";
    QTest::newRow("undone back to what is saved: the copy goes") << "t@0 save t@1000 k@6000 undo k@20000" << "-";
    QTest::newRow("closed properly: the copy goes") << "t@0 k@5000 close" << "-";
    QTest::newRow("the session ends: a copy at once") << "t@0 t@100 flush" << "aa";
    // Keys so fast that the event loop never gets round to the timer (w:
    // only the writer's report is waited for, nothing else runs).
    QTest::newRow("keys faster than the timer: the copy comes with the key that finds it due")
        << "t@0 t@4000 t@8000 t@12000 t@16000 t@20000 t@24000 t@28000 w t@30000 w" << "aaaaaaaaa";
    QTest::newRow("keys faster than the timer, before the copy is due: none") << "t@0 t@4000 w t@29999 w" << "-";
    QTest::newRow("the session ends, nothing changed: none") << "flush" << "-";
}

void TestDocuments::recoveryCopies()
{
    QFETCH(QString, events);
    QFETCH(QString, copy);
    Recovering r;
    r.start();
    for (const QString& e : events.split(QLatin1Char(' '))) {
        const qint64 t = e.section(QLatin1Char('@'), 1).toLongLong();
        if (e.startsWith(QLatin1Char('t'))) {
            r.now = t;
            r.txt.typeText(QStringLiteral("a"));
        } else if (e.startsWith(QLatin1Char('k'))) {
            r.at(t);
        } else if (e == QLatin1String("save")) {
            r.state.BasePath = r.path(QStringLiteral("brief."));
            QVERIFY(r.files.save());
            r.settle();
        } else if (e == QLatin1String("new")) {
            r.dialogs.threeWay << Dialogs::Answer::No; // the changed text is given up
            r.files.newDocument();
            r.settle();
        } else if (e == QLatin1String("undo")) {
            r.txt.undo();
        } else if (e == QLatin1String("w")) {
            r.settle();
        } else if (e == QLatin1String("flush")) {
            r.rec->flush(); // the session ends: no pause is waited for
        } else if (e == QLatin1String("close")) {
            r.rec->closing();
        }
    }
    QCOMPARE(r.copyText(), copy);
    QCOMPARE(r.copies().size(), copy == QLatin1String("-") ? 0 : 1);
    QVERIFY(r.status.isEmpty());
}

// A program that did not end properly left a copy: offered once, restored
// exactly with its name and format, or kept aside.
void TestDocuments::recoveryOffered_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Ja: the text and its session are back") << true;
    QTest::newRow("Nein: nothing loaded, the copy aside") << false;
}

void TestDocuments::recoveryOffered()
{
    QFETCH(bool, yes);
    Recovering r;
    const Document left = doc({{"\xa4nqrwpos ", greek(styled::Bold), 1}, {"und\nmehr", {QStringLiteral("Arial"), 12, styled::Italic}, 2}});
    const recovery::Session session{r.path(QStringLiteral("brief.")), DocumentKind::Format::Pair, QStringLiteral("Stilora - brief")};
    QDir().mkpath(r.folder);
    recovery::Store(r.folder).filesOf(QStringLiteral("1-gone")).write(left, session, QDateTime::currentDateTime());
    r.dialogs.answers << yes;
    r.start();
    QCOMPARE(r.dialogs.questions, QStringList{AutoRecovery::kQuestion});
    r.settle();
    if (!yes) {
        QVERIFY(r.txt.snapshot() == Document());
        QVERIFY(!r.txt.isModified());
        QVERIFY(r.state.BasePath.isEmpty());
        QCOMPARE(r.copies(), QStringList());
        QCOMPARE(QDir(r.folder).entryList({QStringLiteral("discarded-*.rtf")}).size(), 1);
        return;
    }
    QVERIFY2(r.txt.snapshot() == left, qPrintable(r.txt.snapshot().describe()));
    QCOMPARE(r.state.BasePath, session.basePath);
    QVERIFY(r.state.LegacyFormat());
    QCOMPARE(r.caption, documents::titleFor(session.basePath).caption);
    QVERIFY(r.txt.isModified());
    QVERIFY(!r.txt.canUndo()); // loaded, not typed
    // The text lives on in this program's copy; the dead one's is gone.
    QCOMPARE(r.copies(), QStringList{QStringLiteral("copy-") + r.rec->store().ownId() + QStringLiteral(".rtf")});
    QCOMPARE(r.copyText(), left.plainText());
    // Save writes it where it belongs, and then no copy is needed.
    QVERIFY(r.files.save());
    r.settle();
    QVERIFY(QFileInfo::exists(r.path(QStringLiteral("brief.sri"))));
    QCOMPARE(r.copies(), QStringList());
    // A second start asks nothing.
    Recovering again;
    again.folder = r.folder;
    again.start();
    QCOMPARE(again.dialogs.questions, QStringList());
}

// A full disk: told once in the status bar, tried again, and the message
// goes when a copy could be written.
void TestDocuments::recoveryFailureToldOnce()
{
    Recovering r;
    r.start();
    atomicfiles::setFaultHook([](atomicfiles::Step step, const QByteArray&) { return step == atomicfiles::Step::Write ? ENOSPC : 0; });
    r.txt.typeText(QStringLiteral("a"));
    r.at(5000);
    r.now = 6000;
    r.txt.typeText(QStringLiteral("b"));
    r.at(11000); // not yet: the retry waits the longest interval
    QCOMPARE(r.copies(), QStringList());
    r.at(35000);
    QCOMPARE(r.status.size(), 1);
    QVERIFY2(r.status.first().startsWith(QStringLiteral("Die Sicherungskopie konnte nicht geschrieben werden: Zu wenig Speicherplatz")),
             qPrintable(r.status.first()));
    QVERIFY(r.dialogs.errors.isEmpty() && r.dialogs.notices.isEmpty());
    atomicfiles::setFaultHook({});
    r.at(65000);
    QCOMPARE(r.copyText(), QStringLiteral("ab"));
    QCOMPARE(r.status, (QStringList{r.status.first(), QString()}));
}

void TestDocuments::recoveryWithoutFolder()
{
    Recovering r;
    r.put(QStringLiteral("recovery"), "eine Datei, kein Ordner");
    r.start();
    QCOMPARE(r.status.size(), 1);
    QVERIFY2(r.status.first().startsWith(QStringLiteral("Keine Sicherungskopien möglich: Der Ordner ")), qPrintable(r.status.first()));
    r.txt.typeText(QStringLiteral("a"));
    r.at(60000);
    QVERIFY(r.dialogs.questions.isEmpty());
    QCOMPARE(r.txt.snapshot().plainText(), QStringLiteral("a"));
}

// A disk too full for anything new: the copy a program left is offered and
// restored, the status bar says that no copies can be kept; once the text
// is saved, the copy it came from goes.
void TestDocuments::recoveryOfferedOnAFullDisk()
{
    Recovering r;
    const Document left = doc({{"\xa4nqrwpos", greek(), 0}});
    QDir().mkpath(r.folder);
    recovery::Store(r.folder).filesOf(QStringLiteral("1-gone")).write(left, {r.path(QStringLiteral("brief.")), DocumentKind(), {}},
                                                                       QDateTime::currentDateTime());
    r.dialogs.answers << true;
    {
        const FileSizeLimit full(0);
        QVERIFY(full.ok());
        r.start();
    }
    QCOMPARE(r.dialogs.questions, QStringList{AutoRecovery::kQuestion});
    QVERIFY2(r.txt.snapshot() == left, qPrintable(r.txt.snapshot().describe()));
    QCOMPARE(r.status.size(), 1);
    QVERIFY2(r.status.first().startsWith(QStringLiteral("Keine Sicherungskopien möglich: Im Ordner")), qPrintable(r.status.first()));
    QVERIFY(r.txt.isModified());
    QCOMPARE(r.copies(), QStringList{QStringLiteral("copy-1-gone.rtf")}); // nothing else holds the text yet
    QVERIFY(r.files.save());
    QCOMPARE(r.copies(), QStringList());
}

// A write-protected document opens with "(schreibgeschützt)" in the title;
// Save asks for another name, and under that name it is an ordinary document.
void TestDocuments::writeProtectedDocument_data()
{
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("protectedFile");
    QTest::newRow("RTF") << "brief.rtf" << "brief.rtf";
    QTest::newRow("pair, its text file") << "brief.sri" << "brief.txt";
    QTest::newRow("pair, its attribute file") << "brief.txt" << "brief.sri";
}

void TestDocuments::writeProtectedDocument()
{
    QFETCH(QString, opened);
    QFETCH(QString, protectedFile);
    Commands c;
    const Document d = Document::fromPlainText(QStringLiteral("logos"), greek());
    c.put(QStringLiteral("brief.rtf"), rtf::write(d));
    const pair::Bytes p = pair::write(d);
    c.put(QStringLiteral("brief.txt"), p.text);
    c.put(QStringLiteral("brief.sri"), p.runs);
    QVERIFY(QFile::setPermissions(c.path(protectedFile), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    c.files.openFile(c.path(opened));
    QCOMPARE(c.caption, QStringLiteral("Stilora - Brief (schreibgeschützt)"));
    QCOMPARE(c.txt.text(), QStringLiteral("logos"));
    c.txt.typeText(QStringLiteral("x"));
    const QByteArray before = c.bytes(protectedFile);
    QVERIFY(!c.files.save()); // the dialog is cancelled: nothing written
    QCOMPARE(c.dialogs.requests.size(), 1);
    QCOMPARE(c.bytes(protectedFile), before);
    // Under another name the document is written, and is no longer protected.
    c.choose(QStringLiteral("neu.rtf"), 1);
    QVERIFY(c.files.save());
    QCOMPARE(c.caption, QStringLiteral("Stilora - Neu"));
    QVERIFY(!c.state.ReadOnlyDocument);
    QCOMPARE(c.bytes(protectedFile), before);
}

// A document that another running Stilora holds open is opened only when
// the user wants it; this program's own document opens again without asking.
void TestDocuments::openElsewhereIsAsked_data()
{
    QTest::addColumn<bool>("elsewhere");
    QTest::addColumn<bool>("yes");
    QTest::newRow("open elsewhere, Nein: not opened") << true << false;
    QTest::newRow("open elsewhere, Ja: opened") << true << true;
    QTest::newRow("open nowhere else: no question") << false << true;
}

void TestDocuments::openElsewhereIsAsked()
{
    QFETCH(bool, elsewhere);
    QFETCH(bool, yes);
    Commands c;
    c.put(QStringLiteral("brief.rtf"), rtf::write(Document::fromPlainText(QStringLiteral("logos"), greek())));
    std::unique_ptr<filelock::OpenMark> other;
    if (elsewhere)
        other = std::make_unique<filelock::OpenMark>(QFile::encodeName(c.path(QStringLiteral("brief.rtf"))));
    c.dialogs.answers << yes;
    c.files.openFile(c.path(QStringLiteral("brief.rtf")));
    const QStringList asked = elsewhere ? QStringList{DocumentCommands::kOpenElsewhereQuestion.arg(QStringLiteral("brief.rtf"))}
                                        : QStringList();
    QCOMPARE(c.dialogs.questions, asked);
    QCOMPARE(c.txt.text(), yes ? QStringLiteral("logos") : QString());
    QCOMPARE(c.state.BasePath, yes ? c.path(QStringLiteral("brief.")) : QString());
    if (!yes)
        return;
    // Held open here now: another program would be asked; opening it here again is not.
    other.reset();
    QVERIFY(filelock::OpenMark::heldElsewhere(QFile::encodeName(c.path(QStringLiteral("brief.rtf")))));
    c.dialogs.questions.clear();
    c.files.openFile(c.path(QStringLiteral("brief.rtf")));
    QCOMPARE(c.dialogs.questions, QStringList());
    // A new document lets it go.
    c.files.newDocument();
    QVERIFY(!filelock::OpenMark::heldElsewhere(QFile::encodeName(c.path(QStringLiteral("brief.rtf")))));
}

// Unicode text written over the text file of a pair breaks the pair: asked first.
void TestDocuments::textExportOverAPairAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Nein: the pair stays") << false;
    QTest::newRow("Ja: written") << true;
}

void TestDocuments::textExportOverAPairAsks()
{
    QFETCH(bool, yes);
    Commands c;
    c.put(QStringLiteral("brief.txt"), "alt");
    c.put(QStringLiteral("brief.sri"), "alt");
    c.txt.load(Document::fromPlainText(QStringLiteral("logos"), greek()));
    c.choose(QStringLiteral("brief.txt"), 2);
    c.dialogs.answers << yes;
    c.files.exportDocument();
    QCOMPARE(c.dialogs.questions, QStringList{DocumentCommands::kPairTextQuestion.arg(QStringLiteral("brief.txt"), QStringLiteral("brief.sri"))});
    QCOMPARE(c.bytes(QStringLiteral("brief.txt")), yes ? QByteArray("λογοσ") : QByteArray("alt"));
}

// A recent document's menu caption: its number as access key, the path
// shortened in the middle when long, its own ampersands doubled.
void TestDocuments::recentCaptions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::newRow("short") << 0 << QStringLiteral("/home/anna/Ilias.rtf") << QStringLiteral("&1 /home/anna/Ilias.rtf");
    QTest::newRow("ampersand") << 3 << QStringLiteral("/a/Rede & Antwort.sri") << QStringLiteral("&4 /a/Rede && Antwort.sri");
    const QString longPath = QStringLiteral("/home/anna/Dokumente/Universitaet/Seminar Homer/Gesang 24/Abschrift.rtf");
    QTest::newRow("long") << 1 << longPath << QStringLiteral("&2 /home/anna/Dokumente/Universi...omer/Gesang 24/Abschrift.rtf");
    // A long file name stays whole; the folders give way.
    const QString longName = QStringLiteral("/home/anna/Texte/") + QString(50, QLatin1Char('x')) + QStringLiteral(".rtf");
    QTest::newRow("long name") << 2 << longName << QStringLiteral("&3 /ho...") + QString(50, QLatin1Char('x')) + QStringLiteral(".rtf");
}

void TestDocuments::recentCaptions()
{
    QFETCH(int, index);
    QFETCH(QString, path);
    QFETCH(QString, caption);
    const QString shown = RecentDocuments::caption(index, path);
    QCOMPARE(shown, caption);
    QVERIFY(shown.size() <= 3 + 60);
}

void TestDocuments::recentList()
{
    RecentDocuments r;
    for (const char* p : {"/d/a.rtf", "/d/b.sri", "/d/c.rtf", "/d/b.txt", "/d/e.rtf", "/d/f.rtf"})
        r.add(QString::fromLatin1(p));
    // b.sri and b.txt are one document (the pair): named by the file that named it last.
    QCOMPARE(r.paths(), (QStringList{QStringLiteral("/d/f.rtf"), QStringLiteral("/d/e.rtf"), QStringLiteral("/d/b.txt"),
                                     QStringLiteral("/d/c.rtf")}));
    r.remove(QStringLiteral("/d/b.sri"));
    QCOMPARE(r.paths().size(), 3);
    r.add(QStringLiteral("/d/../d/f.rtf")); // the same file by another spelling
    QCOMPARE(r.paths().first(), QStringLiteral("/d/f.rtf"));
    QCOMPARE(r.paths().size(), 3);
    // Read back: the order kept, relative and empty entries and doubles left out.
    const RecentDocuments read({QStringLiteral("/x/1.rtf"), QString(), QStringLiteral("rel.rtf"), QStringLiteral("/x/1.rtf"),
                                QStringLiteral("/x/2.txt"), QStringLiteral("/x/3.rtf"), QStringLiteral("/x/4.rtf"), QStringLiteral("/x/5.rtf")});
    QCOMPARE(read.paths(), (QStringList{QStringLiteral("/x/1.rtf"), QStringLiteral("/x/2.txt"), QStringLiteral("/x/3.rtf"),
                                        QStringLiteral("/x/4.rtf")}));
}

// The base of a file named from outside: three-letter endings as the pair
// has them, other names up to their ending, with the dot.
void TestDocuments::baseOfNamedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::newRow("rtf") << QStringLiteral("/d/brief.rtf") << QStringLiteral("/d/brief.");
    QTest::newRow("upper case") << QStringLiteral("/d/BRIEF.RTF") << QStringLiteral("/d/BRIEF.");
    QTest::newRow("no ending") << QStringLiteral("/d/liesmich") << QStringLiteral("/d/liesmich.");
    QTest::newRow("short ending") << QStringLiteral("/d/notiz.md") << QStringLiteral("/d/notiz.");
    QTest::newRow("long ending") << QStringLiteral("/d/brief.text") << QStringLiteral("/d/brief.");
    QTest::newRow("dot in the folder") << QStringLiteral("/d.v/liesmich") << QStringLiteral("/d.v/liesmich.");
}

void TestDocuments::baseOfNamedFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QCOMPARE(DocumentCommands::baseOf(path), base);
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
