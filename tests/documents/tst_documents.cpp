// The pair codec byte for byte, its hostile inputs, and the writer against
// the old per-position algorithm run through the editor.
#include "codepage.h"
#include "greekfont.h"
#include "paircodec.h"
#include "richtextsurface.h"

#include <QtTest>

#include <QRandomGenerator>

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

// The old writer, position by position, with the caret in the editor: the
// attributes at p are what the editor reports with the caret after the p-th
// character. A line end is two positions that take the attributes before
// them and the alignment of the paragraph they close.
QByteArray referenceRuns(RichTextSurface& editor)
{
    const QString text = editor.text();
    struct Attr {
        QString font;
        int size, style, align;
        bool operator==(const Attr&) const = default;
    };
    std::vector<Attr> at; // by pair position, from 0
    Attr before{QStringLiteral("Greek"), 14, 0, 0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n')) {
            editor.setSelStart(int(i));
            Attr brk = before;
            brk.align = editor.alignment();
            at.push_back(brk);
            at.push_back(brk);
            before = brk;
            continue;
        }
        editor.setSelStart(int(i) + 1);
        before = {editor.fontName(), editor.fontSize(), editor.fontStyle(), editor.alignment()};
        at.push_back(before);
    }
    const int T = int(at.size());
    QByteArray out;
    if (T == 0)
        return out; // an empty text writes no file
    auto attrs = [&](int p) { return at[std::size_t(std::clamp(p, 1, T) - 1)]; }; // beyond the end: at the end
    Attr cur = attrs(1);
    int pos = 1;
    while (pos <= T) {
        int i = 0;
        Attr prev;
        for (;;) {
            ++i;
            prev = cur;
            cur = attrs(pos + i);
            if (cur.size != prev.size || cur.font != prev.font || i > 254 || pos + i >= T || cur.style != prev.style
                || cur.align != prev.align)
                break;
        }
        out += char(i);
        out += char(prev.size & 0xFF);
        out += "lrm"[prev.align];
        out += char(prev.style);
        out += codepage::encode(prev.font);
        out += '\0';
        pos += i;
    }
    return out;
}

Document randomDocument(QRandomGenerator& rng)
{
    const CharFormat formats[] = {greek(), greek(styled::Bold), {QStringLiteral("Arial"), 14, 0}, greek(0, 22),
                                  {QStringLiteral("Arial"), 300, styled::Italic | styled::Underline}};
    styled::DocumentBuilder b;
    const int paragraphs = 1 + int(rng.bounded(6));
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0)
            b.breakParagraph();
        b.setAlignment(int(rng.bounded(3)));
        const int runs = int(rng.bounded(5));
        for (int r = 0; r < runs; ++r) {
            QString t;
            const int n = 1 + int(rng.bounded(rng.bounded(4) == 0 ? 600 : 12));
            for (int k = 0; k < n; ++k)
                t += codepage::toChar(uchar(32 + rng.bounded(224)));
            b.append(t, formats[rng.bounded(5)]);
        }
    }
    return b.take();
}

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(resources::registerGreekFont().isEmpty()); }
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
        Document d = randomDocument(rng);
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
    QVERIFY2(back.status == pair::ReadResult::Ok, qPrintable(back.message + bytes.runs.mid(back.offset, 40).toHex(' ')));
    Document expected = document;
    // An empty paragraph holds no run; its break carries the format before it.
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
        const Document d = randomDocument(rng);
        editor.load(d);
        const QByteArray reference = referenceRuns(editor);
        const pair::Bytes bytes = pair::write(editor.snapshot());
        QVERIFY2(bytes.runs == reference, qPrintable(QStringLiteral("document %1: %2").arg(i).arg(d.describe().left(300))));
        QCOMPARE(bytes.text, codepage::encode(editor.text()).replace("\n", "\r\n"));
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
    const int ok = pair::ReadResult::Ok;
    const int damaged = pair::ReadResult::RunsDamaged;
    QTest::newRow("empty text file") << QByteArray() << record(1, 14, 'l', 0) << int(pair::ReadResult::TextEmpty) << "" << 0;
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
    if (status == pair::ReadResult::TextEmpty) {
        QCOMPARE(r.message, QStringLiteral("Versuch hinter dem Dateiende zu lesen"));
        return;
    }
    QCOMPARE(r.document.plainText(), plain);
    if (status == pair::ReadResult::RunsDamaged) {
        QVERIFY(r.message.contains(QLatin1String("Versuch hinter dem Dateiende zu lesen")));
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

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
