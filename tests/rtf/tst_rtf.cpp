// The RTF codec without a window: tokenizer, reader, writer, round trips,
// hostile input, and files that other programs wrote.
#include "codepage.h"
#include "rtfkeywords.h"
#include "rtfreader.h"
#include "rtftokenizer.h"
#include "rtfwriter.h"

#include "randomdocument.h"
#include <QtTest>

#include <QRandomGenerator>

using styled::CharFormat;
using styled::Document;

Q_DECLARE_METATYPE(styled::Document)

namespace styled {
// Failed comparisons of formats name them.
char* toString(const CharFormat& f)
{
    return QTest::toString(QStringLiteral("%1 %2 pt, style %3").arg(f.font).arg(f.size).arg(f.style));
}
} // namespace styled

namespace {

// The formats of the random documents: sizes the pair cannot hold and a name with braces among them.
const QList<CharFormat> kRandomFormats{{QStringLiteral("Greek"), 14, 0}, {QStringLiteral("Greek"), 8, styled::Bold | styled::Italic},
                                       {QStringLiteral("Arial"), 22, styled::Underline}, {QStringLiteral("Times {x}"), 300, 15}};

const QByteArray kHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Greek;}{\\f1\\fswiss\\fcharset0 Arial;}"
                         "{\\f2\\fnil\\fcharset204 Cyr;}{\\f3\\fnil\\fcharset161 GreekMono;}}";

QString codes(std::initializer_list<int> list)
{
    QString s;
    for (int c : list)
        s += codepage::toChar(uchar(c));
    return s;
}

// A run by its place; a run no reader makes when there is none, so that the
// comparison fails instead of reading past the end.
styled::Run runAt(const Document& d, int paragraph, int run)
{
    if (paragraph < 0 || paragraph >= d.paragraphs.size() || run < 0 || run >= d.paragraphs[paragraph].runs.size())
        return {QStringLiteral("<no run>"), {QStringLiteral("<no run %1 in paragraph %2>").arg(run).arg(paragraph), 0, -1}};
    return d.paragraphs[paragraph].runs[run];
}


} // namespace

class TestRtf : public QObject {
    Q_OBJECT
private slots:
    void keywords_data();
    void keywords();
    void tokens_data();
    void tokens();
    void countsWhatItCannotHold_data();
    void countsWhatItCannotHold();
    void reads_data();
    void reads();
    void formats();
    void greekFontUnicode();
    void notRtf_data();
    void notRtf();
    void hostile_data();
    void hostile();
    void manyFonts();
    void writes_data();
    void writes();
    void roundTrip_data();
    void roundTrip();
    void libreOffice();
    void pandoc();
    void libreOfficeEightBitCodes();
};

// The binary search finds the first, the last and words between; a prefix or an unknown word is no keyword.
void TestRtf::keywords_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("keyword");
    QTest::newRow("first") << QByteArray("annotation") << int(rtf::Keyword::Annotation);
    QTest::newRow("last") << QByteArray("xmlnstbl") << int(rtf::Keyword::SkipDestination);
    QTest::newRow("one letter") << QByteArray("b") << int(rtf::Keyword::Bold);
    QTest::newRow("unicode") << QByteArray("u") << int(rtf::Keyword::Unicode);
    QTest::newRow("unicode skip") << QByteArray("uc") << int(rtf::Keyword::UnicodeSkip);
    QTest::newRow("prefix of a word") << QByteArray("ans") << int(rtf::Keyword::Unknown);
    QTest::newRow("unknown") << QByteArray("zzz") << int(rtf::Keyword::Unknown);
    QTest::newRow("upper case") << QByteArray("B") << int(rtf::Keyword::Unknown);
}

void TestRtf::keywords()
{
    QFETCH(QByteArray, name);
    QFETCH(int, keyword);
    QCOMPARE(int(rtf::keyword(name)), keyword);
}

void TestRtf::tokens_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected"); // one letter a token: { } W(name,param) S(c) H(hh) T(text) B(n) E !
    QTest::newRow("word with parameter") << QByteArray("{\\fs28 ab}") << "{ W(fs,28) T(ab) } E";
    QTest::newRow("negative parameter") << QByteArray("\\u-3913?") << "W(u,-3913) T(?) E";
    QTest::newRow("parameter clamped") << QByteArray("\\fs99999999999 x") << "W(fs,2147483647) T(x) E";
    QTest::newRow("symbols and hex") << QByteArray("\\~\\'e9\\*") << "S(~) H(e9) S(*) E";
    QTest::newRow("truncated hex") << QByteArray("a\\'e") << "T(a) T() T(e) E"; // the escape goes, the rest is text
    QTest::newRow("bin within the input") << QByteArray("\\bin3 {}a\\x") << "B(3) W(x) E";
    QTest::newRow("bin past the end") << QByteArray("\\bin1000 ab") << "B(2) E";
    QTest::newRow("line ends ignored") << QByteArray("a\r\nb") << "T(a) T(b) E";
    QTest::newRow("backslash newline is par") << QByteArray("\\\nx") << "W(par) T(x) E";
    QTest::newRow("word of 33 letters") << QByteArray("\\abcdefghijklmnopqrstuvwxyzabcdefg") << "!";
}

void TestRtf::tokens()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    rtf::Tokenizer tok(input);
    QStringList out;
    for (int n = 0; n < 20; ++n) {
        const rtf::Token t = tok.next();
        switch (t.type) {
        case rtf::Token::GroupOpen: out << QStringLiteral("{"); break;
        case rtf::Token::GroupClose: out << QStringLiteral("}"); break;
        case rtf::Token::Word:
            out << (t.hasParam ? QStringLiteral("W(%1,%2)").arg(QString::fromLatin1(t.name)).arg(t.param)
                               : QStringLiteral("W(%1)").arg(QString::fromLatin1(t.name)));
            break;
        case rtf::Token::Symbol: out << QStringLiteral("S(%1)").arg(QChar::fromLatin1(t.symbol)); break;
        case rtf::Token::Hex: out << QStringLiteral("H(%1)").arg(t.byte, 2, 16, QLatin1Char('0')); break;
        case rtf::Token::Text: out << QStringLiteral("T(%1)").arg(QString::fromLatin1(t.data)); break;
        case rtf::Token::Binary: out << QStringLiteral("B(%1)").arg(t.data.size()); break;
        case rtf::Token::Error: out << QStringLiteral("!"); break;
        case rtf::Token::End: out << QStringLiteral("E"); break;
        }
        if (t.type == rtf::Token::End || t.type == rtf::Token::Error)
            break;
    }
    QCOMPARE(out.join(QLatin1Char(' ')), expected);
}

// What the model cannot hold is counted, each once, and said in one sentence;
// a footnote's text is kept at the end under its number.
void TestRtf::countsWhatItCannotHold_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("summary");
    QTest::newRow("nothing lost") << QByteArray("\\qc\\fs28 Text}") << "Text" << "";
    QTest::newRow("a footnote with its number") << QByteArray("A{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} Die Note.\\par}B}")
                                                << QStringLiteral(u"A1B\nFußnoten\n1 Die Note.") << "Fußnoten ans Ende gestellt: 1";
    QTest::newRow("two notes numbered in order")
        << QByteArray("{\\chftn}{\\footnote eins}x{\\chftn}{\\footnote zwei}}") << QStringLiteral(u"1x2\nFußnoten\n1 eins\n2 zwei")
        << "Fußnoten ans Ende gestellt: 2";
    QTest::newRow("Word's picture in two forms counts once")
        << QByteArray("a{\\*\\shppict{\\pict\\pngblip 00}}{\\nonshppict{\\pict\\wmetafile8 00}}b}") << "ab"
        << QStringLiteral(u"Nicht übernommen: 1 Bild");
    QTest::newRow("an object with its picture counts as the object")
        << QByteArray("{\\object{\\*\\objdata 00}{\\result{\\pict 00}}}a}") << "a" << QStringLiteral(u"Nicht übernommen: 1 eingebettetes Objekt");
    QTest::newRow("header, footer, comment")
        << QByteArray("{\\header K}{\\footerf F}{\\*\\atnid X}{\\*\\annotation C}a}") << "a"
        << QStringLiteral(u"Nicht übernommen: 1 Kommentar, 2 Kopf- und Fußzeilen");
    QTest::newRow("justified, half points, a line break, a colour")
        << QByteArray("\\qj\\fs21 a\\line b\\par\\pard\\fs24\\cf2 c\\cf0 d}") << "a\nb\ncd"
        << QStringLiteral(u"Nicht übernommen: 1 Textfarbe; Geändert: 1 Absatz im Blocksatz linksbündig, 1 halbe Punktgröße gerundet, "
                          u"1 Zeilenumbruch als Absatzende");
}

void TestRtf::countsWhatItCannotHold()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QFETCH(QString, summary);
    const rtf::ReadResult r = rtf::read("{\\rtf1\\ansi " + body);
    QVERIFY(r.ok());
    QCOMPARE(r.document.plainText(), text);
    QCOMPARE(r.notes.summary(), summary);
}

// What each construct reads as (text of all paragraphs, '\n' between them).
void TestRtf::reads_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::newRow("paragraphs") << QByteArray("\\f1 eins\\par zwei\\par}") << "eins\nzwei";
    QTest::newRow("the page is no text") << QByteArray("\\paperw11906\\paperh16838\\margl686\\margr630\\margt686\\margb567 x}") << "x";
    QTest::newRow("line is a paragraph break") << QByteArray("a\\line b}") << "a\nb";
    QTest::newRow("tab") << QByteArray("a\\tab b}") << "a\tb";
    QTest::newRow("ansi byte is the code") << QByteArray("\\f1 \\'e9\\'80}") << codes({233, 128});
    QTest::newRow("unicode with fallback skipped") << QByteArray("\\f1\\uc1 \\u8364\\'80 x\\uc2\\u945 ab c}") << QStringLiteral(u"€ xα c");
    QTest::newRow("negative unicode") << QByteArray("\\f1 \\u-3913?}") << QStringLiteral(u"\uF0B7");
    QTest::newRow("holes of the code page") << QByteArray("\\f1 \\u129?\\u141?\\u143?\\u144?\\u157?}") << codes({129, 141, 143, 144, 157});
    QTest::newRow("soft hyphen is code 173") << QByteArray("\\f0 a\\-b}") << codes({97, 173, 98});
    QTest::newRow("quotes and dashes") << QByteArray("\\f1\\lquote\\rquote\\ldblquote\\rdblquote\\endash\\emdash\\bullet}")
                                       << codes({145, 146, 147, 148, 150, 151, 149});
    QTest::newRow("no-break space and hyphen") << QByteArray("\\f1 a\\~b\\_c}") << codes({'a', 160, 'b', '-', 'c'});
    QTest::newRow("escaped braces") << QByteArray("\\f1 \\{x\\}\\\\}") << "{x}\\";
    QTest::newRow("cyrillic font") << QByteArray("\\f2 \\'c0\\'e1}") << QStringLiteral(u"Аб");
    QTest::newRow("monotonic greek font") << QByteArray("\\f3 \\'e1\\'dc}") << QStringLiteral(u"αά");
    QTest::newRow("field by its result") << QByteArray("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt Link}} da}") << "Link da";
    QTest::newRow("field instruction unstarred") << QByteArray("{\\field{\\fldinst PAGE}{\\fldrslt 3}}}") << "3";
    QTest::newRow("table rows and cells") << QByteArray("\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
                                                       "\\pard\\intbl c\\par d\\cell e\\cell\\row\\pard nach\\par}")
                                          << "a\tb\nc d\te\nnach";
    QTest::newRow("skipped destinations") << QByteArray("{\\colortbl;\\red0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}"
                                                        "{\\header Kopf}{\\footer Fuss}{\\footnote Note}{\\pict\\bin4 \x01\x02\x03\x04}"
                                                        "{\\object x}{\\*\\unknown y}Text}")
                                          << QStringLiteral(u"Text\nFußnoten\n1 Note"); // the note's text is kept at the end
    QTest::newRow("stray closing brace ends the document") << QByteArray("a}b}") << "a";
    QTest::newRow("missing closing braces") << QByteArray("{\\b a\\par b") << "a\nb";
    QTest::newRow("empty document") << QByteArray("}") << "";
    QTest::newRow("last par opens no paragraph") << QByteArray("a\\par\\par}") << "a\n";
    // In "Greek": an 8-bit writer's \u is the byte's Windows-1252 reading with the byte as fallback.
    QTest::newRow("8-bit writer's rho with rough breathing") << QByteArray("\\f0 \\u183\\'b7}") << codes({183});
    QTest::newRow("8-bit writer's euro code") << QByteArray("\\f0 \\u8364\\'80\\u8218\\'82}") << codes({128, 130});
    QTest::newRow("LibreOffice's open code") << QByteArray("\\f0 \\u61825\\'81\\u61853\\'9d}") << codes({129, 157});
    QTest::newRow("private use with another byte") << QByteArray("\\f0 \\u61825\\'82}") << QStringLiteral(u"\uF181");
    QTest::newRow("our ano teleia") << QByteArray("\\f0 \\u903\\'3a}") << codes({58});
    QTest::newRow("our letter") << QByteArray("\\f0 \\u7940\\'a5}") << codes({165});
    QTest::newRow("Unicode writer's middle dot") << QByteArray("\\f0 \\u183?}") << codes({58});
    QTest::newRow("fallback that is no byte") << QByteArray("\\f0 \\u183\\~}") << codes({58});
    QTest::newRow("fallback cut by a group") << QByteArray("\\f0\\uc2 {\\u7940\\'a5}x}") << codes({165, 'x'});
    QTest::newRow("capital with marks, one letter") << QByteArray("\\f0 \\uc2\\u8013\\'93\\'4f\\uc1 x}") << codes({147, 'O', 'x'});
    QTest::newRow("capital with combining marks")
        << QByteArray("\\f0 \\uc2\\u933\\'27\\'55\\uc0\\u787\\uc1 x}") << codes({39, 'U', 'x'});
    QTest::newRow("capital with marks in Arial") << QByteArray("\\f1 \\uc2\\u8013\\'93\\'4f\\uc1 x}") << QStringLiteral(u"Ὅx");
    // Whatever enters the model is a Unicode scalar.
    QTest::newRow("lone high surrogate") << QByteArray("\\f1 \\u55296? a}") << QStringLiteral(u"\uFFFD a");
    QTest::newRow("lone low surrogate") << QByteArray("\\f1 \\u-9000? b}") << QStringLiteral(u"\uFFFD b");
    QTest::newRow("lone surrogate in Greek") << QByteArray("\\f0 \\u-9000?}") << QStringLiteral(u"\uFFFD");
    QTest::newRow("surrogate pair") << QByteArray("\\f1 \\u-10179?\\u-8704?}") << QStringLiteral(u"😀");
}

void TestRtf::reads()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    const rtf::ReadResult r = rtf::read(kHead + body);
    QCOMPARE(r.status, rtf::Status::Ok);
    QCOMPARE(r.document.plainText(), text);
}

void TestRtf::formats()
{
    const rtf::ReadResult r = rtf::read(kHead + "\\pard\\qc\\plain\\f0\\fs28 ab{\\b\\i c}\\par"
                                                "\\pard\\qr\\f1\\fs21\\ul d\\ulnone\\strike e\\strike0 f\\par"
                                                "\\pard\\qj\\plain g\\par}");
    QCOMPARE(r.status, rtf::Status::Ok);
    const Document& d = r.document;
    QCOMPARE(d.paragraphs.size(), 3);
    QCOMPARE(d.paragraphs[0].alignment, int(styled::AlignCentre));
    QCOMPARE(d.paragraphs[1].alignment, int(styled::AlignRight));
    QCOMPARE(d.paragraphs[2].alignment, int(styled::AlignLeft)); // justified reads as left
    QCOMPARE(runAt(d, 0, 0).format, (CharFormat{QStringLiteral("Greek"), 14, 0}));
    QCOMPARE(runAt(d, 0, 1).format, (CharFormat{QStringLiteral("Greek"), 14, styled::Bold | styled::Italic}));
    QCOMPARE(runAt(d, 1, 0).format, (CharFormat{QStringLiteral("Arial"), 11, styled::Underline}));
    QCOMPARE(runAt(d, 1, 1).format, (CharFormat{QStringLiteral("Arial"), 11, styled::StrikeOut}));
    QCOMPARE(runAt(d, 1, 2).format, (CharFormat{QStringLiteral("Arial"), 11, 0}));
    QCOMPARE(runAt(d, 2, 0).format, (CharFormat{QStringLiteral("Greek"), 12, 0})); // \plain: the default font, 12 points
}

// Text a Unicode word processor saved in the font "Greek" comes back as its codes.
void TestRtf::greekFontUnicode()
{
    // α, ώ with tonos and with oxia (the same letter), ᾀ, the middle dot for the ano teleia; then α in Arial.
    const rtf::ReadResult r = rtf::read(kHead + "\\f0\\uc1\\u945?\\u974?\\u8061?\\u8064?\\u183? \\f1\\u945?}");
    QCOMPARE(r.document.plainText(), codes({97, 232, 232, 173, 58, ' '}) + QStringLiteral(u"α"));
}

void TestRtf::notRtf_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain text, CR LF") << QByteArray("eins\r\nzwei\rdrei\nvier") << int(rtf::Status::PlainText)
                                       << "eins\nzwei\ndrei\nvier";
    QTest::newRow("8-bit codes") << QByteArray("\xA1\xB4") << int(rtf::Status::PlainText) << codes({161, 180});
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF\xCE\xB1\xE2\x80\xA8x") << int(rtf::Status::PlainText)
                                                << QStringLiteral(u"α\nx");
    QTest::newRow("braces that are no RTF") << QByteArray("{ hallo }") << int(rtf::Status::PlainText) << "{ hallo }";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << int(rtf::Status::NotText) << "";
}

void TestRtf::notRtf()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QString, text);
    const rtf::ReadResult r = rtf::read(bytes);
    QCOMPARE(int(r.status), status);
    if (!r.ok())
        QCOMPARE(r.message(), QStringLiteral("weder RTF noch Text"));
    else
        QCOMPARE(r.document.plainText(), text);
}

void TestRtf::hostile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<int>("status");  // of a refused file, or Ok
    QTest::addColumn<qint64>("offset"); // and the byte where it was refused
    using E = rtf::Status;
    QTest::newRow("depth 100,000") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') << false
                                   << int(E::NestedTooDeeply) << qint64(1006);
    QTest::newRow("depth 1,000 loads") << QByteArray("{\\rtf1 ") + QByteArray(998, '{') + "x" + QByteArray(999, '}') << true << int(E::Ok) << qint64(0);
    QTest::newRow("huge bin") << QByteArray("{\\rtf1 a\\bin2147483647 xyz}") << true << int(E::Ok) << qint64(0);
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 xyz}") << true << int(E::Ok) << qint64(0);
    QTest::newRow("truncated hex") << QByteArray("{\\rtf1 a\\'4") << true << int(E::Ok) << qint64(0);
    QTest::newRow("stray braces") << QByteArray("{\\rtf1 }}}}a") << true << int(E::Ok) << qint64(0);
    QTest::newRow("unicode out of range") << QByteArray("{\\rtf1 \\u99999999999\\u-99999999 x}") << true << int(E::Ok) << qint64(0);
    QTest::newRow("uc out of range") << QByteArray("{\\rtf1\\uc2147483647\\u945 abc}") << true << int(E::Ok) << qint64(0);
    QTest::newRow("long control word") << QByteArray("{\\rtf1 \\") + QByteArray(100, 'a') + "}" << false
                                       << int(E::ControlWordTooLong) << qint64(7);
    QTest::newRow("NUL bytes, no RTF") << QByteArray("plain\0text", 10) << false << int(E::NotText) << qint64(5);
    QTest::newRow("only the header") << QByteArray("{\\rtf1") << true << int(E::Ok) << qint64(0);
    QTest::newRow("largest size") << QByteArray("{\\rtf1\\fs2147483647 x\\fs-2147483648 y}") << true << int(E::Ok) << qint64(0);
    QTest::newRow("font table unterminated") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Greek") << true << int(E::Ok) << qint64(0);
}

void TestRtf::hostile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    const rtf::ReadResult r = rtf::read(bytes);
    QCOMPARE(r.ok(), loads);
    if (!loads) {
        QFETCH(int, status);
        QFETCH(qint64, offset);
        QCOMPARE(int(r.status), status);
        QCOMPARE(r.offset, offset);
        QVERIFY(!r.message().isEmpty());
        QVERIFY(r.document == Document());
    }
    // Sizes stay within what word processors offer, 1 to 1638 points.
    for (const styled::Paragraph& p : r.document.paragraphs)
        for (const styled::Run& run : p.runs)
            QVERIFY(run.format.size >= 1 && run.format.size <= 1638);
}

// A font table of 40,000 entries; the reading time is bench_rtf's to measure.
void TestRtf::manyFonts()
{
    QByteArray bytes = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 40000; ++i)
        bytes += "{\\f" + QByteArray::number(i) + "\\fnil Font" + QByteArray::number(i) + ";}";
    bytes += "}\\f39999 x}";
    const rtf::ReadResult r = rtf::read(bytes);
    QVERIFY(r.ok());
    QCOMPARE(runAt(r.document, 0, 0).format.font, QStringLiteral("Font39999"));
}

void TestRtf::writes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QByteArray>("expected"); // must occur in the output
    QTest::newRow("header") << "x" << "Arial" << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0");
    QTest::newRow("font table") << "x" << "Arial" << QByteArray("{\\f1\\fnil\\fcharset0 Arial;}");
    // The print's page: A4, the fixed width's column 12.1 mm from the edge (706 pixels are 10590 twips).
    QTest::newRow("page") << "x" << "Arial" << QByteArray("}\r\n\\paperw11906\\paperh16838\\margl686\\margr630\\margt686\\margb567\r\n\\pard");
    QTest::newRow("Greek letter with its code") << "a" << "Greek" << QByteArray("\\u945\\'61");
    QTest::newRow("high Greek code") << codes({232}) << "Greek" << QByteArray("\\u974\\'e8");
    QTest::newRow("latin code in Greek") << "1" << "Greek" << QByteArray("\\fs28 1\\par");
    QTest::newRow("code 128-255 in Arial") << codes({233}) << "Arial" << QByteArray("\\'e9");
    QTest::newRow("no 8-bit code") << QStringLiteral(u"α") << "Arial" << QByteArray("\\u945?");
    QTest::newRow("above 32767") << QStringLiteral(u"\uF0B7") << "Arial" << QByteArray("\\u-3913?");
    QTest::newRow("braces and backslash") << "{\\}" << "Arial" << QByteArray("\\{\\\\\\}");
    QTest::newRow("tab") << "a\tb" << "Arial" << QByteArray("a\\tab b");
    // A capital with its marks is one letter for Unicode readers, its two codes for 8-bit ones.
    QTest::newRow("capital with marks") << codes({147, 'O'}) << "Greek" << QByteArray("\\uc2\\u8013\\'93\\'4f\\uc1 ");
    QTest::newRow("capital with combining marks") << codes({39, 'U'}) << "Greek"
                                                  << QByteArray("\\uc2\\u933\\'27\\'55\\uc0\\u787\\uc1 ");
    QTest::newRow("mark before a small letter") << codes({96, 'a'}) << "Greek" << QByteArray("\\u8190\\'60\\u945\\'61");
    // The codes Windows-1252 leaves open arrive as themselves, not as private-use characters.
    QTest::newRow("open code in Greek") << codes({129, 143, 144}) << "Greek" << QByteArray("\\u129\\'3f\\u143\\'3f\\u144\\'3f");
    QTest::newRow("open code with a Greek glyph") << codes({141}) << "Greek" << QByteArray("\\u7990\\'8d");
    QTest::newRow("open code in Arial") << codes({157}) << "Arial" << QByteArray("\\u157\\'3f");
    // LibreOffice takes a run of literal spaces for spaces and six-per-em spaces by turns.
    QTest::newRow("spaces after a space") << "a   b" << "Arial" << QByteArray("a \\u32\\'20\\u32\\'20b");
    QTest::newRow("a space at the start") << " a" << "Greek" << QByteArray("\\fs28  \\u945");
}

void TestRtf::writes()
{
    QFETCH(QString, text);
    QFETCH(QString, font);
    QFETCH(QByteArray, expected);
    const QByteArray out = rtf::write(Document::fromPlainText(text, {font, 14, 0}));
    QVERIFY2(out.contains(expected), out.constData());
}

void TestRtf::roundTrip_data()
{
    QTest::addColumn<Document>("document");
    QTest::newRow("empty") << Document();
    QTest::newRow("empty paragraphs") << Document::fromPlainText(QStringLiteral("\n\na\n"));
    QString all;
    for (int c = 32; c < 256; ++c)
        all += codepage::toChar(uchar(c));
    QTest::newRow("every code in Greek") << Document::fromPlainText(all);
    QTest::newRow("every code in Arial") << Document::fromPlainText(all, {QStringLiteral("Arial"), 10, 3});
    QString capitals;
    for (int mark : {96, 39, 145, 146, 147, 148, 149, 150})
        for (char capital : {'A', 'E', 'H', 'I', 'O', 'R', 'U', 'W'})
            capitals += codes({mark, capital, ' '});
    QTest::newRow("every capital with every mark") << Document::fromPlainText(capitals);
    QTest::newRow("capitals in Arial") << Document::fromPlainText(capitals, {QStringLiteral("Arial"), 14, 0});
    QRandomGenerator rng(3);
    for (int i = 0; i < 50; ++i)
        QTest::addRow("random %d", i) << randomDocument(rng, kRandomFormats, true);
}

void TestRtf::roundTrip()
{
    QFETCH(Document, document);
    const QByteArray bytes = rtf::write(document);
    const rtf::ReadResult r = rtf::read(bytes);
    QCOMPARE(r.status, rtf::Status::Ok);
    QVERIFY2(r.document == document, qPrintable(r.document.describe() + QStringLiteral("\n") + document.describe()));
}

namespace {

Document readData(const char* name)
{
    QFile f(QFINDTESTDATA(QStringLiteral("data/") + QLatin1String(name)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const rtf::ReadResult r = rtf::read(f.readAll());
    return r.ok() ? r.document : Document();
}

// The format of the run that starts with `text`; a format no reader makes
// when there is no such run, so that the comparison fails and names it.
CharFormat formatOf(const Document& d, const QString& text)
{
    for (const styled::Paragraph& p : d.paragraphs)
        for (const styled::Run& r : p.runs)
            if (r.text.startsWith(text))
                return r.format;
    return {QStringLiteral("<no run starting with ") + text + QLatin1Char('>'), 0, -1};
}

} // namespace

void TestRtf::libreOffice()
{
    const Document d = readData("libreoffice-korpus.rtf");
    QStringList lines = d.plainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral(u"a)nqrwpos und Umlaute: äöüß Ä"));
    QCOMPARE(lines.value(1), QStringLiteral("fett kursiv unterstrichen durchgestrichen"));
    QCOMPARE(lines.value(2), QStringLiteral(u"ἄνθρωπος καὶ λόγος")); // Unicode Greek in Arial stays Unicode
    QCOMPARE(lines.value(3), QStringLiteral("Logos"));
    QCOMPARE(lines.value(4), QStringLiteral("A1\tB1"));
    QCOMPARE(lines.value(5), QStringLiteral("A2\tB2"));
    // Unicode Greek in the font "Greek" comes back as the font's codes; \- is the letter at 173.
    QCOMPARE(lines.value(6), codes({165, 'n', 'q', 'r', 'w', 'p', 'o', 'j', ' ', 173, 173, 'x'})); // ἄ is > ´ a, final sigma j
    QCOMPARE(lines.value(7), QStringLiteral("erster Punkt"));
    QCOMPARE(lines.value(8), QStringLiteral("zweiter Punkt"));
    QCOMPARE(lines.value(9), QStringLiteral("Bild:  Ende")); // the image is dropped
    QCOMPARE(d.paragraphs[0].alignment, int(styled::AlignLeft));
    QCOMPARE(d.paragraphs[1].alignment, int(styled::AlignCentre));
    QCOMPARE(d.paragraphs[2].alignment, int(styled::AlignRight));
    QCOMPARE(d.paragraphs[3].alignment, int(styled::AlignLeft)); // justified
    QCOMPARE(d.paragraphs[6].alignment, int(styled::AlignCentre));
    QCOMPARE(formatOf(d, QStringLiteral("a)nq")), (CharFormat{QStringLiteral("Greek"), 14, 0}));
    QCOMPARE(formatOf(d, QStringLiteral("und Uml")), (CharFormat{QStringLiteral("Arial"), 12, 0}));
    QCOMPARE(formatOf(d, QStringLiteral("fett")), (CharFormat{QStringLiteral("Times New Roman"), 18, styled::Bold}));
    QCOMPARE(formatOf(d, QStringLiteral("kursiv")).style, int(styled::Italic));
    QCOMPARE(formatOf(d, QStringLiteral("unterstrichen")).style, int(styled::Underline));
    QCOMPARE(formatOf(d, QStringLiteral("durchgestrichen")).style, int(styled::StrikeOut));
    QCOMPARE(formatOf(d, QStringLiteral(u"ἄνθ")), (CharFormat{QStringLiteral("Arial"), 10, 0}));
    QCOMPARE(formatOf(d, QStringLiteral("Logos")), (CharFormat{QStringLiteral("Greek"), 22, styled::Bold}));
    QCOMPARE(formatOf(d, codes({165})), (CharFormat{QStringLiteral("Greek"), 16, 0}));
}

void TestRtf::pandoc()
{
    const Document d = readData("pandoc-korpus.rtf");
    const QStringList lines = d.plainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral(u"Überschrift"));
    QCOMPARE(lines.value(1), QStringLiteral(u"Text mit kursiv, fett und durch. Griechisch: ἄνθρωπος, λόγος."));
    QVERIFY(lines.contains(QStringLiteral("Spalte A\tSpalte B")));
    QVERIFY(lines.contains(QStringLiteral("eins\tzwei")));
    QCOMPARE(lines.last(), QStringLiteral(u"Umlaute: äöü ß."));
    QCOMPARE(formatOf(d, QStringLiteral(u"Überschrift")), (CharFormat{QStringLiteral("Helvetica"), 18, styled::Bold}));
    QCOMPARE(formatOf(d, QStringLiteral("kursiv")).style, int(styled::Italic));
    QCOMPARE(formatOf(d, QStringLiteral("fett")).style, int(styled::Bold));
    QCOMPARE(formatOf(d, QStringLiteral("durch")).style, int(styled::StrikeOut));
}

// A document of the font "Greek" that came through LibreOffice keeps every code.
void TestRtf::libreOfficeEightBitCodes()
{
    const Document d = readData("libreoffice-codes.rtf");
    QString all;
    for (int c = 128; c < 256; ++c)
        all += codepage::toChar(uchar(c));
    QCOMPARE(d.plainText(), all);
    QCOMPARE(d.paragraphs[0].runs.size(), 1);
    QCOMPARE(d.paragraphs[0].runs[0].format.font, QStringLiteral("Greek"));
}

QTEST_GUILESS_MAIN(TestRtf)
#include "tst_rtf.moc"
