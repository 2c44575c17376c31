#include "accessibletext.h"
#include "codepage.h"
#include "unicodegreek.h"
#include "greekfont.h"
#include "qtformat.h"
#include "mimeimport.h"
#include "richtextsurface.h"
#include "rtfwriter.h"
#include "textedit.h"

#include "surfacehost.h"
#include <QtTest>
#include <QSignalSpy>
#include <QUrl>
#include <QWheelEvent>

#include <QRandomGenerator>

#include <map>

#include <QClipboard>

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextFrame>
#include <QTextList>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextEdit>
#include <QWidget>

using surface::ChangeOrigin;
using surface::TextChange;

Q_DECLARE_METATYPE(surface::TextChange)

// A surface in a window, with every change notification recorded.
struct Fixture : SurfaceHost {
    RichTextSurface& s = txt;
    QList<TextChange> changes;
    Fixture()
    {
        QObject::connect(&s, &RichTextSurface::changed, &host, [this](const TextChange& c) { changes << c; });
    }
};

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(resources::registerGreekFont().isEmpty());
        accessibletext::install();
    }

    void fromMimeWithoutEditor_data();
    void fromMimeWithoutEditor();
    void toMimeAndBack();
    void codepageRoundTrip();
    void codepageSpecialCodes_data();
    void codepageSpecialCodes();
    void codepageUnmappable();

    void defaults();
    void selection_data();
    void selection();
    void textKeepsEveryCode();
    void attributesOnSelection();
    void attributesAtInsertionPoint();
    void sizeBelowOne_data();
    void sizeBelowOne();
    void alignmentOfParagraphs();
    void find_data();
    void find();
    void findGreek_data();
    void findGreek();
    void findFollowsEveryChange();
    void keptFindTextFollowsEdits();
    void changeRecordCoversTransactions();
    void replaceRanges_data();
    void replaceRanges();
    void replaceAllIsOneStep();
    void selectionSpansLines();
    void changeOrigins();
    void rewriteMinimalEdit_data();
    void rewriteMinimalEdit();
    void wordWrapKeepsDocument();
    void emptyModelNotifies();
    void tabEntry();
    void layoutFollowsEdits_data();
    void layoutFollowsEdits();
    void layoutHitTestRoundTrip();
    void layoutCursorMovement_data();
    void layoutCursorMovement();
    void layoutMatchesQt_data();
    void layoutMatchesQt();
    void preeditCaretIsDrawn();
    void pasteIsReduced_data();
    void pasteIsReduced();
    void copyPasteKeepsFormats();
    void clipboardForms();
    void pasteUnicodeGreek_data();
    void pasteUnicodeGreek();
    void pasteBetaCode_data();
    void pasteBetaCode();
    void shiftReturnBreaksParagraph();
    void snapshotLoadRoundTrip();
    void loadIsOneStep();
    void accessibleTextIsUnicode();
    void accessibleEventsAreUnicode();
    void zoomScalesTheViewOnly_data();
    void zoomScalesTheViewOnly();
    void zoomKeysAndWheel();
    void redoAfterUndo();
    void droppedFilesAreNotText_data();
    void droppedFilesAreNotText();
};

void TestEditor::codepageRoundTrip()
{
    for (int b = 0; b < 256; ++b) {
        const auto back = codepage::toCode(codepage::toChar(uchar(b)));
        QVERIFY2(back && *back == b, qPrintable(QString::number(b)));
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(codepage::encode(codepage::decode(all)), all);
}

void TestEditor::codepageSpecialCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("unicode");
    QTest::newRow("euro") << 128 << 0x20AC;
    QTest::newRow("hole 129") << 129 << 0x81;
    QTest::newRow("hole 141") << 141 << 0x8D;
    QTest::newRow("hole 143") << 143 << 0x8F;
    QTest::newRow("hole 144") << 144 << 0x90;
    QTest::newRow("hole 157") << 157 << 0x9D;
    QTest::newRow("em dash") << 151 << 0x2014;
    QTest::newRow("y diaeresis") << 159 << 0x178;
    QTest::newRow("no-break space") << 160 << 0xA0;
    QTest::newRow("acute accent") << 180 << 0xB4;
    QTest::newRow("a acute") << 225 << 0xE1;
    QTest::newRow("y diaeresis small") << 255 << 0xFF;
}

void TestEditor::codepageSpecialCodes()
{
    QFETCH(int, code);
    QFETCH(int, unicode);
    QCOMPARE(int(codepage::toChar(uchar(code)).unicode()), unicode);
}

void TestEditor::codepageUnmappable()
{
    for (char16_t u : {char16_t(0x3B1), char16_t(0x2029), char16_t(0x85), char16_t(0x100), char16_t(0x1F00)})
        QVERIFY(!codepage::toCode(QChar(u)));
    QCOMPARE(codepage::encode(QStringLiteral(u"aαb")), QByteArray("a?b"));
}

// A fresh editor: what is typed is Greek in 14 points, left-aligned, and a
// line longer than the window wraps instead of scrolling sideways.
void TestEditor::defaults()
{
    Fixture f;
    const QString line = QStringLiteral("logos kai ").repeated(30);
    f.s.typeText(line);
    styled::Document expected = styled::Document::fromPlainText(line, {QStringLiteral("Greek"), 14, 0}, styled::AlignLeft);
    QCOMPARE(f.s.snapshot().describe(), expected.describe());
    QTextEdit* edit = textEdit(f.s);
    QCOMPARE(edit->horizontalScrollBar()->maximum(), 0);
    f.s.setSelStart(0);
    const int firstLine = edit->cursorRect().top();
    f.s.setSelStart(line.size());
    QVERIFY2(edit->cursorRect().top() > firstLine + 19 * 3, "30 words in 500 pixels take several lines");
    QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestEditor::selection_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expectStart");
    QTest::addColumn<int>("expectLength");
    QTest::addColumn<QString>("selected");
    QTest::newRow("inside") << 1 << 3 << 1 << 3 << QStringLiteral("bcd");
    QTest::newRow("caret") << 2 << 0 << 2 << 0 << QString();
    QTest::newRow("past the end") << 4 << 10 << 4 << 2 << QStringLiteral("ef");
    QTest::newRow("at the end, reaching beyond") << 6 << 1 << 6 << 0 << QString();
    QTest::newRow("from the start to beyond") << 0 << 100 << 0 << 6 << QStringLiteral("abcdef");
    // A start outside the text or a negative length is the caller's fault:
    // the surface asserts it (and clamps in a release build).
}

void TestEditor::selection()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, expectStart);
    QFETCH(int, expectLength);
    QFETCH(QString, selected);
    Fixture f;
    f.s.setText(QStringLiteral("abcdef"));
    f.s.setSelStart(start);
    QCOMPARE(f.s.selLength(), 0);
    f.s.setSelLength(length);
    QCOMPARE(f.s.selStart(), expectStart);
    QCOMPARE(f.s.selLength(), expectLength);
    QCOMPARE(f.s.selText(), selected);
}

void TestEditor::textKeepsEveryCode()
{
    Fixture f;
    QByteArray all;
    for (int b = 32; b < 256; ++b)
        all.append(char(b));
    const QString text = codepage::decode(all) + QLatin1Char('\n') + QStringLiteral("zweite");
    f.s.setText(text);
    QCOMPARE(f.s.text(), text); // the no-break space stays what it is
    QCOMPARE(f.s.textLength(), int(text.size()));
    QCOMPARE(f.s.textRange(int(all.size()) - 2, 5), codepage::decode(all.right(2)) + QStringLiteral("\nzw"));
}

void TestEditor::attributesOnSelection()
{
    Fixture f;
    f.s.setText(QStringLiteral("abcdef"));
    f.s.selectRange(1, 3);
    f.s.setFontName(QStringLiteral("Arial"));
    f.s.setFontSize(22);
    f.s.setFontStyle(surface::Bold | surface::StrikeOut);
    QCOMPARE(f.s.fontName(), QStringLiteral("Arial"));
    QCOMPARE(f.s.fontSize(), 22);
    QCOMPARE(f.s.fontStyle(), surface::Bold | surface::StrikeOut);
    QCOMPARE(f.s.fontNameOfChar(0), QStringLiteral("Greek"));
    QCOMPARE(f.s.fontNameOfChar(1), QStringLiteral("Arial"));
    QCOMPARE(f.s.fontNameOfChar(3), QStringLiteral("Arial"));
    QCOMPARE(f.s.fontNameOfChar(4), QStringLiteral("Greek"));
    // The four flags are written together.
    f.s.setFontStyle(surface::Italic | surface::Underline);
    QCOMPARE(f.s.fontStyle(), surface::Italic | surface::Underline);
    // An empty selection reports the character before the caret.
    f.s.setSelStart(2);
    QCOMPARE(f.s.fontName(), QStringLiteral("Arial"));
    f.s.setSelStart(5);
    QCOMPARE(f.s.fontName(), QStringLiteral("Greek"));
    QCOMPARE(f.s.fontSize(), 14);
}

void TestEditor::attributesAtInsertionPoint()
{
    Fixture f;
    f.s.setText(QStringLiteral("ab"));
    f.s.setSelStart(2);
    f.s.setFontName(QStringLiteral("Arial"));
    f.s.setFontStyle(surface::Italic);
    QCOMPARE(f.s.text(), QStringLiteral("ab")); // no character was selected for it
    f.s.typeText(QStringLiteral("c"));
    QCOMPARE(f.s.fontNameOfChar(2), QStringLiteral("Arial"));
    QCOMPARE(f.s.fontNameOfChar(1), QStringLiteral("Greek"));
    f.s.selectRange(2, 1);
    QCOMPARE(f.s.fontStyle(), int(surface::Italic));
}

void TestEditor::sizeBelowOne_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("reported");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("-1") << -1 << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("500") << 500 << 500;
}

void TestEditor::sizeBelowOne()
{
    QFETCH(int, requested);
    QFETCH(int, reported);
    Fixture f;
    f.s.setText(QStringLiteral("ab"));
    f.s.selectRange(0, 2);
    f.s.setFontSize(requested);
    QCOMPARE(f.s.fontSize(), reported);
}

void TestEditor::alignmentOfParagraphs()
{
    Fixture f;
    f.s.setText(QStringLiteral("eins\nzwei\ndrei"));
    f.s.selectRange(2, 5); // touches the first two paragraphs
    f.s.setAlignment(surface::AlignCentre);
    QCOMPARE(f.s.alignment(), int(surface::AlignCentre));
    f.s.setSelStart(12);
    QCOMPARE(f.s.alignment(), int(surface::AlignLeft));
    f.s.setAlignment(surface::AlignRight);
    QCOMPARE(f.s.alignment(), int(surface::AlignRight));
    f.s.setSelStart(6);
    QCOMPARE(f.s.alignment(), int(surface::AlignCentre));
}

void TestEditor::find_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("expected");
    // text: "Logos logos logosx"
    QTest::newRow("first") << "logos" << 0 << 18 << 0 << 0;
    QTest::newRow("match case") << "logos" << 0 << 18 << int(surface::MatchCase) << 6;
    QTest::newRow("from inside") << "logos" << 1 << 17 << 0 << 6;
    QTest::newRow("whole word skips logosx") << "logos" << 7 << 11 << int(surface::WholeWord) << -1;
    QTest::newRow("not whole word") << "logos" << 7 << 11 << 0 << 12;
    QTest::newRow("outside the length") << "logos" << 1 << 9 << 0 << -1;
    QTest::newRow("missing") << "ethos" << 0 << 18 << 0 << -1;
}

void TestEditor::find()
{
    QFETCH(QString, what);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, options);
    QFETCH(int, expected);
    Fixture f;
    f.s.setText(QStringLiteral("Logos logos logosx"));
    QCOMPARE(f.s.find(what, start, length, options), expected);
}

// The find rules of the font "Greek": its letters make words, and only A-Z
// and a-z fold together; other fonts as usual.
void TestEditor::findGreek_data()
{
    QTest::addColumn<QString>("font");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("what");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("expected");
    const int whole = surface::WholeWord;
    QTest::newRow("word with iota acute, whole") << "Greek" << QByteArray("x l\x85g y") << QByteArray("l\x85g") << whole << 2;
    QTest::newRow("iota acute is a letter: no whole word inside") << "Greek" << QByteArray("x l\x85gw") << QByteArray("l\x85g") << whole << -1;
    QTest::newRow("epsilon with dasia is a letter") << "Greek" << QByteArray("x\x98n") << QByteArray("n") << whole << -1;
    QTest::newRow("psili is no letter") << "Greek" << QByteArray("'a b") << QByteArray("a") << whole << 1;
    QTest::newRow("ano teleia is no letter") << "Greek" << QByteArray("a:b") << QByteArray("b") << whole << 2;
    QTest::newRow("Latin letters fold in Greek") << "Greek" << QByteArray("LOGOS") << QByteArray("logos") << 0 << 0;
    QTest::newRow("upsilon circumflex is not eta") << "Greek" << QByteArray("x\xc0y") << QByteArray("\xe0") << 0 << -1;
    QTest::newRow("match case keeps them apart anyway") << "Greek" << QByteArray("x\xe0y") << QByteArray("\xe0") << int(surface::MatchCase) << 1;
    QTest::newRow("Arial folds a grave") << "Arial" << QByteArray("x\xc0y") << QByteArray("\xe0") << 0 << 1;
    QTest::newRow("Arial word boundary") << "Arial" << QByteArray("x\xe0y \xe0") << QByteArray("\xe0") << whole << 4;
}

void TestEditor::findGreek()
{
    QFETCH(QString, font);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, what);
    QFETCH(int, options);
    QFETCH(int, expected);
    Fixture f;
    f.s.load(styled::Document::fromPlainText(codepage::decode(text), {font, 14, 0}));
    QCOMPARE(f.s.find(codepage::decode(what), 0, f.s.textLength(), options), expected);
}

// find() keeps the text it reads between searches: every change of text or
// attributes, and every loaded document, even one of the same length, is
// seen by the next search.
void TestEditor::findFollowsEveryChange()
{
    Fixture f;
    const QString grave = codepage::decode("\xe0"), capital = codepage::decode("\xc0");
    f.s.load(styled::Document::fromPlainText(QStringLiteral("x") + capital + QStringLiteral("y"), {QStringLiteral("Greek"), 14, 0}));
    QCOMPARE(f.s.find(grave, 0, 3, 0), -1); // in "Greek" these are two letters
    f.s.selectRange(1, 1);
    f.s.setFontName(QStringLiteral("Arial"));
    QCOMPARE(f.s.find(grave, 0, 3, 0), 1); // the same text, now in Arial: a grave folds
    // Searched after every second load: a new document may well take the
    // place in memory of the one before the last.
    for (int round = 0; round < 6; ++round) {
        const QString text = QStringLiteral("ab") + QChar(u'c' + round);
        f.s.load(styled::Document::fromPlainText(text));
        if (round % 2 == 0)
            QCOMPARE(f.s.find(text, 0, 3, surface::MatchCase), 0);
    }
    f.s.setSelStart(3);
    f.s.typeText(QStringLiteral("q"));
    QCOMPARE(f.s.find(QStringLiteral("hq"), 0, 4, 0), 2);
    f.s.undo();
    QCOMPARE(f.s.find(QStringLiteral("hq"), 0, 3, 0), -1);
    // the undone letter and a new one in its place: same length, and the
    // document's revision may count back to where it was
    f.s.setSelStart(3);
    f.s.typeText(QStringLiteral("z"));
    QCOMPARE(f.s.find(QStringLiteral("hz"), 0, 4, 0), 2);
    QCOMPARE(f.s.find(QStringLiteral("hq"), 0, 4, 0), -1);
}

// The search keeps its text and re-reads only what a change touched: after
// every kind of edit, in any place, it finds what a search of the document
// read afresh finds.
void TestEditor::keptFindTextFollowsEdits()
{
    Fixture f;
    const QString greek = QStringLiteral("Greek"), arial = QStringLiteral("Arial");
    f.s.load(styled::Document::fromPlainText(codepage::decode("l\xd2goj ka\xec 'Anqrwpoj\nl\xd2gJ logos"), {greek, 14, 0}));
    const QStringList wanted{QStringLiteral("logos"), QStringLiteral("logoj"), codepage::decode("\xd2g"), QStringLiteral("A"),
                             QStringLiteral("s l"), QString(QChar::ParagraphSeparator)};
    QRandomGenerator random(16);
    auto check = [&](int step) {
        const textsearch::Searchable fresh = textsearch::searchable(f.s.snapshot());
        for (const QString& w : wanted)
            for (int options : {0, int(surface::IgnoreMarks), int(surface::IgnoreMarks | surface::WholeWord)})
                for (int from : {0, f.s.textLength() / 2}) {
                    const int length = f.s.textLength() - from;
                    QCOMPARE(f.s.findMatch(w, from, length, options),
                             textsearch::find(fresh.text, fresh.greek, w, from, length, options));
                }
        Q_UNUSED(step);
    };
    check(-1);
    for (int step = 0; step < 300; ++step) {
        const int length = f.s.textLength();
        const int at = int(random.bounded(length + 1));
        const int span = std::min(int(random.bounded(6)), length - at);
        switch (random.bounded(6)) {
        case 0: f.s.setSelStart(at); f.s.typeText(random.bounded(2) ? QStringLiteral("logoj ") : codepage::decode("\xd2")); break;
        case 1: f.s.selectRange(at, span); f.s.deleteSelection(); break;
        case 2: f.s.selectRange(at, span); f.s.setFontName(random.bounded(2) ? arial : greek); break;
        case 3: f.s.setSelStart(at); f.s.insertText(QStringLiteral("\n")); break;
        case 4: if (f.s.canUndo()) f.s.undo(); break;
        case 5: f.s.selectRange(at, span); f.s.replaceRanges({{at, span}}, QStringLiteral("s l")); break;
        }
        // Some changes pile up before the next search.
        if (random.bounded(3) == 0)
            check(step);
    }
    check(300);
}

// The record of each transaction tells one range that, replaced in the text
// of any revision it still reaches back to, gives the text of now; what the
// surface tells in changed() is the same record, once per transaction.
void TestEditor::changeRecordCoversTransactions()
{
    Fixture f;
    f.s.load(styled::Document::fromPlainText(QStringLiteral("alpha beta\ngamma"), {QStringLiteral("Greek"), 14, 0}));
    std::map<quint64, QString> texts{{f.s.revision(), f.s.text()}};
    QList<quint64> told;
    connect(&f.s, &RichTextSurface::changed, this, [&](const surface::TextChange& c) { told << c.revision; });
    QRandomGenerator random(24);
    for (int step = 0; step < 300; ++step) {
        const int length = f.s.textLength();
        const int at = int(random.bounded(length + 1));
        const int span = std::min(int(random.bounded(5)), length - at);
        const quint64 before = f.s.revision();
        switch (random.bounded(5)) {
        case 0: f.s.setSelStart(at); f.s.typeText(QStringLiteral("xy")); break;
        case 1: f.s.selectRange(at, span); f.s.deleteSelection(); break;
        case 2: f.s.selectRange(at, span); f.s.setFontName(QStringLiteral("Arial")); break;
        case 3: f.s.setSelStart(at); f.s.insertText(QStringLiteral("\nz")); break;
        case 4: if (f.s.canUndo()) f.s.undo(); break;
        }
        QVERIFY(f.s.revision() - before <= 1); // one revision per transaction
        texts[f.s.revision()] = f.s.text();
    }
    const QString now = f.s.text();
    for (const auto& [revision, then] : texts) {
        const std::optional<surface::TextChange> c = f.s.changeLog().since(revision);
        if (f.s.revision() - revision > surface::ChangeLog::kKept) {
            QVERIFY(!c);
            continue;
        }
        QVERIFY2(c, qPrintable(QString::number(revision)));
        QVERIFY(c->from + c->removed <= then.size() && c->from + c->added <= now.size());
        QString patched = then;
        patched.replace(c->from, c->removed, now.mid(c->from, c->added));
        QCOMPARE(patched, now);
    }
    // Told once each, in order, every revision after the load that changed the text.
    QVERIFY(std::is_sorted(told.begin(), told.end()) && std::adjacent_find(told.begin(), told.end()) == told.end());
    QCOMPARE(told.isEmpty() ? 0 : told.last(), f.s.revision());
    // Another document: nothing before it can be patched.
    const quint64 old = f.s.revision();
    f.s.load(styled::Document::fromPlainText(QStringLiteral("neu"), {QStringLiteral("Greek"), 14, 0}));
    QVERIFY(!f.s.changeLog().since(old));
    QCOMPARE(f.s.changeLog().since(f.s.revision())->added, 0);
}

// A replacement takes the format of the first character it replaces and
// keeps the paragraph's alignment.
void TestEditor::replaceRanges_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("font"); // of the replacement
    QTest::addColumn<int>("style");
    // text: "eins" in Arial bold, "zwei" in Greek, "drei" in Arial
    QTest::newRow("inside a run") << 5 << 2 << "Greek" << 0;
    QTest::newRow("first character decides") << 3 << 3 << "Arial" << int(surface::Bold);
    QTest::newRow("across into the next run") << 8 << 2 << "Arial" << 0;
    QTest::newRow("nothing replaced: the format at the place") << 4 << 0 << "Greek" << 0;
}

void TestEditor::replaceRanges()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, font);
    QFETCH(int, style);
    Fixture f;
    styled::Document d;
    d.paragraphs[0].alignment = surface::AlignCentre;
    d.paragraphs[0].runs = {{QStringLiteral("eins"), {QStringLiteral("Arial"), 12, int(surface::Bold)}},
                            {QStringLiteral("zwei"), {QStringLiteral("Greek"), 14, 0}},
                            {QStringLiteral("drei"), {QStringLiteral("Arial"), 10, 0}}};
    f.s.load(d);
    f.changes.clear();
    f.s.replaceRanges({{start, length}}, QStringLiteral("XY"));
    QCOMPARE(f.s.text().size(), qsizetype(12 - length + 2));
    QCOMPARE(f.s.textRange(start, 2), QStringLiteral("XY"));
    for (int i = start; i < start + 2; ++i)
        QCOMPARE(f.s.fontNameOfChar(i), font);
    f.s.selectRange(start, 2);
    QCOMPARE(f.s.fontStyle(), style);
    QCOMPARE(f.s.alignment(), int(surface::AlignCentre));
    QCOMPARE(f.changes.size(), 1);
    QCOMPARE(f.changes[0].origin, ChangeOrigin::Replace);
    QCOMPARE(f.changes[0].from, start);
}

// Many matches replaced: one change, one undo step, the selection over them.
void TestEditor::replaceAllIsOneStep()
{
    Fixture f;
    f.s.setText(QStringLiteral("ab ab\nab xab"));
    f.s.setModified(false);
    f.changes.clear();
    f.s.replaceRanges({{0, 2}, {3, 2}, {6, 2}, {10, 2}}, QStringLiteral("xyz"));
    QCOMPARE(f.s.text(), QStringLiteral("xyz xyz\nxyz xxyz"));
    QCOMPARE(f.s.selStart(), 0);
    QCOMPARE(f.s.selLength(), f.s.textLength());
    QCOMPARE(f.changes.size(), 1);
    QCOMPARE(f.changes[0].removed, 12);
    QCOMPARE(f.changes[0].added, 16);
    QVERIFY(f.s.isModified());
    f.s.undo();
    QCOMPARE(f.s.text(), QStringLiteral("ab ab\nab xab"));
    QVERIFY(!f.s.canUndo());
    QVERIFY(!f.s.isModified());
}

void TestEditor::selectionSpansLines()
{
    Fixture f;
    f.host.show();
    f.s.setWordWrap(true);
    QString longLine;
    for (int i = 0; i < 40; ++i)
        longLine += QStringLiteral("wort ");
    f.s.setText(QStringLiteral("eins zwei\n") + longLine);
    f.s.selectRange(0, 4);
    QVERIFY(!f.s.selectionSpansLines()); // a word
    f.s.selectRange(2, 10);
    QVERIFY(f.s.selectionSpansLines()); // over a paragraph break
    f.s.selectRange(10, 150);
    QVERIFY(f.s.selectionSpansLines()); // one paragraph wrapped over lines
    f.s.selectRange(10, 0);
    QVERIFY(!f.s.selectionSpansLines());
}

void TestEditor::changeOrigins()
{
    Fixture f;
    f.s.typeText(QStringLiteral("abc"));
    QCOMPARE(f.changes.size(), 1);
    QCOMPARE(f.changes.last().origin, ChangeOrigin::Typing);
    QVERIFY(f.changes.last().typed(2));
    QVERIFY(!f.changes.last().typed(3));

    f.s.selectRange(0, 2);
    f.s.setFontStyle(surface::Bold);
    QCOMPARE(f.changes.last().origin, ChangeOrigin::Formatting);
    QVERIFY(!f.changes.last().typed(0));

    f.s.setSelStart(3);
    QTest::keyClick(f.s.widget(), Qt::Key_Backspace);
    QCOMPARE(f.changes.last().origin, ChangeOrigin::Edit);
    QCOMPARE(f.changes.last().removed, 1);
    QVERIFY(!f.changes.last().typed(1));

    f.s.undo();
    QCOMPARE(f.changes.last().origin, ChangeOrigin::UndoRedo);
    QVERIFY(!f.changes.last().typed(2)); // the c is back, but not newly typed
    QCOMPARE(f.s.text(), QStringLiteral("abc"));
}

void TestEditor::rewriteMinimalEdit_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QList<int>>("styles"); // of the characters after the rewrite
    // Characters: x bold, y plain, third italic; the rewrite works on all three.
    QTest::newRow("last two become one") << "xy<" << "xyQ" << QList<int>{1, 0, 2};
    QTest::newRow("middle and last merge") << "x<a" << "xQ" << QList<int>{1, 2};
    QTest::newRow("pair before a kept last") << "<<A" << "QA" << QList<int>{0, 2};
    QTest::newRow("one in the middle") << "x<A" << "xQA" << QList<int>{1, 0, 2};
}

void TestEditor::rewriteMinimalEdit()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QList<int>, styles);
    Fixture f;
    f.s.setText(QStringLiteral("..") + before);
    const int fmt[] = {surface::Bold, 0, surface::Italic};
    for (int i = 0; i < 3; ++i) {
        f.s.selectRange(2 + i, 1);
        f.s.setFontStyle(fmt[i]);
    }
    f.s.rewrite(2, before, after);
    QCOMPARE(f.s.text(), QStringLiteral("..") + after);
    for (int i = 0; i < styles.size(); ++i) {
        f.s.selectRange(2 + i, 1);
        QCOMPARE(f.s.fontStyle(), styles[i]);
    }
}

void TestEditor::wordWrapKeepsDocument()
{
    Fixture f;
    f.s.setText(QStringLiteral("alpha beta gamma"));
    f.s.selectRange(6, 4);
    f.s.setFontStyle(surface::Underline);
    textEdit(f.s)->document()->setModified(false);
    f.s.setWordWrap(false);
    QVERIFY(!f.s.wordWrap());
    f.s.setWordWrap(true);
    QCOMPARE(f.s.text(), QStringLiteral("alpha beta gamma"));
    f.s.selectRange(6, 4);
    QCOMPARE(f.s.fontStyle(), int(surface::Underline));
    QVERIFY(!textEdit(f.s)->document()->isModified());
}

// New loads the empty model: the text goes, the change is announced, the
// caret stands in the editor's own font again.
void TestEditor::emptyModelNotifies()
{
    Fixture f;
    f.s.setText(QStringLiteral("abc"));
    f.s.selectRange(0, 3);
    f.s.setFontName(QStringLiteral("Arial"));
    f.changes.clear();
    f.s.load(styled::Document());
    QCOMPARE(f.s.text(), QString());
    QVERIFY(!f.changes.isEmpty());
    QCOMPARE(f.s.fontName(), QStringLiteral("Greek"));
    f.s.load(styled::Document()); // on an empty document: no error
    QCOMPARE(f.s.textLength(), 0);
}

void TestEditor::tabEntry()
{
    Fixture f;
    f.s.typeText(QStringLiteral("a"));
    QTest::keyClick(f.s.widget(), Qt::Key_Tab);
    QCOMPARE(f.s.text(), QStringLiteral("a\t"));
    f.s.setTabEntry(false);
    QTest::keyClick(f.s.widget(), Qt::Key_Tab);
    QCOMPARE(f.s.text(), QStringLiteral("a\t"));
}

// The paragraph layout updates only what an edit touched; afterwards every
// paragraph must stand where a complete layout puts it.
void TestEditor::layoutFollowsEdits_data()
{
    QTest::addColumn<int>("edit");
    QTest::newRow("typing in the middle") << 0;
    QTest::newRow("new paragraph in the middle") << 1;
    QTest::newRow("joining two paragraphs") << 2;
    QTest::newRow("deleting across paragraphs") << 3;
    QTest::newRow("bigger font in one paragraph") << 4;
    QTest::newRow("pasting several paragraphs") << 5;
    QTest::newRow("undo of a paragraph break") << 6;
}

void TestEditor::layoutFollowsEdits()
{
    QFETCH(int, edit);
    Fixture f;
    f.host.show();
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("Zeile %1 logos kai ethos pathos logos kai ethos pathos logos\n").arg(i);
    f.s.setText(text);
    QTextDocument* doc = textEdit(f.s)->document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const int mid = f.s.textLength() / 2;
    switch (edit) {
    case 0: f.s.setSelStart(mid); f.s.typeText(QStringLiteral("xyz xyz xyz xyz xyz xyz xyz xyz xyz xyz")); break;
    case 1: f.s.setSelStart(mid); QTest::keyClick(f.s.widget(), Qt::Key_Return); break;
    case 2: f.s.setSelStart(doc->findBlock(mid).position()); QTest::keyClick(f.s.widget(), Qt::Key_Backspace); break;
    case 3: f.s.selectRange(mid - 300, 600); f.s.deleteSelection(); break;
    case 4: f.s.selectRange(mid, 10); f.s.setFontSize(40); break;
    case 5:
        f.s.setSelStart(mid);
        QGuiApplication::clipboard()->setText(QStringLiteral("eins\nzwei\ndrei\n"));
        f.s.paste();
        break;
    case 6: f.s.setSelStart(mid); QTest::keyClick(f.s.widget(), Qt::Key_Return); f.s.undo(); break;
    }
    QList<QRectF> incremental;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        incremental << layout->blockBoundingRect(b);
    const QSizeF size = layout->documentSize();
    // A change of width lays everything out anew; back at the old width the result must match.
    const QSizeF page = doc->pageSize();
    doc->setPageSize(QSizeF(page.width() + 1, page.height()));
    doc->setPageSize(page);
    int i = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next(), ++i)
        QCOMPARE(layout->blockBoundingRect(b), incremental[i]);
    QCOMPARE(i, incremental.size());
    QCOMPARE(layout->documentSize(), size);
    QCOMPARE(size.height(), incremental.last().bottom() + doc->documentMargin());
}

void TestEditor::layoutHitTestRoundTrip()
{
    Fixture f;
    f.host.show();
    f.s.setText(QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda my ny xi omikron pi rho sigma tau\nrechts\n\nende"));
    f.s.selectRange(f.s.textLength() - 10, 1);
    f.s.setAlignment(surface::AlignRight);
    QAbstractTextDocumentLayout* layout = textEdit(f.s)->document()->documentLayout();
    for (int pos = 0; pos < f.s.textLength(); pos += 3) {
        f.s.setSelStart(pos);
        const QRect r = textEdit(f.s)->cursorRect();
        const QPointF p(r.center().x() + textEdit(f.s)->horizontalScrollBar()->value(),
                        r.center().y() + textEdit(f.s)->verticalScrollBar()->value());
        QCOMPARE(layout->hitTest(p, Qt::FuzzyHit), pos);
    }
    // The right-aligned paragraph ends at the right edge.
    const QTextBlock right = textEdit(f.s)->document()->findBlock(f.s.textLength() - 10);
    QVERIFY(right.layout()->lineAt(0).naturalTextRect().left() > 100);
}

// Caret movement over the paragraph layout goes where it goes over Qt's own layout.
void TestEditor::layoutCursorMovement_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    const QString text = QStringLiteral("eins\nzwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei\ndrei");
    for (int start : {2, 7, 12, 40, 70, 85, int(text.size()) - 1})
        for (int key : {int(Qt::Key_Up), int(Qt::Key_Down), int(Qt::Key_End), int(Qt::Key_Home), int(Qt::Key_PageDown)})
            QTest::addRow("key %x from %d", key, start) << start << key;
}

void TestEditor::layoutCursorMovement()
{
    QFETCH(int, start);
    QFETCH(int, key);
    const QString text = QStringLiteral("eins\nzwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei zwei\ndrei");
    Fixture f;
    QTextEdit reference(&f.host); // Qt's own document layout
    reference.setFont(f.s.widget()->font());
    reference.document()->setDefaultFont(textEdit(f.s)->document()->defaultFont());
    reference.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reference.setPlainText(text);
    reference.resize(300, 200);
    f.s.widget()->resize(300, 200);
    f.host.show();
    f.s.setText(text);
    f.s.setSelStart(start);
    QTextCursor c = reference.textCursor();
    c.setPosition(start);
    reference.setTextCursor(c);
    QTest::keyClick(f.s.widget(), Qt::Key(key));
    QTest::keyClick(&reference, Qt::Key(key));
    QCOMPARE(f.s.selStart(), reference.textCursor().position());
}

// The editor's layout against Qt's own on the same document: paragraph
// rectangles, the caret at every position, the horizontal scroll range and
// the character rectangles accessibility reports.
void TestEditor::layoutMatchesQt_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("size");
    const char* names[] = {"left", "right", "centre"};
    for (int a = 0; a < 3; ++a)
        for (bool wrap : {true, false})
            for (int size : {14, 30})
                QTest::addRow("%s, %s, %d pt", names[a], wrap ? "wrap" : "no wrap", size) << a << wrap << size;
}

void TestEditor::layoutMatchesQt()
{
    QFETCH(int, alignment);
    QFETCH(bool, wrap);
    QFETCH(int, size);
    QString longText;
    for (int i = 0; longText.size() < 300; ++i)
        longText += QStringLiteral("logos%1 ").arg(i);
    const QStringList paragraphs = {QStringLiteral("alpha beta"), QStringLiteral("a\tb\tgamma\tdelta"), longText, QString(),
                                    QStringLiteral("ende")};
    const styled::Document model = styled::Document::fromPlainText(paragraphs.join(QLatin1Char('\n')),
                                                                   {QStringLiteral("Greek"), size, 0}, alignment);
    Fixture f;
    QTextEdit* ours = textEdit(f.s);
    f.s.setWordWrap(wrap);
    f.s.load(model);
    QTextEdit reference(&f.host); // Qt's own document layout
    reference.setGeometry(ours->geometry());
    reference.setFont(ours->font());
    reference.document()->setDefaultFont(ours->document()->defaultFont());
    reference.setVerticalScrollBarPolicy(ours->verticalScrollBarPolicy());
    reference.setHorizontalScrollBarPolicy(ours->horizontalScrollBarPolicy());
    reference.setLineWrapMode(ours->lineWrapMode());
    {
        QTextCursor c(reference.document());
        qtformat::insertModel(c, model);
    }
    f.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.host));
    QTRY_VERIFY(f.s.layoutComplete());
    QApplication::processEvents();

    QAbstractTextDocumentLayout* mine = ours->document()->documentLayout();
    QAbstractTextDocumentLayout* qt = reference.document()->documentLayout();
    for (QTextBlock a = ours->document()->begin(), b = reference.document()->begin(); a.isValid(); a = a.next(), b = b.next()) {
        QCOMPARE(mine->blockBoundingRect(a), qt->blockBoundingRect(b));
        QCOMPARE(a.layout()->position(), b.layout()->position());
    }
    QCOMPARE(ours->horizontalScrollBar()->maximum(), reference.horizontalScrollBar()->maximum());
    for (QTextEdit* e : {ours, &reference}) {
        e->horizontalScrollBar()->setValue(0);
        e->verticalScrollBar()->setValue(0);
    }
    for (int pos = 0; pos <= f.s.textLength(); ++pos) {
        QTextCursor c = ours->textCursor();
        c.setPosition(pos);
        QTextCursor r = reference.textCursor();
        r.setPosition(pos);
        QCOMPARE(ours->cursorRect(c), reference.cursorRect(r));
    }
    // Both draw the same picture.
    for (QTextEdit* e : {ours, &reference})
        e->setReadOnly(true); // no caret in the pictures
    QCOMPARE(ours->viewport()->grab().toImage(), reference.viewport()->grab().toImage());
    // The screen reader's rectangle of a character is where our layout puts
    // it, and that is where Qt's layout puts it: from the caret before it to
    // the caret behind it, on the screen.
    QAccessibleInterface* accOurs = QAccessible::queryAccessibleInterface(ours);
    QVERIFY(accOurs && accOurs->textInterface());
    auto onScreen = [](QTextEdit* e, int pos) {
        QTextCursor c(e->document());
        c.setPosition(pos);
        QRect r = e->cursorRect(c);
        c.setPosition(pos + 1);
        r.setWidth(e->cursorRect(c).x() - r.x());
        return r.translated(e->viewport()->pos());
    };
    const int offsets[] = {1, 12, 30, int(f.s.textLength()) - 2};
    for (int offset : offsets) {
        QCOMPARE(accOurs->textInterface()->characterRect(offset).translated(ours->mapToGlobal(QPoint()) * -1),
                 onScreen(&reference, offset));
    }
}

// The caret inside an input method's pre-edit text is drawn where the
// pre-edit cursor stands (the paint context gives it as a position below -1).
void TestEditor::preeditCaretIsDrawn()
{
    Fixture f;
    f.host.show();
    f.s.typeText(QStringLiteral("ab"));
    QInputMethodEvent preedit(QStringLiteral("xyz"), {{QInputMethodEvent::Cursor, 2, 1, QVariant()}});
    QApplication::sendEvent(f.s.widget(), &preedit);
    QTextDocument* doc = textEdit(f.s)->document();
    const QTextLayout* tl = doc->begin().layout();
    QCOMPARE(tl->preeditAreaText(), QStringLiteral("xyz"));
    auto render = [&](int cursorPosition) {
        QImage image(300, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QAbstractTextDocumentLayout::PaintContext context;
        context.cursorPosition = cursorPosition;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, context);
        return image;
    };
    const QImage without = render(-1);
    const QImage with = render(-(2 + 2)); // the pre-edit cursor after "xy"
    const int x = int(tl->lineAt(0).cursorToX(tl->preeditAreaPosition() + 2) + tl->position().x());
    int changedColumns = 0;
    for (int col = 0; col < with.width(); ++col) {
        bool differs = false;
        for (int row = 0; row < with.height() && !differs; ++row)
            differs = with.pixel(col, row) != without.pixel(col, row);
        if (differs) {
            ++changedColumns;
            QVERIFY2(std::abs(col - x) <= 1, qPrintable(QStringLiteral("column %1, caret at %2").arg(col).arg(x)));
        }
    }
    QVERIFY(changedColumns > 0);
}

// Whatever is pasted arrives as paragraphs of styled runs and nothing else.
void TestEditor::pasteIsReduced_data()
{
    QTest::addColumn<QString>("html"); // empty: the plain text below is pasted
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("expected");
    QTest::newRow("table") << "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d<br>e</td></tr></table>" << ""
                           << "a\tb\nc\td e";
    QTest::newRow("list") << "<ul><li>eins</li><li>zwei</li></ul><p>drei</p>" << "" << "eins\nzwei\ndrei";
    QTest::newRow("image dropped") << "<p>vor<img src=\"data:image/png;base64,iVBORw0KGgo=\">nach</p>" << ""
                                   << "vornach";
    QTest::newRow("line break in html") << "<p>a<br>b</p>" << "" << "a\nb";
    QTest::newRow("line separator") << "" << QStringLiteral(u"a\u2028b") << "a\nb";
    QTest::newRow("CR LF and CR") << "" << "a\r\nb\rc" << "a\nb\nc";
}

void TestEditor::pasteIsReduced()
{
    QFETCH(QString, html);
    QFETCH(QString, plain);
    QFETCH(QString, expected);
    Fixture f;
    QMimeData data;
    if (!html.isEmpty())
        data.setHtml(html);
    data.setText(plain.isEmpty() ? QStringLiteral("plain fallback") : plain);
    f.s.insertMimeData(&data);
    QCOMPARE(f.s.text(), expected);
    // Nothing but paragraphs of characters is left in the document.
    QTextDocument* doc = textEdit(f.s)->document();
    QCOMPARE(doc->rootFrame()->childFrames().size(), 0);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QVERIFY(!b.textList());
        QVERIFY(!b.text().contains(QChar::LineSeparator));
        QVERIFY(!b.text().contains(QChar::ObjectReplacementCharacter));
    }
}

// Copied and pasted inside the editor, text keeps font, size, style and alignment.
void TestEditor::copyPasteKeepsFormats()
{
    styled::DocumentBuilder b;
    b.append(QStringLiteral("logos "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("kai"), {QStringLiteral("Arial"), 22, surface::Bold | surface::StrikeOut});
    b.breakParagraph();
    b.setAlignment(surface::AlignRight);
    b.append(QStringLiteral("ethos"), {QStringLiteral("Greek"), 8, surface::Italic | surface::Underline});
    const styled::Document model = b.take();
    Fixture f;
    f.s.load(model);
    f.s.selectRange(0, f.s.textLength());
    f.s.copy();
    f.s.load(styled::Document());
    f.s.paste();
    const styled::Document back = f.s.snapshot();
    QVERIFY2(back == model, qPrintable(back.describe() + QStringLiteral("\n") + model.describe()));
}

// What copy puts on the clipboard: Unicode text, RTF with \\uN, and our own form.
void TestEditor::clipboardForms()
{
    Fixture f;
    styled::DocumentBuilder b;
    b.append(codepage::decode("\xa4nqrwpos "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral(u"und äß"), {QStringLiteral("Arial"), 12, surface::Bold});
    const styled::Document model = b.take();
    f.s.load(model);
    f.s.selectRange(0, f.s.textLength());
    std::unique_ptr<QMimeData> data(f.s.mimeDataForSelection());
    QCOMPARE(data->text(), QStringLiteral(u"ἅνθρωποσ und äß")); // s is σ; the final sigma is j
    QVERIFY(data->data(QStringLiteral("text/rtf")).contains("\\u7941\\'a4"));
    QVERIFY(data->hasFormat(QString::fromLatin1(mimeimport::kOwnMimeType)));
    // Pasted back: exactly what was copied.
    f.s.load(styled::Document());
    f.s.insertMimeData(data.get());
    QVERIFY2(f.s.snapshot() == model, qPrintable(f.s.snapshot().describe()));
}

// Greek from other programs arrives as the font's codes, in the font "Greek".
void TestEditor::pasteUnicodeGreek_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("plain text") << "text" << QStringLiteral(u"x ἄνδρα").toUtf8();
    QTest::newRow("plain text, decomposed") << "text" << QStringLiteral(u"x ἄνδρα").normalized(QString::NormalizationForm_D).toUtf8();
    QTest::newRow("HTML") << "html" << QByteArray("<p><span style=\"font-family:Arial\">x \xe1\xbc\x84\xce\xbd\xce\xb4\xcf\x81\xce\xb1</span></p>");
    QTest::newRow("a word processor's RTF") << "rtf"
                                           << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 x \\u7940?\\u957?\\u948?\\u961?\\u945?}");
}

void TestEditor::pasteUnicodeGreek()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, payload);
    Fixture f;
    QMimeData data;
    if (kind == QLatin1String("text"))
        data.setText(QString::fromUtf8(payload));
    else if (kind == QLatin1String("html"))
        data.setHtml(QString::fromUtf8(payload));
    else
        data.setData(QStringLiteral("text/rtf"), payload);
    f.s.insertMimeData(&data);
    QCOMPARE(codepage::encode(f.s.text()), QByteArray("x \xa5ndra"));
    QCOMPARE(f.s.fontNameOfChar(2), QStringLiteral("Greek"));
    QVERIFY(f.s.canUndo());
    f.s.undo(); // one step
    QCOMPARE(f.s.text(), QString());
}

// Beta Code entered at the caret: a paste of one step, in the caret's size
// and style, the Greek in "Greek", the Latin text in the caret's Latin font
// (Arial where the caret is in "Greek"); its losses are given back.
void TestEditor::pasteBetaCode_data()
{
    QTest::addColumn<QString>("caretFont");
    QTest::addColumn<QString>("latinFont");
    QTest::newRow("caret in Greek") << "Greek" << "Arial";
    QTest::newRow("caret in Times") << "Times New Roman" << "Times New Roman";
}

void TestEditor::pasteBetaCode()
{
    QFETCH(QString, caretFont);
    QFETCH(QString, latinFont);
    Fixture f;
    f.s.load(styled::Document::fromPlainText(QStringLiteral("x "), {caretFont, 22, surface::Bold}));
    f.s.setSelStart(2);
    f.changes.clear();
    const ImportNotes notes = f.s.insertBetaCode(QStringLiteral("*)/ANDRA &Od.$ A%26"));
    QCOMPARE(f.s.text(), QStringLiteral("x ") + unicodegreek::importGreek(u"Ἄνδρα ").codes + QStringLiteral("Od.")
                             + unicodegreek::importGreek(u" α").codes);
    QCOMPARE(notes.betaSigns, 1);
    QCOMPARE(f.changes.size(), 1);
    QCOMPARE(f.changes.last().origin, ChangeOrigin::Paste); // not composed with what stands before it
    const styled::Document d = f.s.snapshot();
    const QList<styled::Run>& runs = d.paragraphs.first().runs;
    QCOMPARE(runs.size(), caretFont == QLatin1String("Greek") ? 3 : 4); // "x " shares the Greek's run when it is in "Greek"
    QCOMPARE(runs.last().format, (styled::CharFormat{QStringLiteral("Greek"), 22, surface::Bold}));
    QCOMPARE(runs[runs.size() - 2].text, QStringLiteral("Od."));
    QCOMPARE(runs[runs.size() - 2].format, (styled::CharFormat{latinFont, 22, surface::Bold}));
    f.s.undo(); // one step
    QCOMPARE(f.s.text(), QStringLiteral("x "));
}

void TestEditor::shiftReturnBreaksParagraph()
{
    Fixture f;
    f.s.typeText(QStringLiteral("ab"));
    QTest::keyClick(f.s.widget(), Qt::Key_Return, Qt::ShiftModifier);
    f.s.typeText(QStringLiteral("c"));
    QCOMPARE(f.s.text(), QStringLiteral("ab\nc"));
    QCOMPARE(textEdit(f.s)->document()->blockCount(), 2);
}

void TestEditor::snapshotLoadRoundTrip()
{
    styled::DocumentBuilder b;
    b.setAlignment(surface::AlignCentre);
    b.append(QStringLiteral("Logos "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("kai"), {QStringLiteral("Arial"), 22, surface::Bold | surface::Underline});
    b.breakParagraph();
    b.setAlignment(surface::AlignRight);
    b.append(QStringLiteral(u"ἄλφα \u0081\u009D"), {QStringLiteral("Greek"), 8, surface::Italic | surface::StrikeOut});
    b.breakParagraph();
    b.setAlignment(surface::AlignLeft); // an empty last paragraph
    const styled::Document model = b.take();
    Fixture f;
    f.s.load(model);
    QCOMPARE(f.s.text(), QStringLiteral(u"Logos kai\nἄλφα \u0081\u009D\n"));
    const styled::Document back = f.s.snapshot();
    QVERIFY2(back == model, qPrintable(back.describe() + QStringLiteral("\n") + model.describe()));
    // The surface's own readings agree with the model.
    f.s.selectRange(7, 1);
    QCOMPARE(f.s.fontName(), QStringLiteral("Arial"));
    QCOMPARE(f.s.fontSize(), 22);
    QCOMPARE(f.s.fontStyle(), surface::Bold | surface::Underline);
    QCOMPARE(f.s.alignment(), int(surface::AlignCentre));
    f.s.setSelStart(12);
    QCOMPARE(f.s.alignment(), int(surface::AlignRight));
    // Typing at the start takes the first character's format, as the caret shows it.
    styled::Document arial = styled::Document::fromPlainText(QStringLiteral("abc"), {QStringLiteral("Arial"), 22, surface::Bold});
    f.s.load(arial);
    f.s.typeText(QStringLiteral("x"));
    QCOMPARE(f.s.fontNameOfChar(0), QStringLiteral("Arial"));
    arial.paragraphs[0].runs[0].text.prepend(QLatin1Char('x'));
    QVERIFY(f.s.snapshot() == arial);
}

void TestEditor::loadIsOneStep()
{
    Fixture f;
    f.s.typeText(QStringLiteral("alt"));
    QVERIFY(f.s.canUndo());
    f.changes.clear();
    f.s.load(styled::Document::fromPlainText(QStringLiteral("neu\ntext")));
    QCOMPARE(f.changes.size(), 1);
    QCOMPARE(f.changes[0].origin, ChangeOrigin::Load);
    QCOMPARE(f.changes[0].removed, 3);
    QCOMPARE(f.changes[0].added, 8);
    QVERIFY(!f.s.canUndo()); // the history starts afresh
    QCOMPARE(f.s.selStart(), 0);
    // The editor still works on the new document: typing, notifications, layout.
    f.s.setSelStart(3);
    f.s.typeText(QStringLiteral("e"));
    QCOMPARE(f.s.text(), QStringLiteral("neue\ntext"));
    QCOMPARE(f.changes.size(), 2);
    QVERIFY(textEdit(f.s)->document()->documentLayout()->documentSize().height() > 0);
}

// The clipboard's road into the document, without an editor: which form is
// taken, and what comes of it.
void TestEditor::fromMimeWithoutEditor_data()
{
    QTest::addColumn<QString>("form"); // own, rtf, html, text, none
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("richText");
    QTest::addColumn<QByteArray>("expected"); // the model, described, in 8-bit codes; empty: nothing
    const styled::CharFormat arial{QStringLiteral("Arial"), 12, styled::Bold};
    QTest::newRow("own form, exact") << "own" << rtf::write(styled::Document::fromPlainText(QStringLiteral("ab"), arial)) << true
                                     << QByteArray("align 0: [Arial 12 1]\"ab\"");
    QTest::newRow("RTF, Greek to codes") << "rtf" << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 x \\u945?}") << true
                                         << QByteArray("align 0: [Arial 12 0]\"x \" [Greek 12 0]\"a\"");
    QTest::newRow("RTF not taken without rich text") << "rtf" << QByteArray("{\\rtf1 x}") << false << QByteArray();
    QTest::newRow("HTML, unformatted in the caret's format") << "html" << QByteArray("<p>eins</p><p><b>zwei</b></p>") << true
                                                             << QByteArray("align 0: [Greek 14 0]\"eins\" | align 0: [Greek 14 1]\"zwei\"");
    QTest::newRow("plain text in the caret's format and alignment") << "text" << QByteArray("logos\r\nkai") << true
                                                                    << QByteArray("align 1: [Greek 14 0]\"logos\" | align 1: [Greek 14 0]\"kai\"");
    QTest::newRow("plain Unicode Greek as codes") << "text" << QByteArray("λόγος") << true << QByteArray("align 1: [Greek 14 0]\"l\xd2goj\"");
    QTest::newRow("plain text, the ano teleia as a middle dot") << "text" << QByteArray("λόγος· λόγος, a·b") << true
                                                               << QByteArray("align 1: [Greek 14 0]\"l\xd2goj: l\xd2goj, a\xb7" "b\"");
    QTest::newRow("RTF of LibreOffice, the ano teleia in Gentium Plus")
        << "rtf" << QByteArray("{\\rtf1{\\fonttbl{\\f0 Gentium Plus;}}\\f0\\fs24 \\u955\\'3f\\u972\\'3f\\u947\\'3f\\u959\\'3f\\u962\\'3f\\u183\\'b7 x}")
        << true << QByteArray("align 0: [Greek 12 0]\"l\xd2goj:\" [Gentium Plus 12 0]\" x\"");
    QTest::newRow("no text") << "none" << QByteArray() << true << QByteArray();
}

void TestEditor::fromMimeWithoutEditor()
{
    QFETCH(QString, form);
    QFETCH(QByteArray, data);
    QFETCH(bool, richText);
    QFETCH(QByteArray, expected);
    QMimeData mime;
    if (form == QLatin1String("own"))
        mime.setData(QString::fromLatin1(mimeimport::kOwnMimeType), data);
    else if (form == QLatin1String("rtf"))
        mime.setData(QStringLiteral("text/rtf"), data);
    else if (form == QLatin1String("html"))
        mime.setHtml(QString::fromUtf8(data));
    else if (form == QLatin1String("text"))
        mime.setText(QString::fromUtf8(data));
    mimeimport::Place place;
    place.format = {QStringLiteral("Greek"), 14, 0};
    place.alignment = styled::AlignRight;
    place.richText = richText;
    const std::optional<styled::Document> d = mimeimport::fromMime(&mime, place);
    QCOMPARE(d.has_value(), !expected.isEmpty());
    if (d)
        QCOMPARE(d->describe(), codepage::decode(expected));
}

// What copy gives comes back by paste as it was; other programs get Unicode.
void TestEditor::toMimeAndBack()
{
    styled::DocumentBuilder b;
    b.setAlignment(styled::AlignCentre);
    b.append(codepage::decode("\x93Omhroj "), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral("und Rest"), {QStringLiteral("Arial"), 22, styled::Italic});
    const styled::Document part = b.take();
    std::unique_ptr<QMimeData> data(mimeimport::toMime(part));
    QCOMPARE(data->text(), QStringLiteral(u"Ὅμηρος und Rest"));
    QVERIFY(data->hasFormat(QStringLiteral("text/rtf")));
    const std::optional<styled::Document> back = mimeimport::fromMime(data.get(), {});
    QVERIFY(back.has_value());
    QVERIFY2(*back == part, qPrintable(back->describe()));
}

// A screen reader is handed the Unicode Greek the editor shows: a capital
// with its marks is one letter over two codes, the Arial run stays, and
// offsets, caret, selection and rectangles follow the codes on the screen.
void TestEditor::accessibleTextIsUnicode()
{
    Fixture f;
    const QString greek = QStringLiteral("Ἅνδρα μοι ἔννεπε");
    const QString codes = unicodegreek::importGreek(greek).codes;
    QCOMPARE(codes.size(), greek.size() + 1); // the capital's marks are a code of their own
    styled::Document model = styled::Document::fromPlainText(codes + QStringLiteral("\nMusa"),
                                                             {QStringLiteral("Greek"), styled::kDefaultSize, 0});
    model.paragraphs[1].runs[0].format.font = QStringLiteral("Arial");
    f.s.load(model);
    f.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.host));
    QTRY_VERIFY(f.s.layoutComplete());
    QTextEdit* e = textEdit(f.s);
    QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(e);
    QVERIFY(acc && acc->textInterface());
    QAccessibleTextInterface* t = acc->textInterface();
    const QString expected = greek + QStringLiteral("\nMusa");
    QCOMPARE(t->characterCount(), int(expected.size()));
    QCOMPARE(t->text(0, t->characterCount()), expected);
    QCOMPARE(acc->text(QAccessible::Value), expected);
    QCOMPARE(acc->role(), QAccessible::EditableText);
    QCOMPARE(acc->text(QAccessible::Name), QString()); // the window gives no name; the program's does

    auto qtRect = [&](int start, int end) {
        QTextCursor c(e->document());
        c.setPosition(start);
        QRect r = e->cursorRect(c);
        c.setPosition(end);
        r.setWidth(e->cursorRect(c).x() - r.x());
        return QRect(e->viewport()->mapToGlobal(r.topLeft()), r.size());
    };
    struct Case {
        int offset;    // in the Unicode text
        int position;  // of the code it begins at
        int codes;     // how many codes it stands for
    };
    const int musa = int(codes.size()) + 1;
    for (const Case& c : {Case{0, 0, 2}, Case{1, 2, 1}, Case{5, 6, 1}, Case{int(greek.size()) - 1, int(codes.size()) - 1, 1},
                          Case{int(greek.size()) + 1, musa, 1}, Case{int(greek.size()) + 3, musa + 2, 1}}) {
        QCOMPARE(t->characterRect(c.offset), qtRect(c.position, c.position + c.codes));
        QVERIFY(!t->characterRect(c.offset).isEmpty());
        // Anywhere on the letter, its left and right half alike.
        const QRect box = t->characterRect(c.offset);
        for (int x : {box.left() + 1, box.center().x(), box.right() - 1})
            QCOMPARE(t->offsetAtPoint(QPoint(x, box.center().y())), c.offset);
        f.s.setSelStart(c.position);
        QCOMPARE(t->cursorPosition(), c.offset);
    }
    // Caret and selection set by the reader land on the codes.
    t->setCursorPosition(1);
    QCOMPARE(f.s.selStart(), 2);
    t->setSelection(0, 0, 5);
    QCOMPARE(f.s.selStart(), 0);
    QCOMPARE(f.s.selLength(), 6);
    int s = -1, en = -1;
    t->selection(0, &s, &en);
    QCOMPARE(QPair(s, en), QPair(0, 5));
    QCOMPARE(t->selectionCount(), 1);
    t->removeSelection(0);
    QCOMPARE(t->selectionCount(), 0);
    // It follows typing.
    f.s.setSelStart(f.s.textLength());
    f.s.typeText(QStringLiteral("e"));
    QCOMPARE(t->text(t->characterCount() - 2, t->characterCount()), QStringLiteral("ae"));
    int from = 0, to = 0;
    QVERIFY(t->attributes(0, &from, &to).contains(QStringLiteral("Greek")));
    QCOMPARE(QPair(from, to), QPair(0, 1));
}

// A screen reader echoes what is typed from the change events: they carry
// the Unicode and its offsets, not the codes.
void TestEditor::accessibleEventsAreUnicode()
{
    Fixture f;
    f.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.host));
    QTextEdit* edit = textEdit(f.s);
    const QString capital = unicodegreek::importGreek(QStringLiteral("Ἅ")).codes; // two codes
    f.s.load(styled::Document::fromPlainText(capital + QStringLiteral("\xa5"), {QStringLiteral("Greek"), styled::kDefaultSize, 0}));
    auto* acc = dynamic_cast<CodedTextAccessible*>(QAccessible::queryAccessibleInterface(edit));
    QVERIFY(acc);
    QCOMPARE(acc->text(0, 2), QStringLiteral("Ἅἄ")); // the map is made
    // What Qt's editor tells (while a reader listens) after a typed letter...
    f.s.setSelStart(3);
    f.s.insertText(QStringLiteral("n"));
    QAccessibleTextInsertEvent typed(edit, 3, QStringLiteral("n"));
    std::unique_ptr<QAccessibleEvent> told = acc->translate(&typed);
    QVERIFY(told && told->type() == QAccessible::TextInserted);
    auto* inserted = static_cast<QAccessibleTextInsertEvent*>(told.get());
    QCOMPARE(inserted->textInserted(), QStringLiteral("ν"));
    QCOMPARE(inserted->changePosition(), 2); // behind the two letters of three codes
    QCOMPARE(inserted->cursorPosition(), 3);
    QCOMPARE(inserted->accessibleInterface(), acc);
    // ... and after the capital went: one letter, at offset 0.
    f.s.selectRange(0, 2);
    f.s.deleteSelection();
    QAccessibleTextRemoveEvent gone(edit, 0, QStringLiteral("  "));
    told = acc->translate(&gone);
    QVERIFY(told && told->type() == QAccessible::TextRemoved);
    auto* removed = static_cast<QAccessibleTextRemoveEvent*>(told.get());
    QCOMPARE(removed->changePosition(), 0);
    QCOMPARE(removed->textRemoved(), QStringLiteral("Ἅ"));
    QCOMPARE(removed->cursorPosition(), 0);
    // The caret and the selection told in codes become offsets.
    f.s.load(styled::Document::fromPlainText(capital + QStringLiteral("\xa5n"), {QStringLiteral("Greek"), styled::kDefaultSize, 0}));
    f.s.selectRange(2, 2);
    QAccessibleTextSelectionEvent selected(edit, 2, 4);
    told = acc->translate(&selected);
    QVERIFY(told && told->type() == QAccessible::TextSelectionChanged);
    QCOMPARE(static_cast<QAccessibleTextSelectionEvent*>(told.get())->selectionStart(), 1);
    QCOMPARE(static_cast<QAccessibleTextSelectionEvent*>(told.get())->selectionEnd(), 3);
    QAccessibleEvent focus(edit, QAccessible::Focus);
    QVERIFY(!acc->translate(&focus)); // other events stay as they are
}

// The zoom enlarges what the editor shows (caret places, line heights,
// the picture) by its factor and leaves the document as it is.
void TestEditor::zoomScalesTheViewOnly_data()
{
    QTest::addColumn<int>("zoom");
    QTest::newRow("50") << 50;
    QTest::newRow("150") << 150;
    QTest::newRow("200") << 200;
    QTest::newRow("400") << 400;
}

void TestEditor::zoomScalesTheViewOnly()
{
    QFETCH(int, zoom);
    Fixture f;
    f.s.widget()->resize(2000, 400); // no line wraps at any zoom
    styled::Document model = styled::Document::fromPlainText(QStringLiteral("\xa5ndra moi ennepe\nmousa"),
                                                             {QStringLiteral("Greek"), styled::kDefaultSize, 0});
    model.paragraphs[1].runs[0].format.size = 28; // an explicit size scales as the default one does
    f.s.load(model);
    f.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.host));
    QTRY_VERIFY(f.s.layoutComplete());
    QTextEdit* e = textEdit(f.s);
    auto caretX = [&](int pos) {
        QTextCursor c(e->document());
        c.setPosition(pos);
        return e->cursorRect(c).x();
    };
    auto lineHeight = [&](int block) { return e->document()->documentLayout()->blockBoundingRect(e->document()->findBlockByNumber(block)).height(); };
    const int x0 = caretX(0), x5 = caretX(5), second = caretX(f.s.text().indexOf(QLatin1Char('\n')) + 4);
    const qreal h0 = lineHeight(0), h1 = lineHeight(1);
    const QByteArray rtf = rtf::write(f.s.snapshot());

    f.s.setZoom(zoom);
    QCOMPARE(f.s.zoom(), zoom);
    QTRY_VERIFY(f.s.layoutComplete());
    const double k = zoom / 100.0;
    QVERIFY2(std::abs((caretX(5) - caretX(0)) - (x5 - x0) * k) <= 2, qPrintable(QString::number(caretX(5) - caretX(0))));
    QVERIFY(std::abs((caretX(f.s.text().indexOf(QLatin1Char('\n')) + 4) - caretX(0)) - (second - x0) * k) <= 3);
    QVERIFY2(std::abs(lineHeight(0) - h0 * k) <= 2, qPrintable(QStringLiteral("%1 %2").arg(lineHeight(0)).arg(h0)));
    QVERIFY2(std::abs(lineHeight(1) - h1 * k) <= 2, qPrintable(QStringLiteral("%1 %2").arg(lineHeight(1)).arg(h1)));
    // The document, its sizes and what is saved stay.
    QCOMPARE(rtf::write(f.s.snapshot()), rtf);
    QCOMPARE(f.s.fontSize(), styled::kDefaultSize);
    // A document loaded while zoomed is shown zoomed as well.
    f.s.load(model);
    QTRY_VERIFY(f.s.layoutComplete());
    QVERIFY(std::abs(lineHeight(0) - h0 * k) <= 2);
    f.s.setZoom(100);
    QTRY_VERIFY(f.s.layoutComplete());
    QCOMPARE(lineHeight(0), h0);
    QCOMPARE(caretX(5), x5);
}

void TestEditor::zoomKeysAndWheel()
{
    Fixture f;
    QSignalSpy told(&f.s, &RichTextSurface::zoomChanged);
    QWidget* e = f.s.widget();
    struct Step {
        QKeyCombination key;
        int zoom;
    };
    const Step steps[] = {{Qt::ControlModifier | Qt::Key_Plus, 110},  {Qt::ControlModifier | Qt::Key_Plus, 125},
                          {Qt::ControlModifier | Qt::Key_Equal, 150}, {Qt::ControlModifier | Qt::Key_0, 100},
                          {Qt::ControlModifier | Qt::Key_Minus, 90},  {Qt::ControlModifier | Qt::Key_Minus, 80}};
    for (const Step& s : steps) {
        QTest::keyClick(e, s.key.key(), s.key.keyboardModifiers());
        QCOMPARE(f.s.zoom(), s.zoom);
    }
    QCOMPARE(told.size(), 6);
    QCOMPARE(f.s.text(), QString()); // none of them typed anything
    // The limits hold.
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(e, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(f.s.zoom(), RichTextSurface::kZoomMin);
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(e, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(f.s.zoom(), RichTextSurface::kZoomMax);
    f.s.setZoom(1000);
    QCOMPARE(f.s.zoom(), RichTextSurface::kZoomMax);
    // Ctrl with the wheel: a notch a step; half notches add up; without Ctrl it scrolls.
    f.s.setZoom(100);
    QTextEdit* edit = textEdit(f.s);
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent w(QPointF(10, 10), edit->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit->viewport(), &w);
    };
    wheel(120, Qt::ControlModifier);
    QCOMPARE(f.s.zoom(), 110);
    wheel(60, Qt::ControlModifier);
    QCOMPARE(f.s.zoom(), 110);
    wheel(60, Qt::ControlModifier);
    QCOMPARE(f.s.zoom(), 125);
    wheel(-240, Qt::ControlModifier);
    QCOMPARE(f.s.zoom(), 100);
    wheel(-120, Qt::NoModifier);
    QCOMPARE(f.s.zoom(), 100);
}

void TestEditor::redoAfterUndo()
{
    Fixture f;
    QVERIFY(!f.s.canRedo());
    f.s.typeText(QStringLiteral("ab"));
    f.s.undo();
    QCOMPARE(f.s.text(), QString());
    QVERIFY(f.s.canRedo());
    f.changes.clear();
    f.s.redo();
    QCOMPARE(f.s.text(), QStringLiteral("ab"));
    QVERIFY(!f.s.canRedo());
    QVERIFY(!f.changes.isEmpty());
    QCOMPARE(f.changes.last().origin, ChangeOrigin::UndoRedo); // never composed as typing
    // The editor's own redo key (Ctrl+Shift+Z) as well.
    f.s.undo();
    QTest::keyClick(f.s.widget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.s.text(), QStringLiteral("ab"));
}

// A drop of local files hands them on and enters nothing; a drop of text
// (or of a web address) enters it as before.
void TestEditor::droppedFilesAreNotText_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("entered");
    QTest::newRow("one file") << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/a b.rtf"))} << QStringLiteral("/tmp/a b.rtf")
                              << QStringList{QStringLiteral("/tmp/a b.rtf")} << QString();
    QTest::newRow("two files") << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/x.sri")), QUrl::fromLocalFile(QStringLiteral("/tmp/y.txt"))}
                               << QString() << QStringList{QStringLiteral("/tmp/x.sri"), QStringLiteral("/tmp/y.txt")} << QString();
    QTest::newRow("text") << QList<QUrl>{} << QStringLiteral("logos") << QStringList{} << QStringLiteral("logos");
    QTest::newRow("web address") << QList<QUrl>{QUrl(QStringLiteral("https://example.org/x.rtf"))}
                                 << QStringLiteral("https://example.org/x.rtf") << QStringList{}
                                 << QStringLiteral("https://example.org/x.rtf");
}

void TestEditor::droppedFilesAreNotText()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    QFETCH(QStringList, files);
    QFETCH(QString, entered);
    Fixture f;
    f.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.host));
    QSignalSpy dropped(&f.s, &RichTextSurface::filesDropped);
    QMimeData data;
    if (!urls.isEmpty())
        data.setUrls(urls);
    if (!text.isEmpty())
        data.setText(text);
    QWidget* viewport = textEdit(f.s)->viewport();
    const QPointF at(20, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(f.s.text(), entered);
    QCOMPARE(dropped.size(), files.isEmpty() ? 0 : 1);
    if (!files.isEmpty())
        QCOMPARE(dropped.first().first().toStringList(), files);
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
