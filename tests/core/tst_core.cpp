// The bottom layer without a window: the styled-text model, the I/O error
// messages and the atomic writes.
#include "ioerror.h"
#include "codepage.h"
#include "greeklayout.h"
#include "styledtext.h"
#include "unicodegreek.h"

#include <QRandomGenerator>

#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

using styled::CharFormat;
using styled::Document;

namespace {

CharFormat fmt(const char* font, int size = 14, int style = 0) { return {QString::fromLatin1(font), size, style}; }

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void builderCutsParagraphs_data();
    void builderCutsParagraphs();
    void normalizeMergesRuns();
    void lengthCountsBreaks();
    void errnoMessages_data();
    void errnoMessages();
    void atomicWriteReplacesAll();
    void atomicWriteFailureKeepsOldFiles_data();
    void atomicWriteFailureKeepsOldFiles();
    void readMissingFile();
    void exportCodes_data();
    void exportCodes();
    void everyCodeRoundTrip();
    void capitalsWithMarks();
    void importForms_data();
    void importForms();
    void randomTextsRoundTrip();
    void importDocumentFonts();
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
    QCOMPARE(IoError::fromErrno(err).message(), message);
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
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary file left
}

// A failure anywhere leaves every old file byte for byte.
void TestCore::atomicWriteFailureKeepsOldFiles_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("second directory missing") << 0 << "Datei nicht gefunden";
    QTest::newRow("disk full (file size limit)") << 1 << "Zu wenig Speicherplatz";
    QTest::newRow("target is a directory") << 2 << "Dateizugriff verweigert";
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
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (failure == 0)
        b = dir.filePath(QStringLiteral("missing/brief.sri"));
    if (failure == 1) {
        rlimit small = saved;
        small.rlim_cur = 16 * 1024; // the second file does not fit
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    }
    if (failure == 2)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("brief.txt.d")));
    const QString target = failure == 2 ? dir.filePath(QStringLiteral("brief.txt.d")) : b;
    QString caught;
    try {
        writeFilesAtomically({{a, "new text"}, {target, big}});
    } catch (const IoError& e) {
        caught = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(caught, message);
    QCOMPARE(fileBytes(a), QByteArray("old text"));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("brief.sri"))), QByteArray("old runs"));
}

void TestCore::readMissingFile()
{
    QTemporaryDir dir;
    try {
        readWholeFile(dir.filePath(QStringLiteral("fehlt.txt")));
        QFAIL("no error for a missing file");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Datei nicht gefunden"));
    }
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
}

void TestCore::importForms()
{
    QFETCH(QString, unicode);
    QFETCH(QString, codes);
    QFETCH(int, unmapped);
    const unicodegreek::Imported r = unicodegreek::importGreek(unicode);
    QCOMPARE(r.codes, codes);
    QCOMPARE(r.unmapped, unmapped);
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

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
