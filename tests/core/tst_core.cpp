// The bottom layer without a window: the styled-text model, the I/O error
// messages and the atomic writes.
#include "atomicfiles.h"
#include "documentkind.h"
#include "filelock.h"
#include "ioerror.h"
#include "codepage.h"
#include "greeklayout.h"
#include "styledtext.h"
#include "textsearch.h"
#include "unicodegreek.h"

#include <QRandomGenerator>

#include "filesizelimit.h"

#include "testfiles.h"
#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using styled::CharFormat;
using styled::Document;

using namespace Qt::StringLiterals;

namespace {

CharFormat fmt(const char* font, int size = 14, int style = 0) { return {QString::fromLatin1(font), size, style}; }


// Counts the operations of a replacement and acts at the n-th: fails it, or
// ends the process there as a kill would.
struct StepCounter {
    int at = -1;
    int err = EIO;
    bool kill = false;
    int count = 0;
    atomicfiles::FaultHook hook()
    {
        return [this](atomicfiles::Step, const QByteArray&) {
            if (++count != at)
                return 0;
            if (kill)
                _exit(0);
            return err;
        };
    }
};

// What a directory holds besides the documents: nothing, once a replacement is over.
QStringList leftovers(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(QStringLiteral(".stilora-"));
}

// The pair's state as one word: "old", "new", "none" or what is mixed.
QString pairState(const QString& a, const QString& b, const QByteArray& oldA, const QByteArray& oldB, const QByteArray& newA,
                  const QByteArray& newB)
{
    const QByteArray x = fileBytes(a), y = fileBytes(b);
    if (x == oldA && y == oldB)
        return QStringLiteral("old");
    if (x == newA && y == newB)
        return QStringLiteral("new");
    return QStringLiteral("mixed: %1 / %2").arg(QString::fromLatin1(x), QString::fromLatin1(y));
}

// A text in the notation of the search table: Greek as Unicode (set in
// "Greek" as its codes), text in braces set in Arial as it stands.
textsearch::Searchable searchableOf(const QString& notation)
{
    textsearch::Searchable s;
    bool arial = false;
    QString part;
    auto flush = [&] {
        const QString text = arial ? part : unicodegreek::importGreek(part).codes;
        s.text += text;
        s.greek.insert(s.greek.end(), std::size_t(text.size()), arial ? 0 : 1);
        part.clear();
    };
    for (QChar c : notation) {
        if (c == QLatin1Char('{') || c == QLatin1Char('}')) {
            flush();
            arial = c == QLatin1Char('{');
        } else {
            part += c;
        }
    }
    flush();
    return s;
}

} // namespace

class TestCore : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime; // the lock files of this test, apart from any program's
private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }
    // A killed writer's lock file stays until the file is saved again; each test starts without any.
    void init() { QDir(m_runtime.filePath(QStringLiteral("stilora"))).removeRecursively(); }
    QStringList lockFiles() const { return QDir(m_runtime.filePath(QStringLiteral("stilora"))).entryList(QDir::Files); }
    void readableMapsBack_data();
    void readableMapsBack();
    void readablePatchedAsMade();
    void findIgnoringMarks_data();
    void findIgnoringMarks();
    void foldedRangeIsTheWhole();
    void builderCutsParagraphs_data();
    void builderCutsParagraphs();
    void normalizeMergesRuns();
    void lengthCountsBreaks();
    void documentKindOfNames_data();
    void documentKindOfNames();
    void documentKindLifecycle();
    void exportFormatOfNames_data();
    void exportFormatOfNames();
    void errnoMessages_data();
    void errnoMessages();
    void atomicWriteReplacesAll();
    void atomicWriteFailureKeepsOldFiles_data();
    void atomicWriteFailureKeepsOldFiles();
    void replacementIsOneUnit_data();
    void replacementIsOneUnit();
    void failedSyncIsAnError_data();
    void failedSyncIsAnError();
    void writeThroughScratch();
    void replacementKeepsPermissionsAndLinks();
    void savesThatMeetTakeTurns_data();
    void savesThatMeetTakeTurns();
    void busyFileIsTold();
    void killedWritersLockGoes();
    void onlyRegularFilesReplaced_data();
    void onlyRegularFilesReplaced();
    void writeProtectedNeverReplaced_data();
    void writeProtectedNeverReplaced();
    void readRefusesWhatIsNoFile_data();
    void readRefusesWhatIsNoFile();
    void olderJournalFinished();
    void checkedFileTellsFailedWrites_data();
    void checkedFileTellsFailedWrites();
    void openMarkSeenByOthers();
    void readMissingFile();
    void errorNamesItsFile_data();
    void errorNamesItsFile();
    void namesOfAnyBytes_data();
    void namesOfAnyBytes();
    void loneSurrogates_data();
    void loneSurrogates();
    void exportCodes_data();
    void exportCodes();
    void everyCodeRoundTrip();
    void capitalsWithMarks();
    void importForms_data();
    void importForms();
    void randomTextsRoundTrip();
    void importDocumentFonts();
    void importJoinsWhatBelongsToGreek_data();
    void importJoinsWhatBelongsToGreek();
};

void TestCore::builderCutsParagraphs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<QString>("plain");
    QTest::newRow("empty") << QString() << 1 << QString();
    QTest::newRow("one line") << "logos" << 1 << "logos";
    QTest::newRow("two lines") << "a\nb" << 2 << "a\nb";
    QTest::newRow("break at the end") << "a\n" << 2 << "a\n";
    QTest::newRow("only breaks") << "\n\n" << 3 << "\n\n";
}

void TestCore::builderCutsParagraphs()
{
    QFETCH(QString, text);
    QFETCH(int, paragraphs);
    QFETCH(QString, plain);
    const Document d = Document::fromPlainText(text, fmt("Greek"), styled::AlignCentre);
    QCOMPARE(d.paragraphs.size(), paragraphs);
    QCOMPARE(d.plainText(), plain);
    for (const styled::Paragraph& p : d.paragraphs)
        QCOMPARE(p.alignment, int(styled::AlignCentre));
}

void TestCore::normalizeMergesRuns()
{
    styled::DocumentBuilder b;
    b.append(QStringLiteral("ab"), fmt("Greek"));
    b.append(QStringLiteral("cd"), fmt("Greek")); // same format: the run grows
    b.append(QStringLiteral("ef"), fmt("Greek", 14, styled::Bold));
    Document d = b.take();
    QCOMPARE(d.paragraphs[0].runs.size(), 2);
    d.paragraphs[0].runs.insert(1, styled::Run{QString(), fmt("Arial")});
    d.paragraphs[0].runs.append(styled::Run{QStringLiteral("gh"), fmt("Greek", 14, styled::Bold)});
    d.normalize();
    QCOMPARE(d.paragraphs[0].runs.size(), 2);
    QCOMPARE(d.paragraphs[0].runs[1].text, QStringLiteral("efgh"));
    QVERIFY(!(d == Document::fromPlainText(QStringLiteral("abcd"), fmt("Greek"))));
}

void TestCore::lengthCountsBreaks()
{
    QCOMPARE(Document().length(), 0);
    QCOMPARE(Document::fromPlainText(QStringLiteral("ab\ncd\n")).length(), 6);
}

// Names decide how a file is read, written, and what the window opens it as.
void TestCore::documentKindOfNames_data()
{
    using F = DocumentKind::Format;
    QTest::addColumn<QString>("name");
    QTest::addColumn<F>("read");
    QTest::addColumn<F>("written");
    QTest::addColumn<F>("opened"); // from outside: the start, a drop, the recent list
    QTest::newRow("RTF") << "a/brief.rtf" << F::Rtf << F::Rtf << F::Rtf;
    QTest::newRow("RTF in capitals") << "BRIEF.RTF" << F::Rtf << F::Rtf << F::Rtf;
    QTest::newRow("attribute file") << "brief.sri" << F::Pair << F::Pair << F::Pair;
    QTest::newRow("text: read as the pair, written as Unicode") << "brief.txt" << F::Pair << F::UnicodeText << F::Pair;
    QTest::newRow("ODT") << "brief.odt" << F::Odt << F::Odt << F::Odt;
    QTest::newRow("Word") << "brief.docx" << F::Docx << F::Docx << F::Docx;
    QTest::newRow("flat ODT: read, never written") << "brief.fodt" << F::Odt << F::Unknown << F::Odt;
    QTest::newRow("HTML in both spellings") << "brief.htm" << F::Unknown << F::Html << F::Rtf;
    QTest::newRow("PDF") << "brief.pdf" << F::Unknown << F::Pdf << F::Rtf;
    QTest::newRow("Beta Code") << "ilias.beta" << F::BetaCode << F::BetaCode << F::BetaCode;
    QTest::newRow("no ending: RTF reads plain text too") << "liesmich" << F::Unknown << F::Unknown << F::Rtf;
    QTest::newRow("a dot in the folder only") << "a.txt/brief" << F::Unknown << F::Unknown << F::Rtf;
}

void TestCore::documentKindOfNames()
{
    using F = DocumentKind::Format;
    QFETCH(QString, name);
    QFETCH(F, read);
    QFETCH(F, written);
    QFETCH(F, opened);
    QCOMPARE(DocumentKind::readFormatOf(name), read);
    QCOMPARE(DocumentKind::writeFormatOf(name), written);
    QCOMPARE(DocumentKind::ofFile(name).format(), opened);
}

// The export dialog's entry and the typed name together choose the format:
// Beta Code's entry writes .txt as Beta Code, the text entry as Unicode.
void TestCore::exportFormatOfNames_data()
{
    using F = DocumentKind::Format;
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("entry");
    QTest::addColumn<F>("format");
    QTest::newRow("bare name: the entry") << "aus" << 5 << F::BetaCode;
    QTest::newRow(".txt under Beta Code") << "aus.txt" << 5 << F::BetaCode;
    QTest::newRow(".txt under ODT: text") << "aus.txt" << 1 << F::UnicodeText;
    QTest::newRow(".beta under text") << "aus.beta" << 2 << F::BetaCode;
    QTest::newRow(".pdf under Beta Code") << "aus.PDF" << 5 << F::Pdf;
    QTest::newRow("another extension: the entry") << "aus.v2" << 3 << F::Html;
    QTest::newRow(".rtf is no export: the entry") << "aus.rtf" << 1 << F::Odt;
    QTest::newRow("entry out of range: the last") << "aus" << 9 << F::BetaCode;
}

void TestCore::exportFormatOfNames()
{
    using F = DocumentKind::Format;
    QFETCH(QString, name);
    QFETCH(int, entry);
    QFETCH(F, format);
    QCOMPARE(DocumentKind::exportFormatOf(name, entry), format);
}

// Another program's text lives on the pair's names, is not saved over unasked,
// and once saved is a pair; the files that name a document follow its kind.
void TestCore::documentKindLifecycle()
{
    using F = DocumentKind::Format;
    const QString base = QStringLiteral("/t/brief.");
    struct Row { F kind; bool pairNames, inPlace; F saved; QString file, named; QList<QString> guarded; };
    const QList<Row> rows{
        {F::Rtf, false, true, F::Rtf, "/t/brief.rtf", "/t/brief.rtf", {"/t/brief.rtf"}},
        {F::Pair, true, true, F::Pair, "/t/brief.txt", "/t/brief.sri", {"/t/brief.txt", "/t/brief.sri"}},
        {F::UnicodeText, true, false, F::Pair, "/t/brief.txt", "/t/brief.sri", {"/t/brief.txt", "/t/brief.sri"}},
    };
    for (const Row& r : rows) {
        const DocumentKind k(r.kind);
        QCOMPARE(k.onPairNames(), r.pairNames);
        QCOMPARE(k.savesInPlace(), r.inPlace);
        QCOMPARE(k.saved().format(), r.saved);
        QVERIFY(k.saved().savesInPlace());
        QCOMPARE(k.fileOf(base), r.file);
        QCOMPARE(k.namedFileOf(base), r.named);
        QCOMPARE(k.filesOf(base), r.guarded);
    }
    QCOMPARE(DocumentKind().format(), F::Rtf); // a new document
    // The export dialog's filter lists exactly the export formats, in order, each with its pattern.
    const QStringList filter = DocumentKind::exportFilter().split(QLatin1Char('|'));
    QCOMPARE(filter.size(), 2 * DocumentKind::exportFormats().size());
    QCOMPARE(filter, (QStringList{"OpenDocument-Text (*.odt)", "*.odt", "Unicode-Text (*.txt)", "*.txt", "HTML (*.html)", "*.html",
                                  "PDF (*.pdf)", "*.pdf", "Beta Code (*.txt)", "*.txt"}));
}

void TestCore::errnoMessages_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("message");
    QTest::newRow("ENOENT") << ENOENT << "Datei nicht gefunden";
    QTest::newRow("EACCES") << EACCES << "Dateizugriff verweigert";
    QTest::newRow("EROFS") << EROFS << "Dateizugriff verweigert";
    QTest::newRow("ENOSPC") << ENOSPC << "Zu wenig Speicherplatz";
    QTest::newRow("EFBIG") << EFBIG << "Zu wenig Speicherplatz";
    QTest::newRow("EMFILE") << EMFILE << "Zu viele geöffnete Dateien";
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << "Ungültiger Dateiname";
    // Any other error is named by its number, even one that equals a cause's code.
    QTest::newRow("EIO") << EIO << QStringLiteral("E/A-Fehler %1").arg(EIO);
    QTest::newRow("EBUSY") << EBUSY << QStringLiteral("E/A-Fehler %1").arg(EBUSY);
}

void TestCore::errnoMessages()
{
    QFETCH(int, err);
    QFETCH(QString, message);
    const IoError e = IoError::fromErrno(err);
    QCOMPARE(e.message(), message);
    QCOMPARE(e.systemError(), err); // a named cause keeps the number it came from
    QCOMPARE(e.cause() == IoError::Cause::SystemError, message.startsWith(QLatin1String("E/A-Fehler")));
}

void TestCore::atomicWriteReplacesAll()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt"));
    const QString b = dir.filePath(QStringLiteral("brief.sri"));
    writeFilesAtomically({{a, "alt"}, {b, "alt"}});
    writeFilesAtomically({{a, "neu text"}, {b, QByteArray("\0\1", 2)}});
    QCOMPARE(fileBytes(a), QByteArray("neu text"));
    QCOMPARE(fileBytes(b), QByteArray("\0\1", 2));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary file left
}

// A failure anywhere leaves every old file byte for byte.
void TestCore::atomicWriteFailureKeepsOldFiles_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("second directory missing") << 0 << "Datei nicht gefunden: brief.sri";
    QTest::newRow("disk full (file size limit)") << 1 << "Zu wenig Speicherplatz: brief.sri";
    QTest::newRow("target is a directory") << 2 << "Ist ein Verzeichnis, keine Datei: brief.txt.d";
}

void TestCore::atomicWriteFailureKeepsOldFiles()
{
    QFETCH(int, failure);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt"));
    QString b = dir.filePath(QStringLiteral("brief.sri"));
    writeFilesAtomically({{a, "old text"}, {b, "old runs"}});
    QByteArray big(64 * 1024, 'x');
    if (failure == 0)
        b = dir.filePath(QStringLiteral("missing/brief.sri"));
    std::optional<FileSizeLimit> full;
    if (failure == 1)
        QVERIFY(full.emplace(16 * 1024).ok()); // the second file does not fit
    if (failure == 2)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("brief.txt.d")));
    const QString target = failure == 2 ? dir.filePath(QStringLiteral("brief.txt.d")) : b;
    QString caught;
    try {
        writeFilesAtomically({{a, "new text"}, {target, big}});
    } catch (const IoError& e) {
        caught = e.message();
    }
    full.reset();
    QCOMPARE(caught, message);
    QCOMPARE(fileBytes(a), QByteArray("old text"));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("brief.sri"))), QByteArray("old runs"));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

// Every operation of a replacement fails once, and the process is killed at
// every one: the pair is old or new, never mixed, and after the next look at
// it no scratch file is left. A reported failure leaves the old pair, a
// reported success the new one.
void TestCore::replacementIsOneUnit_data()
{
    QTest::addColumn<bool>("kill");
    QTest::addColumn<bool>("oldFiles");
    QTest::addColumn<int>("files");
    QTest::newRow("failure, pair over a pair") << false << true << 2;
    QTest::newRow("failure, new pair") << false << false << 2;
    QTest::newRow("failure, one file") << false << true << 1;
    QTest::newRow("kill, pair over a pair") << true << true << 2;
    QTest::newRow("kill, new pair") << true << false << 2;
    QTest::newRow("kill, one file") << true << true << 1;
}

void TestCore::replacementIsOneUnit()
{
    QFETCH(bool, kill);
    QFETCH(bool, oldFiles);
    QFETCH(int, files);
    const QByteArray oldA = oldFiles ? "old text" : "<missing>", oldB = oldFiles && files == 2 ? "old runs" : "<missing>";
    const QByteArray newA = "new text", newB = files == 2 ? "new runs" : "<missing>";
    auto targets = [&](const QString& a, const QString& b) {
        std::vector<std::pair<QString, QByteArray>> t{{a, newA}};
        if (files == 2)
            t.emplace_back(b, newB);
        return t;
    };
    // How many operations a replacement takes.
    int steps = 0;
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("brief.txt")), b = dir.filePath(QStringLiteral("brief.sri"));
        if (oldFiles)
            writeFilesAtomically(targets(a, b));
        StepCounter counter;
        atomicfiles::setFaultHook(counter.hook());
        writeFilesAtomically(targets(a, b));
        atomicfiles::setFaultHook({});
        steps = counter.count;
    }
    QVERIFY(steps > 6);
    for (int at = 1; at <= steps; ++at) {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("brief.txt")), b = dir.filePath(QStringLiteral("brief.sri"));
        if (oldFiles) {
            std::vector<std::pair<QString, QByteArray>> old{{a, oldA}};
            if (files == 2)
                old.emplace_back(b, oldB);
            writeFilesAtomically(old);
        }
        const QString where = QStringLiteral("step %1 of %2").arg(at).arg(steps);
        StepCounter counter;
        counter.at = at;
        counter.kill = kill;
        QString state;
        if (kill) {
            const pid_t child = fork();
            if (child == 0) {
                atomicfiles::setFaultHook(counter.hook());
                try {
                    writeFilesAtomically(targets(a, b));
                } catch (...) {
                }
                _exit(1); // never here: the kill comes first
            }
            int status = 0;
            waitpid(child, &status, 0);
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(where));
        } else {
            atomicfiles::setFaultHook(counter.hook());
            bool failed = false;
            try {
                writeFilesAtomically(targets(a, b));
            } catch (const IoError& e) {
                failed = true;
                QVERIFY2(e.message().startsWith(QStringLiteral("E/A-Fehler 5")), qPrintable(where + e.message()));
            }
            atomicfiles::setFaultHook({});
            state = pairState(a, b, oldA, oldB, newA, newB);
            QVERIFY2(state == (failed ? "old" : "new"), qPrintable(where + QStringLiteral(": ") + state));
        }
        // The next save or open finds what was left and finishes or undoes it.
        finishInterruptedWrite(files == 2 ? QStringList{a, b} : QStringList{a});
        const QString after = pairState(a, b, oldA, oldB, newA, newB);
        QVERIFY2(after == "old" || after == "new", qPrintable(where + QStringLiteral(": ") + after));
        if (!state.isEmpty())
            QCOMPARE(after, state);
        QVERIFY2(leftovers(dir.path()).isEmpty(), qPrintable(where + QStringLiteral(": ") + leftovers(dir.path()).join(' ')));
    }
}

// A sync that fails is a failure of the save, with the old files intact.
void TestCore::failedSyncIsAnError_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("message");
    QTest::newRow("data sync, EIO") << int(atomicfiles::Step::Sync) << EIO << "E/A-Fehler 5: brief.txt";
    QTest::newRow("data sync, disk full") << int(atomicfiles::Step::Sync) << ENOSPC << "Zu wenig Speicherplatz: brief.txt";
    QTest::newRow("directory sync") << int(atomicfiles::Step::SyncDirectory) << EIO << "E/A-Fehler 5: brief.txt";
    QTest::newRow("rename") << int(atomicfiles::Step::Rename) << EIO << "E/A-Fehler 5: brief.txt";
}

void TestCore::failedSyncIsAnError()
{
    QFETCH(int, step);
    QFETCH(int, err);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt"));
    for (bool pair : {false, true}) {
        const QString b = dir.filePath(QStringLiteral("brief.sri"));
        writeFilesAtomically({{a, "old text"}, {b, "old runs"}});
        atomicfiles::setFaultHook([&](atomicfiles::Step s, const QByteArray&) { return int(s) == step ? err : 0; });
        QString caught;
        try {
            if (pair)
                writeFilesAtomically({{a, "new text"}, {b, "new runs"}});
            else
                writeFilesAtomically({{a, "new text"}});
        } catch (const IoError& e) {
            caught = e.message();
        }
        atomicfiles::setFaultHook({});
        QCOMPARE(caught, message);
        QCOMPARE(fileBytes(a), QByteArray("old text"));
        QCOMPARE(fileBytes(b), QByteArray("old runs"));
        QCOMPARE(leftovers(dir.path()), QStringList());
    }
}

// A file another writer fills (the printer's PDF) replaces the old one only when it is whole.
void TestCore::writeThroughScratch()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("brief.pdf"));
    writeFilesAtomically({{pdf, "old"}});
    QString scratchSeen;
    writeFileThrough(pdf, [&](const QString& scratch) {
        scratchSeen = scratch;
        QFile f(scratch);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("new pdf");
    });
    QCOMPARE(QFileInfo(scratchSeen).path(), dir.path()); // beside it, not in /tmp
    QCOMPARE(fileBytes(pdf), QByteArray("new pdf"));
    try {
        writeFileThrough(pdf, [&](const QString& scratch) {
            QFile f(scratch);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("half");
            throw IoError(IoError::Cause::PdfNotMade);
        });
        QFAIL("no error");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Die PDF-Datei konnte nicht erzeugt werden: brief.pdf"));
    }
    QCOMPARE(fileBytes(pdf), QByteArray("new pdf"));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

// A replaced file keeps its permissions; a symbolic link keeps pointing at the replaced file.
void TestCore::replacementKeepsPermissionsAndLinks()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt"));
    writeFilesAtomically({{a, "old"}});
    QVERIFY(QFile::setPermissions(a, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString link = dir.filePath(QStringLiteral("verweis.txt"));
    QVERIFY(QFile::link(a, link));
    writeFilesAtomically({{link, "new"}});
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileBytes(a), QByteArray("new"));
    QCOMPARE(QFileInfo(a).permissions() & QFile::Permissions(0x7077), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

// Two programs save the same document at once, many times, while a third
// reads it: the saves take turns, each reports success, the last one's
// files are there whole, and the reader never sees one file of each.
void TestCore::savesThatMeetTakeTurns_data()
{
    QTest::addColumn<int>("files");
    QTest::newRow("pair") << 2;
    QTest::newRow("one file") << 1;
}

void TestCore::savesThatMeetTakeTurns()
{
    QFETCH(int, files);
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("o.txt")), b = dir.filePath(QStringLiteral("o.sri"));
    auto contents = [&](char who) {
        // Large enough that the writes overlap: hundreds of kilobytes each.
        std::vector<std::pair<QString, QByteArray>> t{{a, QByteArray(300'000 + who, who)}};
        if (files == 2)
            t.emplace_back(b, QByteArray(200'000 + who, char(who + 1)));
        return t;
    };
    writeFilesAtomically(contents('X'));
    auto state = [&] {
        const QByteArray x = fileBytes(a), y = files == 2 ? fileBytes(b) : QByteArray();
        for (char who : {'X', 'Y'}) {
            const auto c = contents(who);
            if (x == c[0].second && (files == 1 || y == c[1].second))
                return QString(QLatin1Char(who));
        }
        return QStringLiteral("mixed");
    };
    for (int round = 0; round < 15; ++round) {
        int go[2];
        QVERIFY(pipe(go) == 0);
        auto start = [&](const std::function<int()>& job) {
            const pid_t child = fork();
            if (child == 0) {
                char c;
                ::close(go[1]);
                if (::read(go[0], &c, 1) < 0)
                    _exit(3);
                _exit(job());
            }
            return child;
        };
        auto writer = [&](char who) {
            return [&, who] {
                try {
                    writeFilesAtomically(contents(who));
                    return 0;
                } catch (const IoError&) {
                    return 1;
                }
            };
        };
        const pid_t x = start(writer('X')), y = start(writer('Y'));
        const pid_t reader = start([&] {
            for (int i = 0; i < 40; ++i) {
                try {
                    const ReadTogether together({a, b});
                    const QByteArray t = readWholeFile(a);
                    if (files == 2 && readWholeFile(b).at(0) != t.at(0) + 1)
                        return 2; // one file of each
                } catch (const IoError&) {
                    return 1;
                }
            }
            return 0;
        });
        ::close(go[0]);
        ::close(go[1]); // all three start at once
        int sx = 0, sy = 0, sr = 0;
        waitpid(x, &sx, 0);
        waitpid(y, &sy, 0);
        waitpid(reader, &sr, 0);
        const QString where = QStringLiteral("round %1").arg(round);
        QVERIFY2(WIFEXITED(sx) && WEXITSTATUS(sx) == 0, qPrintable(where));
        QVERIFY2(WIFEXITED(sy) && WEXITSTATUS(sy) == 0, qPrintable(where));
        QVERIFY2(WIFEXITED(sr) && WEXITSTATUS(sr) == 0, qPrintable(where + QStringLiteral(": the reader saw %1").arg(WEXITSTATUS(sr))));
        QVERIFY2(state() != QLatin1String("mixed"), qPrintable(where));
        QVERIFY2(leftovers(dir.path()).isEmpty(), qPrintable(where + leftovers(dir.path()).join(' ')));
        QCOMPARE(lockFiles(), QStringList()); // the last holder of each lock removes it
    }
}

// A save that finds another program's save of its file going on waits, and
// then gives up with the file's name; nothing is touched.
void TestCore::busyFileIsTold()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt")), b = dir.filePath(QStringLiteral("brief.sri"));
    writeFilesAtomically({{a, "old text"}, {b, "old runs"}});
    filelock::Exclusive other;
    QByteArray busy;
    QVERIFY(other.lock({QFile::encodeName(b)}, 0, &busy));
    filelock::setWaitMs(50);
    QString caught;
    try {
        writeFilesAtomically({{a, "new text"}, {b, "new runs"}});
    } catch (const IoError& e) {
        caught = e.message();
        QVERIFY(e.isRefusal());
    }
    QCOMPARE(caught, QStringLiteral("brief.sri wird gerade von einem anderen Programm gespeichert"));
    QCOMPARE(fileBytes(a), QByteArray("old text"));
    // The pair is not read while one of its files is being replaced.
    try {
        const ReadTogether together({a, b});
        QFAIL("read while saved");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("brief.sri wird gerade von einem anderen Programm gespeichert"));
    }
    // The same file under another name (a link, a path with "..") is the same lock.
    const QString link = dir.filePath(QStringLiteral("verweis.sri"));
    QVERIFY(QFile::link(b, link));
    QVERIFY_THROWS_EXCEPTION(IoError, writeFilesAtomically({{link, "x"}}));
    QVERIFY_THROWS_EXCEPTION(IoError, writeFilesAtomically({{dir.path() + QStringLiteral("/../") + QFileInfo(dir.path()).fileName() + QStringLiteral("/brief.sri"), "x"}}));
    other.unlock();
    filelock::setWaitMs(5000);
    writeFilesAtomically({{a, "new text"}, {b, "new runs"}});
    QCOMPARE(fileBytes(b), QByteArray("new runs"));
    QCOMPARE(lockFiles(), QStringList());
}

// A program killed while it saves leaves no lock behind: the next save goes through at once.
void TestCore::killedWritersLockGoes()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.rtf"));
    int ready[2];
    QVERIFY(pipe(ready) == 0);
    const pid_t child = fork();
    if (child == 0) {
        filelock::Exclusive held;
        QByteArray busy;
        held.lock({QFile::encodeName(a)}, 0, &busy);
        if (::write(ready[1], "x", 1) != 1)
            _exit(1);
        ::pause();
        _exit(0);
    }
    char c;
    QCOMPARE(::read(ready[0], &c, 1), ssize_t(1));
    filelock::setWaitMs(0);
    QVERIFY_THROWS_EXCEPTION(IoError, writeFilesAtomically({{a, "neu"}}));
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    writeFilesAtomically({{a, "neu"}});
    filelock::setWaitMs(5000);
    QCOMPARE(fileBytes(a), QByteArray("neu"));
    QCOMPARE(lockFiles(), QStringList()); // the killed program's lock file went with the next save
}

// Only a regular file or a missing name is replaced; a device or a FIFO,
// also behind a link, keeps what it is.
void TestCore::onlyRegularFilesReplaced_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to a FIFO") << "link to fifo";
    QTest::newRow("link to /dev/null") << "link to null";
}

void TestCore::onlyRegularFilesReplaced()
{
    QFETCH(QString, what);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.rtf"));
    const QString fifo = dir.filePath(QStringLiteral("rohr"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
    if (what == QLatin1String("fifo"))
        QVERIFY(QFile::rename(fifo, out));
    else
        QVERIFY(QFile::link(what == QLatin1String("link to fifo") ? fifo : QStringLiteral("/dev/null"), out));
    for (bool through : {false, true}) {
        QString caught;
        try {
            if (through)
                writeFileThrough(out, [](const QString&) {});
            else
                writeFilesAtomically({{out, "text"}, {dir.filePath(QStringLiteral("out.sri")), "runs"}});
        } catch (const IoError& e) {
            caught = e.message();
        }
        QCOMPARE(caught, QStringLiteral("Keine normale Datei: out.rtf"));
    }
    struct stat st;
    QVERIFY(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
    QVERIFY(::stat(QFile::encodeName(out).constData(), &st) == 0 && !S_ISREG(st.st_mode));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("out.sri"))));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

// A write-protected file is never replaced, whichever of the pair it is, and by root neither.
void TestCore::writeProtectedNeverReplaced_data()
{
    QTest::addColumn<QString>("protectedName");
    QTest::newRow("text file") << "brief.txt";
    QTest::newRow("attribute file") << "brief.sri";
}

void TestCore::writeProtectedNeverReplaced()
{
    QFETCH(QString, protectedName);
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt")), b = dir.filePath(QStringLiteral("brief.sri"));
    writeFilesAtomically({{a, "old text"}, {b, "old runs"}});
    QVERIFY(QFile::setPermissions(dir.filePath(protectedName), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(isWriteProtected(dir.filePath(protectedName)));
    QString caught;
    try {
        writeFilesAtomically({{a, "new text"}, {b, "new runs"}});
    } catch (const IoError& e) {
        caught = e.message();
    }
    QCOMPARE(caught, QStringLiteral("Datei ist schreibgeschützt: ") + protectedName);
    QCOMPARE(fileBytes(a), QByteArray("old text"));
    QCOMPARE(fileBytes(b), QByteArray("old runs"));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

// Reading takes regular files only, and refuses the rest before a byte is read:
// an endless device or a FIFO without a writer would never end.
void TestCore::readRefusesWhatIsNoFile_data()
{
    QTest::addColumn<QString>("target"); // what brief.rtf is a link to; "fifo": a FIFO of its own
    QTest::addColumn<QString>("message");
    QTest::newRow("/dev/zero") << "/dev/zero" << "Keine normale Datei: brief.rtf";
    QTest::newRow("/dev/urandom") << "/dev/urandom" << "Keine normale Datei: brief.rtf";
    QTest::newRow("FIFO without a writer") << "fifo" << "Keine normale Datei: brief.rtf";
    QTest::newRow("directory") << "/" << "Ist ein Verzeichnis, keine Datei: brief.rtf";
}

void TestCore::readRefusesWhatIsNoFile()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brief.rtf"));
    if (target == QLatin1String("fifo"))
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
    else
        QVERIFY(QFile::link(target, path));
    try {
        readWholeFile(path);
        QFAIL("read");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), message);
    }
}

// A journal of the version before (fixed scratch names) is still finished.
void TestCore::olderJournalFinished()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("brief.txt")), b = dir.filePath(QStringLiteral("brief.sri"));
    writeFilesAtomically({{a, "old text"}, {b, "old runs"}});
    auto put = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    // Killed after the first rename: the text is new, the attribute file still old.
    put(QStringLiteral("brief.txt"), "new text");
    put(QStringLiteral(".brief.sri.stilora-neu"), "new runs");
    put(QStringLiteral(".brief.sri.stilora-alt"), "old runs");
    const QByteArray real = QFile::encodeName(QFileInfo(dir.path()).canonicalFilePath());
    put(QStringLiteral(".brief.txt.stilora-journal"),
        "stilora-journal 1\nV\n1 " + (real + "/brief.txt").toHex() + "\n1 " + (real + "/brief.sri").toHex() + "\nend\n");
    finishInterruptedWrite({a, b});
    QCOMPARE(fileBytes(a), QByteArray("new text"));
    QCOMPARE(fileBytes(b), QByteArray("new runs"));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

// A writer that never looks at its writes (Qt's PDF writer) learns of a
// failed one through the device: at whichever write, the cause is told.
void TestCore::checkedFileTellsFailedWrites_data()
{
    QTest::addColumn<int>("failAt"); // the write step that fails; 0: the file size limit
    QTest::addColumn<QString>("message");
    QTest::newRow("first write") << 1 << "E/A-Fehler 5: aus.pdf";
    QTest::newRow("third write") << 3 << "E/A-Fehler 5: aus.pdf";
    QTest::newRow("disk full") << 0 << "Zu wenig Speicherplatz: aus.pdf";
}

void TestCore::checkedFileTellsFailedWrites()
{
    QFETCH(int, failAt);
    QFETCH(QString, message);
    QTemporaryDir dir;
    CheckedFile out(dir.filePath(QStringLiteral("aus.pdf")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    int writes = 0;
    atomicfiles::setFaultHook([&](atomicfiles::Step s, const QByteArray&) { return s == atomicfiles::Step::Write && ++writes == failAt ? EIO : 0; });
    std::optional<FileSizeLimit> full;
    if (failAt == 0)
        QVERIFY(full.emplace(100'000).ok());
    // Pieces small and large, as a PDF writer writes them; the writer never looks at the result.
    for (int i = 0; i < 40; ++i)
        out.write(QByteArray(i % 3 == 0 ? 70'000 : 900, 'x'));
    QString caught;
    try {
        out.finish();
    } catch (const IoError& e) {
        caught = e.message();
    }
    full.reset();
    atomicfiles::setFaultHook({});
    QCOMPARE(caught, message);
}

// A document held open is seen from elsewhere until its mark goes.
void TestCore::openMarkSeenByOthers()
{
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("brief.rtf")));
    QVERIFY(!filelock::OpenMark::heldElsewhere(file));
    {
        filelock::OpenMark one(file);
        filelock::OpenMark two(file); // two programs hold it
        QVERIFY(filelock::OpenMark::heldElsewhere(file));
        QVERIFY(filelock::OpenMark::heldElsewhere(QFile::encodeName(dir.path()) + "/./brief.rtf"));
        QVERIFY(!filelock::OpenMark::heldElsewhere(file + ".bak"));
    }
    QVERIFY(!filelock::OpenMark::heldElsewhere(file));
    QCOMPARE(lockFiles(), QStringList());
}

void TestCore::readMissingFile()
{
    QTemporaryDir dir;
    try {
        readWholeFile(dir.filePath(QStringLiteral("fehlt.txt")));
        QFAIL("no error for a missing file");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Datei nicht gefunden: fehlt.txt"));
        QCOMPARE(e.messageWithPath(), QStringLiteral("Datei nicht gefunden: ") + dir.filePath(QStringLiteral("fehlt.txt")));
    }
    try {
        readWholeFile(dir.path());
        QFAIL("no error for a directory");
    } catch (const IoError& e) {
        QCOMPARE(e.cause(), IoError::Cause::IsDirectory);
    }
}

// Every message is made in one place from the cause, its detail, the step,
// the file and the byte.
void TestCore::errorNamesItsFile_data()
{
    QTest::addColumn<int>("cause");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("step");
    QTest::addColumn<qint64>("byte");
    QTest::addColumn<QString>("message");
    using C = IoError::Cause;
    using S = IoError::Step;
    const qint64 none = -1;
    QTest::newRow("a reader's reason at its byte") << int(C::NotLoaded) << "Gruppen zu tief verschachtelt" << int(S::None) << qint64(1000)
                                                   << "Das Laden des Streams ist mißlungen: Gruppen zu tief verschachtelt (Byte 1000 in brief.rtf)";
    QTest::newRow("a cause and its file") << int(C::FileNotFound) << "" << int(S::None) << none << "Datei nicht gefunden: brief.rtf";
    QTest::newRow("the step before the cause") << int(C::DiskFull) << "" << int(S::SavingStream) << none
                                               << "Das Speichern des Streams ist mißlungen: Zu wenig Speicherplatz: brief.rtf";
    QTest::newRow("an interrupted save") << int(C::AccessDenied) << "" << int(S::FinishingInterruptedSave) << none
                                         << "Eine unterbrochene Speicherung kann nicht beendet werden: Dateizugriff verweigert: brief.rtf";
    QTest::newRow("the file first") << int(C::BeingSaved) << "" << int(S::None) << none
                                    << "brief.rtf wird gerade von einem anderen Programm gespeichert";
    QTest::newRow("the folder inside") << int(C::FolderNotMade) << "" << int(S::None) << none << "Der Ordner brief.rtf kann nicht angelegt werden";
    QTest::newRow("what is expected") << int(C::UnknownFormat) << ".rtf oder .sri" << int(S::None) << none
                                      << "Unbekanntes Format (erwartet .rtf oder .sri): brief.rtf";
    QTest::newRow("the pair's attribute file") << int(C::PairText) << "brief.sri" << int(S::None) << none
                                               << "Die Datei ist der Text des Dateipaars brief.sri und wird nicht als Unicode-Text überschrieben: brief.rtf";
}

void TestCore::errorNamesItsFile()
{
    QFETCH(int, cause);
    QFETCH(QString, detail);
    QFETCH(int, step);
    QFETCH(qint64, byte);
    QFETCH(QString, message);
    IoError e(IoError::Cause(cause), detail);
    e.during(IoError::Step(step)).about(QStringLiteral("/home/x/brief.rtf"));
    if (byte >= 0)
        e.atByte(byte);
    QCOMPARE(e.message(), message);
    QCOMPARE(QString::fromUtf8(e.what()), e.message());
    QCOMPARE(e.messageWithPath(), QString(message).replace(QStringLiteral("brief.rtf"), QStringLiteral("/home/x/brief.rtf")));
    e.about(QStringLiteral("anderes.rtf")); // the deeper caller's file stays
    QCOMPARE(e.file(), QStringLiteral("/home/x/brief.rtf"));
    QCOMPARE(e.renamed(QStringLiteral("neu.rtf")).message(), QString(message).replace(QStringLiteral("brief.rtf"), QStringLiteral("neu.rtf")));
}

// A file name of any bytes comes back as the same bytes; a UTF-8 one is its text.
void TestCore::namesOfAnyBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("UTF-8") << QByteArray("brief-\xc3\xa4.rtf") << QStringLiteral(u"brief-ä.rtf");
    QTest::newRow("Latin-1 byte") << QByteArray("brief-\xe4.rtf") << QStringLiteral(u"brief-") + QChar(0xDCE4) + QStringLiteral(".rtf");
    QTest::newRow("UTF-8 and stray bytes") << QByteArray("\xff\xce\xb1\xce") << QString(QChar(0xDCFF)) + QStringLiteral(u"α") + QChar(0xDCCE);
    QTest::newRow("encoded surrogate is stray") << QByteArray("\xed\xb3\xbf") << QString(QChar(0xDCED)) + QChar(0xDCB3) + QChar(0xDCBF);
}

void TestCore::namesOfAnyBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, decoded);
    QCOMPARE(decodePath(bytes), decoded);
    QCOMPARE(encodePath(decodePath(bytes)), bytes);
    QTemporaryDir dir;
    const QString path = decodePath(QFile::encodeName(dir.path()) + '/' + bytes);
    writeFilesAtomically({{path, "x"}});
    QVERIFY(fileExists(path));
    QCOMPARE(readWholeFile(path), QByteArray("x"));
}

// Whatever is built into the model is valid Unicode.
void TestCore::loneSurrogates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("built");
    QTest::newRow("high alone") << QString(QChar(0xD800)) << QStringLiteral(u"�");
    QTest::newRow("low alone") << QStringLiteral(u"a") + QChar(0xDCD8) + QStringLiteral(u"b") << QStringLiteral(u"a�b");
    QTest::newRow("a pair stays") << QStringLiteral(u"x😀y") << QStringLiteral(u"x😀y");
    QTest::newRow("two highs, then a low") << QString(QChar(0xD83D)) + QStringLiteral(u"😀") << QStringLiteral(u"�😀");
    QTest::newRow("low before high") << QString(QChar(0xDE00)) + QChar(0xD83D) << QStringLiteral(u"��");
}

void TestCore::loneSurrogates()
{
    QFETCH(QString, text);
    QFETCH(QString, built);
    QCOMPARE(Document::fromPlainText(text).plainText(), built);
    styled::DocumentBuilder b;
    for (QChar ch : text)
        b.appendChar(ch, fmt("Greek")); // one character at a time, as the paste reduction does
    QCOMPARE(b.take().plainText(), built);
}

namespace {
QString codes(std::initializer_list<int> list)
{
    QString s;
    for (int c : list)
        s += codepage::toChar(uchar(c));
    return s;
}
} // namespace

void TestCore::exportCodes_data()
{
    QTest::addColumn<QString>("codes");
    QTest::addColumn<QString>("unicode");
    QTest::newRow("a word") << codes({164, 'n', 'q', 'r', 'w', 'p', 'o', 'j'}) << QStringLiteral(u"ἅνθρωπος");
    QTest::newRow("rough breathing and capital") << codes({96, 'A'}) << QStringLiteral(u"Ἁ");
    QTest::newRow("rough breathing, acute, capital") << codes({147, 'A'}) << QStringLiteral(u"Ἅ");
    QTest::newRow("smooth breathing, acute, omega") << codes({148, 'W'}) << QStringLiteral(u"Ὤ");
    QTest::newRow("rho with rough breathing") << codes({96, 'R'}) << QStringLiteral(u"Ῥ");
    QTest::newRow("no precomposed capital") << codes({39, 'U'}) << QStringLiteral(u"Υ\u0313");
    QTest::newRow("mark before a small letter stays") << codes({96, 'a'}) << QStringLiteral(u"\u1FFEα");
    QTest::newRow("ano teleia as the middle dot") << codes({':'}) << QStringLiteral(u"\u00B7");
    QTest::newRow("digits and Latin codes") << codes({'1', 128, 129}) << QStringLiteral(u"1€\u0081");
}

void TestCore::exportCodes()
{
    QFETCH(QString, codes);
    QFETCH(QString, unicode);
    QCOMPARE(unicodegreek::exportGreek(codes), unicode);
}

// Every code alone, and every code after each capital mark, comes back as it was.
void TestCore::everyCodeRoundTrip()
{
    for (int c = 0; c < 256; ++c) {
        const QString one = codes({c});
        const unicodegreek::Imported back = unicodegreek::importGreek(unicodegreek::exportGreek(one));
        QVERIFY2(back.codes == one && back.unmapped == 0, qPrintable(QStringLiteral("code %1").arg(c)));
    }
}

void TestCore::capitalsWithMarks()
{
    for (int mark : {96, 39, 145, 146, 147, 148, 149, 150})
        for (char capital : {'A', 'E', 'H', 'I', 'O', 'R', 'U', 'W'}) {
            const QString typed = codes({mark, capital});
            const QString unicode = unicodegreek::exportGreek(typed);
            QCOMPARE(unicode, unicode.normalized(QString::NormalizationForm_C));
            const unicodegreek::Imported back = unicodegreek::importGreek(unicode);
            QVERIFY2(back.codes == typed, qPrintable(QStringLiteral("%1 %2").arg(mark).arg(capital)));
            // The same letter decomposed comes back the same.
            QCOMPARE(unicodegreek::importGreek(unicode.normalized(QString::NormalizationForm_D)).codes, typed);
        }
}

void TestCore::importForms_data()
{
    QTest::addColumn<QString>("unicode");
    QTest::addColumn<QString>("codes");
    QTest::addColumn<int>("unmapped");
    QTest::newRow("polytonic NFC") << QStringLiteral(u"ἄνδρα") << codes({165, 'n', 'd', 'r', 'a'}) << 0;
    QTest::newRow("polytonic NFD") << QStringLiteral(u"ἄνδρα").normalized(QString::NormalizationForm_D)
                                   << codes({165, 'n', 'd', 'r', 'a'}) << 0;
    QTest::newRow("oxia read as tonos") << QStringLiteral(u"\u1F71") << codes({163}) << 0;
    QTest::newRow("monotonic") << QStringLiteral(u"λόγος") << codes({'l', 210, 'g', 'o', 'j'}) << 0;
    QTest::newRow("final sigma stays final") << QStringLiteral(u"σς") << codes({'s', 'j'}) << 0;
    QTest::newRow("Latin passes") << QStringLiteral(u"Text äß") << QStringLiteral(u"Text äß") << 0;
    QTest::newRow("Coptic is counted") << QStringLiteral(u"α\u03E2β") << codes({'a'}) + QStringLiteral(u"\u03E2") + codes({'b'}) << 1;
    QTest::newRow("diaeresis with accent has its code") << QStringLiteral(u"\u0390") << codes({229}) << 0;
    QTest::newRow("diaeresis with grave has none") << QStringLiteral(u"\u1FD2") << QStringLiteral(u"\u1FD2") << 1;
    QTest::newRow("capital with iota adscript") << QStringLiteral(u"x\u1F88") << QStringLiteral(u"x\u1F88") << 1;
    QTest::newRow("koronis as the smooth breathing") << QStringLiteral(u"κ\u1FBDἁ") << codes({'k', 39, 161}) << 0;
}

void TestCore::importForms()
{
    QFETCH(QString, unicode);
    QFETCH(QString, codes);
    QFETCH(int, unmapped);
    const unicodegreek::Imported r = unicodegreek::importGreek(unicode);
    QCOMPARE(r.codes, codes);
    QCOMPARE(r.unmapped, unmapped);
    QCOMPARE(r.approximated, int(unicode.contains(QChar(0x1FBD))));
}

// Texts of any codes come back as they were.
void TestCore::randomTextsRoundTrip()
{
    QRandomGenerator rng(5);
    for (int n = 0; n < 2000; ++n) {
        QString text;
        for (int k = int(rng.bounded(12)); k >= 0; --k)
            text += codepage::toChar(uchar(rng.bounded(256)));
        const unicodegreek::Imported back = unicodegreek::importGreek(unicodegreek::exportGreek(text));
        QVERIFY2(back.codes == text, qPrintable(QStringLiteral("%1 -> %2").arg(QString::fromLatin1(codepage::encode(text).toHex(' ')),
                                                                                QString::fromLatin1(codepage::encode(back.codes).toHex(' ')))));
    }
}

// Greek in another font goes into "Greek" as codes; what has no code keeps its font.
void TestCore::importDocumentFonts()
{
    const CharFormat arial = fmt("Arial", 12, styled::Bold);
    const unicodegreek::ImportedDocument r = unicodegreek::importDocument(Document::fromPlainText(QStringLiteral(u"x αϢβ y"), arial));
    QCOMPARE(r.unmapped, 1);
    const QList<styled::Run>& runs = r.document.paragraphs[0].runs;
    QCOMPARE(runs.size(), 5);
    QCOMPARE(runs[0], (styled::Run{QStringLiteral("x "), arial}));
    QCOMPARE(runs[1], (styled::Run{QStringLiteral("a"), fmt("Greek", 12, styled::Bold)}));
    QCOMPARE(runs[2], (styled::Run{QStringLiteral(u"Ϣ"), arial}));
    QCOMPARE(runs[3], (styled::Run{QStringLiteral("b"), fmt("Greek", 12, styled::Bold)}));
    QCOMPARE(runs[4], (styled::Run{QStringLiteral(" y"), arial}));
}

// Unicode text from another program, as runs: what goes into "Greek" with
// the Greek words, and what keeps its Latin font. Notation of the expected
// runs: "G:" Greek (given in Unicode, compared as its codes) or "A:" Arial,
// separated by "|".
void TestCore::importJoinsWhatBelongsToGreek_data()
{
    QTest::addColumn<QString>("unicode");
    QTest::addColumn<QString>("runs");
    QTest::newRow("words and spaces are one run") << u"ἄνδρα μοι ἔννεπε"_s << u"G:ἄνδρα μοι ἔννεπε"_s;
    QTest::newRow("punctuation between words and after the last") << u"ἔννεπε, μοῦσα. τίς; Ja."_s << u"G:ἔννεπε, μοῦσα. τίς;|A: Ja."_s;
    QTest::newRow("a number after the words stays Latin") << u"στίχος 12"_s << u"G:στίχος|A: 12"_s;
    QTest::newRow("ano teleia as the middle dot") << u"λόγος· ἀλλά"_s << u"G:λόγος· ἀλλά"_s;
    QTest::newRow("ano teleia at the end") << u"λόγος·"_s << u"G:λόγος·"_s;
    QTest::newRow("ano teleia as itself") << u"λόγος\u0387 ἀλλά"_s << u"G:λόγος· ἀλλά"_s;
    QTest::newRow("middle dot after Latin stays") << u"a·b λόγος"_s << u"A:a·b |G:λόγος"_s;
    QTest::newRow("middle dot after a space stays") << u"λόγος ·x"_s << u"G:λόγος|A: ·x"_s;
    QTest::newRow("Latin words stay Latin") << u"Il. 1, 1: μῆνιν ἄειδε θεά 12"_s << u"A:Il. 1, 1: |G:μῆνιν ἄειδε θεά|A: 12"_s;
    QTest::newRow("a Latin letter ends the Greek") << u"λόγος x λόγος"_s << u"G:λόγος|A: x |G:λόγος"_s;
    QTest::newRow("an apostrophe is no neutral mark") << u"λόγος ' λόγος"_s << u"G:λόγος|A: ' |G:λόγος"_s;
}

void TestCore::importJoinsWhatBelongsToGreek()
{
    QFETCH(QString, unicode);
    QFETCH(QString, runs);
    const CharFormat arial = fmt("Arial", 12);
    const unicodegreek::ImportedDocument r = unicodegreek::importDocument(Document::fromPlainText(unicode, arial));
    QStringList got;
    for (const styled::Run& run : r.document.paragraphs[0].runs)
        got << (run.format.font == QLatin1String("Greek") ? u"G:"_s + unicodegreek::exportGreek(run.text) : u"A:"_s + run.text);
    QStringList expected = runs.split(QLatin1Char('|'));
    for (QString& e : expected)
        if (e.startsWith(QLatin1String("G:")))
            e = u"G:"_s + unicodegreek::exportGreek(unicodegreek::importGreek(e.mid(2)).codes);
    QCOMPARE(got, expected);
}

// Search text x document x options: where the match starts and what it covers.
void TestCore::findIgnoringMarks_data()
{
    QTest::addColumn<QString>("text");  // Greek as Unicode, {Arial}
    QTest::addColumn<QString>("what");  // Greek as Unicode (the field holds its codes), {Arial} for none
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("match"); // what it covers, in the text's notation
    QTest::newRow("accent ignored") << u"ὁ λόγος"_s << u"λογος"_s << u"I"_s << 2 << u"λόγος"_s;
    QTest::newRow("exact search keeps the accent") << u"ὁ λόγος"_s << u"λογος"_s << u""_s << -1 << u""_s;
    QTest::newRow("accented search text ignores its accent") << u"ὁ λογος"_s << u"λόγος"_s << u"I"_s << 2 << u"λογος"_s;
    QTest::newRow("iota subscript") << u"τῷ λόγῳ"_s << u"λογω"_s << u"I"_s << 3 << u"λόγῳ"_s;
    QTest::newRow("stem of a dative") << u"τῷ λόγῳ"_s << u"λογ"_s << u"I"_s << 3 << u"λόγ"_s;
    QTest::newRow("stem is no whole word") << u"τῷ λόγῳ"_s << u"λογ"_s << u"IW"_s << -1 << u""_s;
    QTest::newRow("capital folds") << u"Λόγος"_s << u"λογος"_s << u"I"_s << 0 << u"Λόγος"_s;
    QTest::newRow("capital with match case") << u"Λόγος"_s << u"λογος"_s << u"IC"_s << -1 << u""_s;
    QTest::newRow("whole word skips a longer word") << u"λογοσφαῖρα λόγος"_s << u"λογος"_s << u"IW"_s << 11 << u"λόγος"_s;
    QTest::newRow("the article as a whole word") << u"τὸ ὁ λόγος"_s << u"ο"_s << u"IW"_s << 3 << u"ὁ"_s;
    QTest::newRow("sigma finds final sigma") << u"λόγος"_s << u"λογοσ"_s << u"I"_s << 0 << u"λόγος"_s;
    QTest::newRow("final sigma finds sigma") << u"σοφός"_s << u"ς"_s << u"I"_s << 0 << u"σ"_s;
    QTest::newRow("exact: the two sigmas differ") << u"λόγος"_s << u"λογοσ"_s << u"C"_s << -1 << u""_s;
    QTest::newRow("capital with breathing and accent") << u"ὁ Ἄνθρωπος"_s << u"ανθρωπος"_s << u"I"_s << 2 << u"Ἄνθρωπος"_s;
    QTest::newRow("capital with marks, whole word") << u"ὁ Ἄνθρωπος"_s << u"ανθρωπος"_s << u"IW"_s << 2 << u"Ἄνθρωπος"_s;
    QTest::newRow("capital with marks, match case") << u"Ἄνθρωπος"_s << u"Α"_s << u"IC"_s << 0 << u"Ἄ"_s;
    QTest::newRow("capital's marks in the search text") << u"ὁ Ανθρωπος"_s << u"Ἄνθρωπος"_s << u"I"_s << 2 << u"Ανθρωπος"_s;
    QTest::newRow("exact capital with its marks") << u"Ανθρωπος Ἄνθρωπος"_s << u"Ἄνθρωπος"_s << u""_s << 9 << u"Ἄνθρωπος"_s;
    QTest::newRow("rough breathing on rho") << u"ῥήτωρ"_s << u"ρητωρ"_s << u"IW"_s << 0 << u"ῥήτωρ"_s;
    QTest::newRow("diaeresis") << u"ἰχθῦϊ"_s << u"ιχθυι"_s << u"I"_s << 0 << u"ἰχθῦϊ"_s;
    QTest::newRow("diaeresis with accent") << u"ΐ"_s << u"ι"_s << u"I"_s << 0 << u"ΐ"_s;
    QTest::newRow("typed acute a finds alpha with any marks") << u"ἀλλ᾽ ᾄδω"_s << u"ά"_s << u"I"_s << 0 << u"ἀ"_s;
    QTest::newRow("typed acute a, whole word") << u"ἀλλὰ ᾄ"_s << u"ά"_s << u"IW"_s << 5 << u"ᾄ"_s;
    QTest::newRow("a spacing mark in the search text") << u"ἀνήρ"_s << u"᾿α"_s << u"I"_s << 0 << u"ἀ"_s;
    QTest::newRow("elision mark stays out of the match") << u"ἀλλ᾿ ἐγώ"_s << u"αλλ"_s << u"IW"_s << 0 << u"ἀλλ"_s;
    QTest::newRow("after the elision") << u"ἀλλ᾿ ἐγώ"_s << u"εγω"_s << u"I"_s << 5 << u"ἐγώ"_s;
    QTest::newRow("marks alone find nothing in Greek") << u"ἀλλ᾿ ἐγώ"_s << u"᾿"_s << u"I"_s << -1 << u""_s;
    QTest::newRow("Arial: e is not é") << u"{café}"_s << u"{e}"_s << u"I"_s << -1 << u""_s;
    QTest::newRow("Arial: é is é") << u"{cafe café}"_s << u"{é}"_s << u"I"_s << 8 << u"{é}"_s;
    QTest::newRow("Arial folds case as usual") << u"{CAFÉ}"_s << u"{café}"_s << u"I"_s << 0 << u"{CAFÉ}"_s;
    QTest::newRow("Arial: an apostrophe is a character") << u"{dont don't}"_s << u"{don't}"_s << u"I"_s << 5 << u"{don't}"_s;
    QTest::newRow("Arial: match case") << u"{Logos logos}"_s << u"{logos}"_s << u"IC"_s << 6 << u"{logos}"_s;
    QTest::newRow("Greek and Arial in one match") << u"λόγος{ist}"_s << u"{logosist}"_s << u"I"_s << 0 << u"λόγος{ist}"_s;
    QTest::newRow("Arial takes no sigma rule") << u"{logos} λόγος"_s << u"λογος"_s << u"IW"_s << 6 << u"λόγος"_s;
}

void TestCore::findIgnoringMarks()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QString, options);
    QFETCH(int, start);
    QFETCH(QString, match);
    const textsearch::Searchable s = searchableOf(text);
    int o = 0;
    if (options.contains(QLatin1Char('I')))
        o |= textsearch::IgnoreMarks;
    if (options.contains(QLatin1Char('C')))
        o |= textsearch::MatchCase;
    if (options.contains(QLatin1Char('W')))
        o |= textsearch::WholeWord;
    const QString wanted = searchableOf(what).text;
    const textsearch::Match m = textsearch::find(s.text, s.greek, wanted, 0, int(s.text.size()), o);
    QCOMPARE(m.start, start);
    if (start < 0)
        return;
    const textsearch::Searchable expected = searchableOf(match);
    QCOMPARE(s.text.mid(m.start, m.length), expected.text);
    QCOMPARE(std::vector<unsigned char>(s.greek.begin() + m.start, s.greek.begin() + m.start + m.length), expected.greek);
    // The kept folded text gives the same.
    QCOMPARE(textsearch::find(s.text, s.greek, wanted, 0, int(s.text.size()), o, textsearch::foldedText(s.text, s.greek)), m);
}

// Every code in every font: folding a part gives what the whole gives there.
void TestCore::foldedRangeIsTheWhole()
{
    textsearch::Searchable s;
    for (int i = 0; i < 2 * 256; ++i) {
        s.text += codepage::toChar((unsigned char)(i % 256));
        s.greek.push_back(i < 256 ? 1 : 0);
    }
    s.text += QChar(0x1F00); // a character without a code stays as it is
    s.greek.push_back(1);
    const QString whole = textsearch::foldedText(s.text, s.greek);
    QCOMPARE(whole.size(), s.text.size());
    QCOMPARE(whole.mid(256), s.text.mid(256)); // nothing in Arial changes
    QString part = s.text;
    textsearch::foldRange(s.text, s.greek, 100, 300, part.data());
    QCOMPARE(part.mid(100, 200), whole.mid(100, 200));
    // The bare letters, from the layout's decomposition.
    QCOMPARE(whole[0xA5], QChar(u'a'));         // ἄ
    QCOMPARE(whole[0xE3], QChar(u'i'));         // ϊ
    QCOMPARE(whole[0xE5], QChar(u'i'));         // ΐ
    QCOMPARE(whole[0xB7], QChar(u'r'));         // ῥ
    QCOMPARE(whole['j'], QChar(u's'));          // ς
    QCOMPARE(whole['J'], QChar(u'w'));          // ῳ
    QCOMPARE(whole[39], textsearch::kPassedOver); // ᾿
    QCOMPARE(whole[0x93], textsearch::kPassedOver); // ῞
    QCOMPARE(whole[':'], QChar(u':'));          // the ano teleia is no mark
    QCOMPARE(whole['A'], QChar(u'A'));
}

// The reader's Unicode with its way back to the codes.
void TestCore::readableMapsBack_data()
{
    QTest::addColumn<QString>("unicode");
    QTest::addColumn<bool>("inGreek");
    QTest::addColumn<QString>("expected");
    QTest::newRow("word") << QStringLiteral("ἄνδρα") << true << QStringLiteral("ἄνδρα");
    QTest::newRow("capital with marks") << QStringLiteral("Ἅνδρα Ὅμηρος") << true << QStringLiteral("Ἅνδρα Ὅμηρος");
    QTest::newRow("not in Greek") << QStringLiteral("ndra") << false << QStringLiteral("ndra");
}

void TestCore::readableMapsBack()
{
    QFETCH(QString, unicode);
    QFETCH(bool, inGreek);
    QFETCH(QString, expected);
    const QString codes = inGreek ? unicodegreek::importGreek(unicode).codes : unicode;
    const unicodegreek::Readable r = unicodegreek::readable(codes, std::vector<unsigned char>(std::size_t(codes.size()), inGreek));
    QCOMPARE(r.text, expected);
    QCOMPARE(r.positions(), int(codes.size()));
    // Every offset leads back to the first code of its letter, and that code's offset is where the letter begins.
    for (int o = 0; o < int(r.text.size()); ++o) {
        const int p = r.positionOf(o);
        QVERIFY(r.offsets[std::size_t(p)] <= o && o < r.offsets[std::size_t(r.endOfPiece(p))]);
        QVERIFY(p == 0 || r.offsets[std::size_t(p) - 1] < r.offsets[std::size_t(p)]);
    }
    QCOMPARE(r.positionOf(int(r.text.size())), r.positions());
}

// Random edits patched into the map give what making it anew gives.
void TestCore::readablePatchedAsMade()
{
    QRandomGenerator rng(17);
    const QString pieces[] = {unicodegreek::importGreek(QStringLiteral("Ἅ")).codes, unicodegreek::importGreek(QStringLiteral("ἄ")).codes,
                              QStringLiteral("n"), QStringLiteral(" "), QString(QChar::ParagraphSeparator),
                              unicodegreek::importGreek(QStringLiteral("Ὅ")).codes.left(1), QStringLiteral("O")};
    QString codes;
    std::vector<unsigned char> greek;
    for (int i = 0; i < 40; ++i) {
        const QString& p = pieces[rng.bounded(int(std::size(pieces)))];
        codes += p;
        greek.insert(greek.end(), std::size_t(p.size()), uchar(rng.bounded(4) != 0));
    }
    unicodegreek::Readable kept = unicodegreek::readable(codes, greek);
    for (int step = 0; step < 300; ++step) {
        const int at = rng.bounded(int(codes.size()) + 1);
        const int removed = std::min<int>(rng.bounded(4), int(codes.size()) - at);
        const QString& added = pieces[rng.bounded(int(std::size(pieces)))];
        const uchar font = uchar(rng.bounded(4) != 0);
        codes.replace(at, removed, added);
        greek.erase(greek.begin() + at, greek.begin() + at + removed);
        greek.insert(greek.begin() + at, std::size_t(added.size()), font);
        // As the editor patches: two codes either side, a joined pair kept whole.
        int from = std::max(0, at - 2);
        while (from > 0 && kept.offsets[std::size_t(from) - 1] == kept.offsets[std::size_t(from)])
            --from;
        int to = std::min(kept.positions(), at + removed + 2);
        while (to < kept.positions() && kept.offsets[std::size_t(to)] == kept.offsets[std::size_t(to) - 1])
            ++to;
        const int newTo = to - removed + int(added.size());
        const std::vector<unsigned char> part(greek.begin() + from, greek.begin() + newTo);
        kept.replace(from, to, unicodegreek::readable(QStringView(codes).mid(from, newTo - from), part));
        const unicodegreek::Readable made = unicodegreek::readable(codes, greek);
        QCOMPARE(kept.text, made.text);
        QVERIFY2(kept.offsets == made.offsets, qPrintable(QString::number(step)));
    }
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
