#include "codepage.h"
#include "greekfont.h"
#include "richtextsurface.h"
#include "textedit.h"

#include <QtTest>

#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

namespace {

struct LayoutEntry {
    int code;
    char32_t shown;
    QString source;
};

QList<LayoutEntry> readLayout()
{
    QList<LayoutEntry> out;
    QFile f(QStringLiteral(STILORA_SOURCE_DIR "/resources/fonts/greek-layout.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).chopped(1);
        if (line.startsWith(QLatin1Char('#')) || line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        out.append({fields[0].toInt(), char32_t(fields[1].mid(2).toUInt(nullptr, 16)), fields[4]});
    }
    return out;
}

const char* const kStyles[] = {"Regular", "Bold", "Italic", "BoldItalic"};

QString gentiumFile(const char* style)
{
    return QStringLiteral("/usr/share/fonts/truetype/gentiumplus/GentiumPlus-%1.ttf").arg(QLatin1String(style));
}

// Lays one character out in the editor's font "Greek" of the given style and
// returns the glyph runs that would be drawn.
QList<QGlyphRun> runsFor(QChar ch, bool bold, bool italic)
{
    static RichTextSurface editor;
    QFont font = textEdit(editor)->document()->defaultFont();
    font.setBold(bold);
    font.setItalic(italic);
    QTextLayout layout(QString(ch), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    return layout.glyphRuns();
}

// The mappings of one cmap subtable of format 4 (platform, encoding) of a font file.
QHash<uint, uint> cmapSubtable(const QByteArray& cmap, int platform, int encoding)
{
    auto u16 = [&](qsizetype at) { return at + 2 <= cmap.size() ? uint(uchar(cmap[at]) << 8 | uchar(cmap[at + 1])) : 0u; };
    auto u32 = [&](qsizetype at) { return u16(at) << 16 | u16(at + 2); };
    QHash<uint, uint> out;
    for (uint i = 0, n = u16(2); i < n; ++i) {
        const qsizetype record = 4 + qsizetype(i) * 8;
        if (int(u16(record)) != platform || int(u16(record + 2)) != encoding)
            continue;
        const qsizetype t = u32(record + 4);
        if (u16(t) != 4)
            continue;
        const uint segments = u16(t + 6) / 2;
        const qsizetype ends = t + 14, starts = ends + segments * 2 + 2, deltas = starts + segments * 2,
                        offsets = deltas + segments * 2;
        for (uint s = 0; s < segments; ++s) {
            const uint end = u16(ends + s * 2), start = u16(starts + s * 2), delta = u16(deltas + s * 2);
            const uint rangeOffset = u16(offsets + s * 2);
            for (uint c = start; c <= end && c != 0xFFFF; ++c) {
                uint glyph = 0;
                if (rangeOffset == 0) {
                    glyph = (c + delta) & 0xFFFF;
                } else {
                    const uint g = u16(offsets + s * 2 + rangeOffset + (c - start) * 2);
                    glyph = g ? (g + delta) & 0xFFFF : 0;
                }
                if (glyph)
                    out.insert(c, glyph);
            }
        }
    }
    return out;
}

} // namespace

class TestResources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layoutTableIsComplete();
    void greekGlyphs_data();
    void greekGlyphs();
    void latinCodesKeepTheirGlyphs();
    void unicodeGreekSameGlyphs();
    void familyIsGreekOnly();
    void symbolSubtableHoldsUnicodeGreek();
};

void TestResources::initTestCase()
{
    QVERIFY(resources::registerGreekFont().isEmpty());
}

void TestResources::layoutTableIsComplete()
{
    const QList<LayoutEntry> layout = readLayout();
    int greek = 0;
    for (const LayoutEntry& e : layout)
        greek += e.source == QLatin1String("greek");
    // Every code the composition rules produce has its Greek glyph.
    QVERIFY(greek >= 150);
    QCOMPARE(layout.size(), 256 - 32 - 1 - 3);
}

void TestResources::greekGlyphs_data()
{
    QTest::addColumn<int>("style");
    for (int s = 0; s < 4; ++s)
        QTest::newRow(kStyles[s]) << s;
}

// Each code whose layout source is greek is drawn from the font "Greek", with
// the very outline that Gentium Plus has for the Greek character of the layout.
void TestResources::greekGlyphs()
{
    QFETCH(int, style);
    const bool bold = style & 1;
    const bool italic = style & 2;
    const QRawFont gentium(gentiumFile(kStyles[style]), RichTextSurface::kDefaultPixelSize);
    QVERIFY(gentium.isValid());
    int checked = 0;
    for (const LayoutEntry& e : readLayout()) {
        if (e.source != QLatin1String("greek"))
            continue;
        const QChar ch = codepage::toChar(uchar(e.code));
        const QList<QGlyphRun> runs = runsFor(ch, bold, italic);
        QVERIFY2(runs.size() == 1, qPrintable(QString::number(e.code)));
        const QRawFont raw = runs.first().rawFont();
        QVERIFY2(raw.familyName() == QLatin1String("Greek"), qPrintable(QString::number(e.code) + raw.familyName()));
        QCOMPARE(raw.weight() >= QFont::Bold, bold);
        QCOMPARE(raw.style() != QFont::StyleNormal, italic);
        const QList<quint32> glyphs = runs.first().glyphIndexes();
        QVERIFY2(glyphs.size() == 1 && glyphs.first() != 0, qPrintable(QString::number(e.code)));

        const QString shown = QString::fromUcs4(&e.shown, 1);
        const QList<quint32> expected = gentium.glyphIndexesForString(shown);
        QCOMPARE(expected.size(), 1);
        QVERIFY2(raw.pathForGlyph(glyphs.first()).boundingRect() == gentium.pathForGlyph(expected.first()).boundingRect(),
                 qPrintable(QString::number(e.code)));
        ++checked;
    }
    QVERIFY(checked >= 150);
}

void TestResources::latinCodesKeepTheirGlyphs()
{
    const QRawFont gentium(gentiumFile("Regular"), RichTextSurface::kDefaultPixelSize);
    for (const LayoutEntry& e : readLayout()) {
        if (e.source != QLatin1String("latin") || e.code == 32 || e.code == 160)
            continue;
        const QList<QGlyphRun> runs = runsFor(codepage::toChar(uchar(e.code)), false, false);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().rawFont().familyName(), QStringLiteral("Greek"));
        const QString shown = QString::fromUcs4(&e.shown, 1);
        QCOMPARE(runs.first().rawFont().pathForGlyph(runs.first().glyphIndexes().first()).boundingRect(),
                 gentium.pathForGlyph(gentium.glyphIndexesForString(shown).first()).boundingRect());
    }
}

// Unicode Greek set in "Greek" is drawn with the glyph of the code that stands for it.
void TestResources::unicodeGreekSameGlyphs()
{
    int checked = 0;
    for (const LayoutEntry& e : readLayout()) {
        if (e.source != QLatin1String("greek"))
            continue;
        const QChar unicode = QChar(char16_t(e.shown));
        if (codepage::toCode(unicode))
            continue; // a character of the code table keeps its own code's glyph
        const QList<QGlyphRun> byCode = runsFor(codepage::toChar(uchar(e.code)), false, false);
        const QList<QGlyphRun> byUnicode = runsFor(unicode, false, false);
        QVERIFY2(byUnicode.size() == 1 && byUnicode.first().rawFont().familyName() == QLatin1String("Greek"),
                 qPrintable(QString::number(e.code)));
        QCOMPARE(byUnicode.first().glyphIndexes(), byCode.first().glyphIndexes());
        ++checked;
    }
    QVERIFY(checked >= 150);
}

void TestResources::familyIsGreekOnly()
{
    QVERIFY(QFontDatabase::families().contains(QStringLiteral("Greek")));
    const QStringList styles = QFontDatabase::styles(QStringLiteral("Greek"));
    for (const char* s : {"Regular", "Bold", "Italic", "Bold Italic"})
        QVERIFY2(styles.contains(QLatin1String(s)), s);
    QFile res(QStringLiteral(":/fonts/Greek-Regular.ttf"));
    QVERIFY(res.open(QIODevice::ReadOnly));
    QVERIFY(!res.readAll().contains("Gentium Plus")); // the reserved name is not the font's name
}

// Programs that read only the symbol subtable of a font that has one
// (LibreOffice) find the Unicode Greek there too, with the glyphs Qt finds in
// the Unicode subtable; and every Greek letter of Gentium Plus is there, a
// capital with breathing and accent included.
void TestResources::symbolSubtableHoldsUnicodeGreek()
{
    for (const char* style : kStyles) {
        QFile f(QStringLiteral(":/fonts/Greek-%1.ttf").arg(QLatin1String(style)));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QRawFont raw(f.readAll(), 20);
        const QByteArray cmap = raw.fontTable("cmap");
        const QHash<uint, uint> symbol = cmapSubtable(cmap, 3, 0);
        const QHash<uint, uint> unicode = cmapSubtable(cmap, 3, 1);
        QVERIFY(!symbol.isEmpty() && !unicode.isEmpty());
        for (uint ch : {0x03B1u, 0x1F04u, 0x1F4Du, 0x1FE5u, 0x0313u, 0x1F0Eu})
            QVERIFY2(symbol.value(ch) && symbol.value(ch) == unicode.value(ch), qPrintable(QString::number(ch, 16)));
        // The 8-bit codes as a symbol font gives them: U+F000 + code.
        QCOMPARE(symbol.value(0xF000 + 'a'), unicode.value('a'));
        QCOMPARE(symbol.value(0xF000 + 173), unicode.value(0xAD));
        const QRawFont gentium(gentiumFile(style), 20);
        for (uint ch = 0x1F00; ch <= 0x1FFF; ++ch)
            if (gentium.supportsCharacter(ch))
                QVERIFY2(unicode.contains(ch), qPrintable(QString::number(ch, 16)));
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
