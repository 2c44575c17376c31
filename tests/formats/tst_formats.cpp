#include "odtreader.h"
#include "testfiles.h"

#include <QBuffer>
#include <QtTest>

#include <quazip.h>
#include <quazipfile.h>

namespace {

const QString kData = QStringLiteral(STILORA_SOURCE_DIR "/tests/formats/data/");

// A zip archive of the given parts, in order (a name may stand twice).
QByteArray zipOf(const QList<std::pair<QString, QByteArray>>& parts)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const auto& [name, data] : parts) {
        QuaZipFile f(&zip);
        f.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 9);
        f.write(data);
        f.close();
    }
    zip.close();
    return bytes;
}

const QByteArray kContent = "<?xml version=\"1.0\"?><office:document-content "
                            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:text>"
                            "<text:p>ein Absatz</text:p></office:text></office:body></office:document-content>";

} // namespace

class TestFormats : public QObject {
    Q_OBJECT
private slots:
    void odtOfOtherPrograms_data();
    void odtOfOtherPrograms();
    void hostileOdt_data();
    void hostileOdt();
};

// LibreOffice's files (and the hand-written flat file they were made from):
// paragraphs, runs and what was not taken, as the document shows them.
void TestFormats::odtOfOtherPrograms_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<QString>("notes");
    const QString notes = QStringLiteral(
        "Nicht übernommen: 1 Bild, 1 Kommentar, 1 Textfarbe; Fußnoten ans Ende gestellt: 1; Geändert: 1 Absatz im Blocksatz "
        "linksbündig, 1 halbe Punktgröße gerundet, 1 Zeilenumbruch als Absatzende");
    const QStringList common{
        QStringLiteral("align 1: [Gentium Plus 14 0]\"rechts\tTab \" [Gentium Plus 14 12]\"unter und durch\""),
        QStringLiteral("align 0: [Arial 12 0]\"Codes: \" [Greek 16 0]\"\u00a4nqrwpos\" [Arial 12 0]\" halb \" [Arial 11 0]\"zehneinhalb\" "
                       "[Arial 12 0]\" rot\""),
        QStringLiteral("align 0: [Arial 12 0]\"Blocksatz\""), // justified, read as left; the line break ends it
        QStringLiteral("align 0: [Arial 12 0]\"neue Zeile\""),
        QStringLiteral("align 0: [Arial 12 0]\"A1\""), // a table's cells, one paragraph each
        QStringLiteral("align 0: [Arial 12 0]\"B1\""),
        QStringLiteral("align 0: [Arial 12 0]\"Note1 und Bild Ende\""), // the note's number stays, the picture and comment go
        QStringLiteral("align 0: [Arial 12 0]\"Fußnoten\""),
        QStringLiteral("align 0: [Arial 12 0]\"1 Fußnotentext\""),
    };
    const QString first = QStringLiteral(u"align 0: [Gentium Plus 14 0]\"μῆνιν ἄειδε θεὰ \" [Gentium Plus 14 1]\"Πηληϊάδεω\" "
                                         u"[Gentium Plus 14 0]\" Ἀχιλῆος\"");
    // The flat file: the centred style inherits its parent's font.
    QTest::newRow("flat, hand-written") << "sample.fodt"
                                        << (QStringList{first, QStringLiteral(u"align 2: [Gentium Plus 14 0]\"Ἄνδρα μοι \" "
                                                                              u"[Gentium Plus 14 2]\"ἔννεπε\"")}
                                            + common)
                                        << notes;
    // LibreOffice wrote the centred style without its parent: its own reading shows Arial there too.
    QTest::newRow("LibreOffice's ODT") << "sample.odt"
                                       << (QStringList{first, QStringLiteral(u"align 2: [Arial 12 0]\"Ἄνδρα μοι \" [Arial 12 2]\"ἔννεπε\"")}
                                           + common)
                                       << notes;
}

void TestFormats::odtOfOtherPrograms()
{
    QFETCH(QString, file);
    QFETCH(QStringList, paragraphs);
    QFETCH(QString, notes);
    const odt::ReadResult r = odt::read(fileBytes(kData + file));
    QVERIFY2(r.ok(), qPrintable(r.message()));
    const QStringList got = r.document.describe().split(QStringLiteral(" | "));
    QCOMPARE(got, paragraphs);
    QCOMPARE(r.notes.summary(), notes);
}

// Archives and XML made to hurt: each refused with its reason, none read
// beyond its limits.
void TestFormats::hostileOdt_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<odt::Status>("status");
    QTest::addColumn<QString>("part");
    const QByteArray manifest = "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
                                "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
                                "</manifest:file-entry></manifest:manifest>";
    QTest::newRow("plain text") << QByteArray("kein Dokument") << odt::Status::NotOdt << "";
    QTest::newRow("a zip's start and nothing behind it") << QByteArray("PK\x03\x04 kaputt") << odt::Status::NotOdt << "";
    QTest::newRow("no content") << zipOf({{"mimetype", "application/vnd.oasis.opendocument.text"}}) << odt::Status::PartMissing
                                << "content.xml";
    QTest::newRow("content twice") << zipOf({{"content.xml", kContent}, {"content.xml", kContent}}) << odt::Status::PartBroken
                                   << "content.xml";
    QTest::newRow("encrypted") << zipOf({{"META-INF/manifest.xml", manifest}, {"content.xml", "\x01\x02"}}) << odt::Status::Encrypted
                               << "META-INF/manifest.xml";
    QTest::newRow("malformed XML") << zipOf({{"content.xml", kContent.left(150)}}) << odt::Status::BadXml << "content.xml";
    QTest::newRow("entities") << zipOf({{"content.xml", "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\">"
                                                        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]><d>&b;</d>"}})
                              << odt::Status::Entities << "content.xml";
    QByteArray deep; // numbered, so that it does not pack like a bomb
    for (int i = 0; i < 1000000; ++i)
        deep += "<a n=\"" + QByteArray::number(i) + "\">";
    QTest::newRow("nested a million deep") << zipOf({{"content.xml", deep}}) << odt::Status::TooDeep << "content.xml";
    QTest::newRow("a bomb: 40 MiB of zeros") << zipOf({{"content.xml", QByteArray(40 * 1024 * 1024, '\0')}}) << odt::Status::PartBroken
                                             << "content.xml";
    QTest::newRow("flat file, malformed") << QByteArray("<?xml version=\"1.0\"?><office:document><x>") << odt::Status::BadXml << "";
}

void TestFormats::hostileOdt()
{
    QFETCH(QByteArray, file);
    QFETCH(odt::Status, status);
    QFETCH(QString, part);
    const odt::ReadResult r = odt::read(file);
    QCOMPARE(r.status, status);
    QCOMPARE(r.part, part);
    QVERIFY(!r.message().isEmpty());
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
