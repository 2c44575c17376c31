#include "betacode.h"
#include "codepage.h"
#include "greeklayout.h"
#include "docxreader.h"
#include "exportwriters.h"
#include "randomdocument.h"
#include "unicodegreek.h"
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
    void hostileDocx_data();
    void hostileDocx();
    void extremeSizes();
    void betaCode_data();
    void betaCode();
    void betaCodeOfEveryGreekCode();
    void betaCodeDocument_data();
    void betaCodeDocument();
    void betaCodeDocumentsReadBack();
    void ownFilesReadBack_data();
    void ownFilesReadBack();
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
    const QStringList fromLibreOffice =
        QStringList{first, QStringLiteral(u"align 2: [Arial 12 0]\"Ἄνδρα μοι \" [Arial 12 2]\"ἔννεπε\"")} + common;
    QTest::newRow("LibreOffice's ODT") << "sample.odt" << fromLibreOffice << notes;
    // Its DOCX of the same document: styles, half points, the note, the picture and the comment alike.
    QTest::newRow("LibreOffice's DOCX") << "sample.docx" << fromLibreOffice << notes;
}

void TestFormats::odtOfOtherPrograms()
{
    QFETCH(QString, file);
    QFETCH(QStringList, paragraphs);
    QFETCH(QString, notes);
    const QByteArray bytes = fileBytes(kData + file);
    styled::Document document;
    ImportNotes read;
    if (file.endsWith(QLatin1String(".docx"))) {
        const docx::ReadResult r = docx::read(bytes);
        QVERIFY2(r.ok(), qPrintable(r.message()));
        document = r.document, read = r.notes;
    } else {
        const odt::ReadResult r = odt::read(bytes);
        QVERIFY2(r.ok(), qPrintable(r.message()));
        document = r.document, read = r.notes;
    }
    QCOMPARE(document.describe().split(QStringLiteral(" | ")), paragraphs);
    QCOMPARE(read.summary(), notes);
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

// A size beyond any number (a percentage of a huge size, a half-point count
// at the end of int) is the largest a word processor offers, never undefined.
void TestFormats::extremeSizes()
{
    const QByteArray fodt = "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                            "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                            "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\"><office:styles>"
                            "<style:style style:name=\"G\" style:family=\"paragraph\"><style:text-properties fo:font-size=\"1e300pt\"/>"
                            "</style:style></office:styles><office:body><office:text><text:p text:style-name=\"G\">gross</text:p>"
                            "</office:text></office:body></office:document>";
    const odt::ReadResult o = odt::read(fodt);
    QVERIFY(o.ok());
    QCOMPARE(o.document.paragraphs.first().runs.first().format.size, 1638);
    const QByteArray body = "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p><w:r>"
                            "<w:rPr><w:sz w:val=\"2147483647\"/></w:rPr><w:t>gross</w:t></w:r></w:p></w:body></w:document>";
    const docx::ReadResult d = docx::read(zipOf({{"word/document.xml", body}}));
    QVERIFY(d.ok());
    QCOMPARE(d.document.paragraphs.first().runs.first().format.size, 1638);
}

// Beta Code as the corpora spell it, in either case, into the font's codes
// (shown here as the Unicode they stand for) and back in the TLG's form.
void TestFormats::betaCode_data()
{
    QTest::addColumn<QString>("beta");
    QTest::addColumn<QString>("greek");
    QTest::addColumn<QString>("back");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<int>("uncoded");
    auto row = [](const char* name, const char* beta, const QString& greek, const char* back, int dropped = 0, int uncoded = 0) {
        QTest::newRow(name) << QString::fromUtf8(beta) << greek << QString::fromUtf8(back) << dropped << uncoded;
    };
    row("Iliad 1.1", "MH=NIN A)/EIDE QEA\\", QStringLiteral(u"μῆνιν ἄειδε θεὰ"), "MH=NIN A)/EIDE QEA\\");
    row("Odyssey 1.1, a capital with two marks", "*)/ANDRA MOI E)/NNEPE, *MOU=SA", QStringLiteral(u"Ἄνδρα μοι ἔννεπε, Μοῦσα"),
        "*)/ANDRA MOI E)/NNEPE, *MOU=SA");
    row("Hesiod, Theogony 1, elision", "*MOUSA/WN *(ELIKWNIA/DWN A)RXW/MEQ' A)EI/DEIN",
        QStringLiteral(u"Μουσάων Ἑλικωνιάδων ἀρχώμεθ᾿ ἀείδειν"), "*MOUSA/WN *(ELIKWNIA/DWN A)RXW/MEQ' A)EI/DEIN");
    row("Perseus's lower case", "a)/ndra moi e)/nnepe, *mou=sa", QStringLiteral(u"ἄνδρα μοι ἔννεπε, Μοῦσα"),
        "A)/NDRA MOI E)/NNEPE, *MOU=SA");
    row("marks of a capital in either order", "*/)ANDRA *=(W", QStringLiteral(u"Ἄνδρα Ὧ"), "*)/ANDRA *(=W");
    row("a capital with iota subscript has no code", "*(=W|", QStringLiteral(u"ᾯ"), "*(=W|", 0, 1);
    row("iota subscript with breathing and accent", "A)/| TH=| W(=|", QStringLiteral(u"ᾄ τῇ ᾧ"), "A)/| TH=| W(=|");
    row("diaeresis and accent in the corpus's order", "PROI+/A PROI/+A", QStringLiteral(u"προΐα προΐα"), "PROI+/A PROI+/A");
    row("sigma before punctuation, the raised dot, the question mark", "KAI\\ LO/GOS: TI/S;", QStringLiteral(u"καὶ λόγος· τίς;"),
        "KAI\\ LO/GOS: TI/S;");
    row("sigma before a number", "LO/GOS2 12 S1 3", QStringLiteral(u"λόγος 12 σ 3"), "LO/GOS 12 S1 3");
    row("final sigma joined to a number", "LO/GOS212", QStringLiteral(u"λόγος12"), "LO/GOS212");
    row("sigma by number, J as final", "S1S2J", QStringLiteral(u"σςς"), "SS2S"); // σ before a letter needs no number
    row("New Testament, John 1.1", "*)EN A)RXH=| H)=N O( LO/GOS, KAI\\ O( LO/GOS H)=N PRO\\S TO\\N QEO/N",
        QStringLiteral(u"Ἐν ἀρχῇ ἦν ὁ λόγος, καὶ ὁ λόγος ἦν πρὸς τὸν θεόν"),
        "*)EN A)RXH=| H)=N O( LO/GOS, KAI\\ O( LO/GOS H)=N PRO\\S TO\\N QEO/N");
    row("the TLG's brackets", "[1*)/ANDRA]1 [QEA\\]", QStringLiteral(u"(Ἄνδρα) [θεὰ]"), "[1*)/ANDRA]1 [QEA\\]");
    row("signs Beta Code reads as its own", "%1 %2 %3 %5 %6 %7 %8", QStringLiteral(u"? * / | = + %"), "%1 %2 %3 %5 %6 %7 %8");
    row("a parenthesis before a number", "&(12$", QStringLiteral(u"(12"), "&(12$");
    row("macron, breve and markup are left out", "{1A%26LFA%27}1", QStringLiteral(u"αλφα"), "ALFA", 4);
    row("a dot below is left out", "A?", QStringLiteral(u"α"), "A", 1);
    row("digamma and koppa have no code", "VA/NAC #1", QStringLiteral(u"ϝάναξ ϟ"), "VA/NAC #1", 0, 2);
}

void TestFormats::betaCode()
{
    QFETCH(QString, beta);
    QFETCH(QString, greek);
    QFETCH(QString, back);
    QFETCH(int, dropped);
    QFETCH(int, uncoded);
    const betacode::Decoded d = betacode::decode(beta);
    QCOMPARE(unicodegreek::exportGreek(d.codes), greek);
    QCOMPARE(d.dropped, dropped);
    QCOMPARE(d.uncoded, uncoded);
    QCOMPARE(betacode::encode(d.codes), back);
}

// Every Greek code of the layout has a Beta Code form that gives it back,
// alone and between letters.
void TestFormats::betaCodeOfEveryGreekCode()
{
    int greek = 0;
    QStringList failed;
    for (int c = 32; c < 256; ++c) {
        if (!greeklayout::unicodeOf(uchar(c))) {
            // The code table's other signs, Beta Code's own among them, alone and between a letter and a number
            // ('$' has no form; '&' none before a number).
            const QString code(codepage::toChar(uchar(c)));
            if (c == '$')
                continue;
            for (const QString& text : {code, QStringLiteral("a") + code + (c == '&' ? QStringLiteral("a") : QStringLiteral("12"))})
                if (betacode::decode(betacode::encode(text)).codes != text)
                    failed << QStringLiteral("%1 %2").arg(c).arg(betacode::encode(text));
            continue;
        }
        ++greek;
        const QString code(codepage::toChar(uchar(c)));
        for (const QString& text : {code, QStringLiteral(" ") + code + QStringLiteral(" "), code + QStringLiteral("a")}) {
            const QString beta = betacode::encode(text);
            QVERIFY2(betacode::decode(beta).codes == text, qPrintable(QStringLiteral("code %1: %2").arg(c, 2, 16).arg(beta)));
        }
    }
    QVERIFY(greek > 150);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(QStringLiteral(" | "))));
}

namespace {

// A document's runs as "[font]text" (Greek runs as Unicode), paragraphs joined by " / ".
QString runsOf(const styled::Document& d)
{
    QStringList paragraphs;
    for (const styled::Paragraph& p : d.paragraphs) {
        QString line;
        for (const styled::Run& r : p.runs)
            line += QStringLiteral("[%1]%2").arg(r.format.font, r.format.font == QLatin1String("Greek") ? unicodegreek::exportGreek(r.text) : r.text);
        paragraphs << line;
    }
    return paragraphs.join(QStringLiteral(" / "));
}

} // namespace

// Beta Code as a document: the Greek in "Greek", Latin text and signs the
// font shows as Greek letters in the Latin font; and the document back as
// Beta Code, its Latin text switched (a file) or as it is (the clipboard).
void TestFormats::betaCodeDocument_data()
{
    QTest::addColumn<QString>("beta");
    QTest::addColumn<QString>("runs");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("back");
    QTest::addColumn<QString>("copied");
    QTest::newRow("a reference in Latin") << "&Hom. Il. 1.1$ MH=NIN A)/EIDE"
                                          << QStringLiteral(u"[Arial]Hom. Il. 1.1[Greek] μῆνιν ἄειδε") << QString()
                                          << "&Hom. Il. 1.1$ MH=NIN A)/EIDE" << "Hom. Il. 1.1 MH=NIN A)/EIDE";
    QTest::newRow("Latin text over two lines") << "&Iliad\nbook$ A)/EIDE"
                                               << QStringLiteral(u"[Arial]Iliad / [Arial]book[Greek] ἄειδε") << QString()
                                               << "&Iliad\nbook$ A)/EIDE" << "Iliad\nbook A)/EIDE";
    QTest::newRow("the crux, whose code shows a Greek letter") << "%MH=NIN" << QStringLiteral(u"[Arial]†[Greek]μῆνιν") << QString()
                                                               << "&†$MH=NIN" << "†MH=NIN";
    QTest::newRow("digamma, kept as Unicode and told")
        << "VA/NAC" << QStringLiteral(u"[Arial]ϝ[Greek]άναξ")
        << QStringLiteral(u"Ohne Code im Zeichensatz „Greek“, als Unicode behalten: 1 griechisches Zeichen (Digamma, Koppa …)")
        << "VA/NAC" << "VA/NAC";
    QTest::newRow("a macron, left out and told")
        << "A%26LFA" << QStringLiteral(u"[Greek]αλφα")
        << QStringLiteral(u"Nicht übernommen: 1 Beta-Code-Zeichen ohne Entsprechung (Makron, Breve, Auszeichnung …)") << "ALFA"
        << "ALFA";
    QTest::newRow("sigma before Latin text") << "LO/GOS&logos$" << QStringLiteral(u"[Greek]λόγος[Arial]logos") << QString()
                                             << "LO/GOS&logos" << "LO/GOS2logos";
}

void TestFormats::betaCodeDocument()
{
    QFETCH(QString, beta);
    QFETCH(QString, runs);
    QFETCH(QString, notes);
    QFETCH(QString, back);
    QFETCH(QString, copied);
    const styled::CharFormat greek{QStringLiteral("Greek"), 14, 0};
    const styled::CharFormat latin{QStringLiteral("Arial"), 14, 0};
    const betacode::DecodedDocument d = betacode::toDocument(beta, greek, latin);
    QCOMPARE(runsOf(d.document), runs);
    QCOMPARE(d.notes().summary(), notes);
    QCOMPARE(betacode::fromDocument(d.document).text, back);
    QCOMPARE(betacode::fromDocument(d.document, betacode::LatinText::AsItIs).text, copied);
}

// Random documents of Greek and Latin runs go to Beta Code and back with the
// same text, each Greek letter in "Greek" and each Latin letter in the Latin
// font again; a '$' in Latin text has no form and is counted.
void TestFormats::betaCodeDocumentsReadBack()
{
    QRandomGenerator rng(26);
    const styled::CharFormat greek{QStringLiteral("Greek"), 14, 0};
    const styled::CharFormat latin{QStringLiteral("Arial"), 14, 0};
    for (int i = 0; i < 200; ++i) {
        styled::Document d = randomDocument(rng, {greek, latin}, false);
        int dollars = 0;
        for (styled::Paragraph& p : d.paragraphs)
            for (styled::Run& r : p.runs) {
                dollars += int(r.text.count(QLatin1Char('$')));
                r.text.remove(QLatin1Char('$'));
                r.text.replace(QRegularExpression(QStringLiteral("&(?=[0-9])")), QStringLiteral("+"));
            }
        d.normalize();
        const betacode::Encoded e = betacode::fromDocument(d);
        QCOMPARE(e.unwritable, 0);
        const styled::Document back = betacode::toDocument(e.text, greek, latin).document;
        const QString was = d.plainText(), is = back.plainText();
        qsizetype at = 0;
        while (at < was.size() && at < is.size() && was[at] == is[at])
            ++at;
        QVERIFY2(was == is, qPrintable(QStringLiteral("at %1: %2 | %3 | Beta Code: %4")
                                           .arg(at)
                                           .arg(was.mid(std::max<qsizetype>(0, at - 5), 12), is.mid(std::max<qsizetype>(0, at - 5), 12),
                                                e.text.split(QLatin1Char('\n')).value(was.left(at).count(QLatin1Char('\n'))))));
        // Font by font: a Greek code in "Greek", an ASCII letter in the Latin font.
        auto fonts = [](const styled::Document& doc) {
            QString out;
            for (const styled::Paragraph& p : doc.paragraphs) {
                for (const styled::Run& r : p.runs)
                    for (QChar c : r.text) {
                        const auto code = codepage::toCode(c);
                        const bool greekCode = code && greeklayout::unicodeOf(*code).has_value();
                        out += r.format.font == QLatin1String("Greek") ? (greekCode ? QLatin1Char('g') : QLatin1Char('.'))
                                                                       : (c.isLetter() && c.unicode() < 128 ? QLatin1Char('l') : QLatin1Char('.'));
                    }
                out += QLatin1Char('\n');
            }
            return out;
        };
        QCOMPARE(fonts(back), fonts(d));
    }
    // Beta Code of any making (the fuzzer's seeds and finds) reads as the same text once written again.
    const QDir seeds(QStringLiteral(STILORA_SOURCE_DIR "/fuzz/seeds/betacode"));
    const QStringList names = seeds.entryList(QDir::Files);
    QVERIFY(names.size() >= 3);
    for (const QString& name : names) {
        const QString beta = QString::fromUtf8(fileBytes(seeds.filePath(name)));
        const styled::Document read = betacode::toDocument(beta, greek, latin).document;
        const betacode::Encoded encoded = betacode::fromDocument(read);
        const QString written = encoded.text;
        const styled::Document again = betacode::toDocument(written, greek, latin).document;
        if (encoded.unwritable > 0 || std::any_of(beta.cbegin(), beta.cend(), [](QChar c) { return c.unicode() >= 128; }))
            continue; // what Beta Code has no form for is counted, not kept; Beta Code is ASCII
        auto shown = [](const QString& t) {
            QString out;
            for (QChar c : t)
                out += c.unicode() < 32 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
            return out;
        };
        QVERIFY2(again.plainText() == read.plainText(),
                 qPrintable(QStringLiteral("%1: %2 -> %3: %4 | %5")
                                .arg(name, shown(beta), shown(written), shown(read.describe()), shown(again.describe()))));
    }
    styled::Document withDollar = styled::Document::fromPlainText(QStringLiteral("5 $ und 3 &4"), latin);
    QCOMPARE(betacode::fromDocument(withDollar).unwritable, 2);
}

// What the program writes as DOCX and ODT reads back into exactly the
// document it was written from: Greek as the font's codes, fonts, sizes,
// styles, alignment, tabs.
void TestFormats::ownFilesReadBack_data()
{
    QTest::addColumn<bool>("word");
    QTest::newRow("DOCX") << true;
    QTest::newRow("ODT") << false;
}

void TestFormats::ownFilesReadBack()
{
    QFETCH(bool, word);
    QRandomGenerator rng(25);
    const QList<styled::CharFormat> formats{{QStringLiteral("Greek"), 14, 0}, {QStringLiteral("Greek"), 22, styled::Bold | styled::Italic},
                                            {QStringLiteral("Arial"), 12, styled::Underline}, {QStringLiteral("Times New Roman"), 9, 15}};
    for (int i = 0; i < 100; ++i) {
        const styled::Document d = randomDocument(rng, formats, false);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (word)
            exportwriters::writeDocx(d, buffer, {});
        else
            exportwriters::writeOdt(d, buffer, {});
        styled::Document back;
        if (word) {
            const docx::ReadResult r = docx::read(bytes);
            QVERIFY2(r.ok(), qPrintable(r.message()));
            QCOMPARE(r.notes.summary(), QString());
            back = unicodegreek::importDocument(r.document).document;
        } else {
            const odt::ReadResult r = odt::read(bytes);
            QVERIFY2(r.ok(), qPrintable(r.message()));
            QCOMPARE(r.notes.summary(), QString());
            back = unicodegreek::importDocument(r.document).document;
        }
        back.normalize();
        if (!(back == d)) {
            // The first paragraph that differs, run by run.
            qsizetype at = 0;
            while (at < std::min(d.paragraphs.size(), back.paragraphs.size()) && d.paragraphs[at] == back.paragraphs[at])
                ++at;
            auto show = [&](const styled::Document& doc) {
                if (at >= doc.paragraphs.size())
                    return QStringLiteral("(none)");
                QString out;
                for (const styled::Run& r : doc.paragraphs[at].runs)
                    for (QChar c : r.text.left(400))
                        out += QStringLiteral("%1/%2 ").arg(r.format.font.left(1)).arg(c.unicode(), 0, 16);
                return out;
            };
            QFAIL(qPrintable(QStringLiteral("paragraph %1:\n%2\n%3").arg(at).arg(show(d), show(back))));
        }
    }
}

// Word's archives made to hurt, and the files that only look like one.
void TestFormats::hostileDocx_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<docx::Status>("status");
    QTest::addColumn<QString>("part");
    const QByteArray cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const QByteArray body = "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
                            "<w:p><w:r><w:t>Text</w:t></w:r></w:p></w:body></w:document>";
    QTest::newRow("Word 97") << cfb + QByteArray(500, '\0') << docx::Status::Word97 << "";
    QTest::newRow("encrypted") << cfb + QByteArray(100, '\0') + QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32)
                               << docx::Status::Encrypted << "";
    QTest::newRow("plain text") << QByteArray("kein Dokument") << docx::Status::NotDocx << "";
    QTest::newRow("no document part") << zipOf({{"word/styles.xml", "<x/>"}}) << docx::Status::PartMissing << "word/document.xml";
    QTest::newRow("the document twice") << zipOf({{"word/document.xml", body}, {"word/document.xml", body}}) << docx::Status::PartBroken
                                        << "word/document.xml";
    QTest::newRow("a main part outside the archive is not followed")
        << zipOf({{"_rels/.rels", "<Relationships><Relationship Type=\"x/officeDocument\" Target=\"../../etc/passwd\"/></Relationships>"},
                  {"word/document.xml", body.left(60)}})
        << docx::Status::BadXml << "word/document.xml";
    QTest::newRow("malformed styles") << zipOf({{"word/document.xml", body}, {"word/styles.xml", "<w:styles><w:style>"}})
                                      << docx::Status::BadXml << "word/styles.xml";
    QTest::newRow("entities") << zipOf({{"word/document.xml", "<!DOCTYPE d [<!ENTITY a \"a\">]><d>&a;</d>"}}) << docx::Status::Entities
                              << "word/document.xml";
    QByteArray deep = "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">";
    for (int i = 0; i < 1000000; ++i)
        deep += "<w:p n=\"" + QByteArray::number(i) + "\">";
    QTest::newRow("nested a million deep") << zipOf({{"word/document.xml", deep}}) << docx::Status::TooDeep << "word/document.xml";
    QTest::newRow("a bomb") << zipOf({{"word/document.xml", QByteArray(40 * 1024 * 1024, ' ')}}) << docx::Status::PartBroken
                            << "word/document.xml";
}

void TestFormats::hostileDocx()
{
    QFETCH(QByteArray, file);
    QFETCH(docx::Status, status);
    QFETCH(QString, part);
    const docx::ReadResult r = docx::read(file);
    QCOMPARE(r.status, status);
    QCOMPARE(r.part, part);
    QVERIFY(!r.message().isEmpty());
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
