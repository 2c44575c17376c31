#include "composer.h"
#include "resultcodes.h"
#include "typingharness.h"

#include <QtTest>

#include <QClipboard>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

Q_DECLARE_METATYPE(std::string)

namespace {

const QChar kAccents[] = {QChar(), QChar(0x00B4), QChar(u'`'), QChar(u'^')};

// What a dead-key keyboard delivers for accent + vowel.
QChar latin1Vowel(char letter, int accent)
{
    static const char* vowels = "aeiou";
    static const QString forms[] = {QString(), QStringLiteral(u"áéíóú"), QStringLiteral(u"àèìòù"),
                                    QStringLiteral(u"âêîôû")};
    const char* p = std::strchr(vowels, letter);
    return forms[accent][int(p - vowels)];
}

bool takesLatin1(char letter) { return std::strchr("aeiou", letter) != nullptr; }

// The window a German keyboard hands the engine for the last keystroke of breathing + accent + letter.
QString windowFor(char letter, int breathing, int accent)
{
    QString w = QString::fromLatin1(kBreathings[breathing]);
    if (accent && takesLatin1(letter))
        return w + latin1Vowel(letter, accent);
    if (accent)
        w += kAccents[accent];
    return w + QLatin1Char(letter);
}

// The keys typed for it, accents as dead keys.
QString keysFor(char letter, int breathing, int accent)
{
    QString k = QString::fromLatin1(kBreathings[breathing]);
    if (accent)
        k += kAccents[accent];
    return k + QLatin1Char(letter);
}

QByteArray bytes(const QString& s) { return codepage::encode(s); }

std::string str(std::initializer_list<int> list)
{
    std::string s;
    for (int c : list)
        s.push_back(char(c));
    return s;
}

} // namespace

class TestGreek : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void engineResultCodes_data();
    void engineResultCodes();
    void engineRules_data();
    void engineRules();
    void methodFormUpdatesRegisters();

    void deadKeyCombine_data();
    void deadKeyCombine();

    void typedSequences_data();
    void typedSequences();
    void typedResultCodes_data();
    void typedResultCodes();
    void guards_data();
    void guards();
    void windowNearStart_data();
    void windowNearStart();
    void caretAtStartAfterDeletion();
    void walkStopsAtOtherFont();
    void unchangedWindowIsLeftAlone();
    void rewriteKeepsFormatting();
    void undoAfterComposition();
    void deletionDoesNotRecompose_data();
    void deletionDoesNotRecompose();
    void pasteComposesTail();
    void paragraphBreakCutsWindow();
    void enteredCodesStay_data();
    void enteredCodesStay();
    void undoAfterComposedPaste();
    void undoSteps_data();
    void undoSteps();
    void undoRestoresWhatItRecorded_data();
    void undoRestoresWhatItRecorded();
    void fieldsTakeNoInputMethod();
};

void TestGreek::initTestCase()
{
    QVERIFY(resources::registerGreekFont().isEmpty());
    DeadKeyLayer::install();
}

// --- engine -----------------------------------------------------------------

void TestGreek::engineResultCodes_data()
{
    QTest::addColumn<QByteArray>("window");
    QTest::addColumn<int>("expected");
    for (const ResultRow& row : kResultCodes) {
        for (int b = 0; b < 3; ++b) {
            for (int a = 0; a < 4; ++a) {
                const int code = row.codes[b * 4 + a];
                if (!code)
                    continue;
                const QString w = windowFor(row.letter, b, a);
                QTest::addRow("%c %s %s", row.letter, kBreathings[b], kAccentNames[a]) << bytes(w) << code;
            }
        }
    }
    // The iota mark typed first.
    QTest::newRow("+ a") << bytes(QStringLiteral("+a")) << 118;
    QTest::newRow("+ h") << bytes(QStringLiteral("+h")) << 86;
    QTest::newRow("+ w") << bytes(QStringLiteral("+w")) << 74;
    for (const ResultRow& row : kResultCodes) {
        if (row.letter != 'a')
            continue;
        for (int b = 0; b < 3; ++b)
            for (int a = 0; a < 4; ++a)
                if (b || a)
                    QTest::addRow("+ a %s %s", kBreathings[b], kAccentNames[a])
                        << bytes(QLatin1Char('+') + windowFor('a', b, a)) << row.codes[b * 4 + a] + 11;
    }
    QTest::newRow("+ h acute") << bytes(QStringLiteral(u"+´h")) << 199;
    QTest::newRow("+ h grave") << bytes(QStringLiteral(u"+`h")) << 202;
    QTest::newRow("+ h circumflex") << bytes(QStringLiteral(u"+^h")) << 205;
    QTest::newRow("+ h <") << bytes(QStringLiteral("+<h")) << 197;
    QTest::newRow("+ h >") << bytes(QStringLiteral("+>h")) << 198;
    QTest::newRow("+ h < acute, four characters") << bytes(QStringLiteral(u"+<´h")) << 200;
    QTest::newRow("+ w acute") << bytes(QStringLiteral(u"+´w")) << 243;
    QTest::newRow("+ w grave") << bytes(QStringLiteral(u"+`w")) << 246;
    QTest::newRow("+ w circumflex") << bytes(QStringLiteral(u"+^w")) << 249;
    QTest::newRow("+ w <") << bytes(QStringLiteral("+<w")) << 241;
    QTest::newRow("+ w >") << bytes(QStringLiteral("+>w")) << 242;
    QTest::newRow("+ w > circumflex, four characters") << bytes(QStringLiteral(u"+>^w")) << 251;
}

void TestGreek::engineResultCodes()
{
    QFETCH(QByteArray, window);
    QFETCH(int, expected);
    const greek::Composition c = greek::compose(window.toStdString());
    QCOMPARE(QByteArray::fromStdString(c.text), QByteArray(1, char(expected)));
    QCOMPARE(c.delta, 1 - int(window.size()));
}

void TestGreek::engineRules_data()
{
    QTest::addColumn<std::string>("window");
    QTest::addColumn<std::string>("expected");
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("fresh");

    QTest::newRow("empty") << str({}) << str({}) << 0 << true;
    QTest::newRow("a acute alone") << str({225}) << str({163}) << 0 << true;
    QTest::newRow("< a") << str({'<', 'a'}) << str({161}) << -1 << true;
    QTest::newRow("< a acute") << str({'<', 225}) << str({164}) << -1 << true;
    QTest::newRow("+ < a") << str({'+', '<', 'a'}) << str({172}) << -2 << true;
    QTest::newRow("+ < a acute") << str({'+', '<', 225}) << str({175}) << -2 << true;
    QTest::newRow("acute h") << str({180, 'h'}) << str({187}) << -1 << true;
    QTest::newRow("< acute h") << str({'<', 180, 'h'}) << str({188}) << -2 << true;
    QTest::newRow("circumflex w") << str({94, 'w'}) << str({238}) << -1 << true;
    QTest::newRow("< r") << str({'<', 'r'}) << str({183}) << -1 << true;
    QTest::newRow("> r drops the mark") << str({'>', 'r'}) << str({'r'}) << -1 << true;
    QTest::newRow("mark after the letter") << str({'a', 180}) << str({'a', 180}) << 0 << true;
    QTest::newRow("e circumflex stays") << str({234}) << str({234}) << 0 << true;
    QTest::newRow("o circumflex stays") << str({244}) << str({244}) << 0 << true;
    QTest::newRow("< b") << str({'<', 'b'}) << str({'b'}) << -1 << true;
    QTest::newRow("< <") << str({'<', '<'}) << str({'<'}) << -1 << true;
    QTest::newRow("< >") << str({'<', '>'}) << str({'>'}) << -1 << true;
    QTest::newRow("< +") << str({'<', '+'}) << str({'+'}) << -1 << true;
    QTest::newRow("< + a") << str({'<', '+', 'a'}) << str({'<', 118}) << -1 << true;
    QTest::newRow("< space") << str({'<', ' '}) << str({'<', ' '}) << 0 << true;
    QTest::newRow("+ b keeps the iota mark") << str({'+', 'b'}) << str({'+', 'b'}) << 0 << true;
    QTest::newRow("< A") << str({'<', 'A'}) << str({96, 'A'}) << 0 << true;
    QTest::newRow("> A") << str({'>', 'A'}) << str({39, 'A'}) << 0 << true;
    QTest::newRow("x < A") << str({'x', '<', 'A'}) << str({'x', 96, 'A'}) << 0 << true;
    QTest::newRow("acute < A") << str({180, '<', 'A'}) << str({147, 'A'}) << -1 << true;
    QTest::newRow("grave < E") << str({96, '<', 'E'}) << str({149, 'E'}) << -1 << true;
    QTest::newRow("circumflex < I") << str({94, '<', 'I'}) << str({145, 'I'}) << -1 << true;
    QTest::newRow("acute > O") << str({180, '>', 'O'}) << str({148, 'O'}) << -1 << true;
    QTest::newRow("grave > H") << str({96, '>', 'H'}) << str({150, 'H'}) << -1 << true;
    QTest::newRow("circumflex > W") << str({94, '>', 'W'}) << str({146, 'W'}) << -1 << true;
    QTest::newRow("acute A without breathing") << str({180, 'A'}) << str({180, 'A'}) << 0 << true;
    QTest::newRow("capital alone") << str({'A'}) << str({'A'}) << 0 << true;
    QTest::newRow("capital R takes a breathing") << str({'<', 'R'}) << str({96, 'R'}) << 0 << true;
    QTest::newRow("accent mark last skips breathing") << str({'<', 180}) << str({'<', 180}) << 0 << true;
    QTest::newRow("< before composed acute") << str({'<', 187}) << str({188}) << -1 << true;
    QTest::newRow("> before composed acute") << str({'>', 232}) << str({234}) << -1 << false;
    QTest::newRow("> before fresh e grave") << str({'>', 232}) << str({159}) << -1 << true;
    QTest::newRow("stale u circumflex stays") << str({'x', 224}) << str({'x', 224}) << 0 << false;
    QTest::newRow("stale omega circumflex stays") << str({'x', 238}) << str({'x', 238}) << 0 << false;
    QTest::newRow("stale code still takes a breathing") << str({'<', 238}) << str({239}) << -1 << false;
    QTest::newRow("high codes pass") << str({255, 254}) << str({255, 254}) << 0 << true;
}

void TestGreek::engineRules()
{
    QFETCH(std::string, window);
    QFETCH(std::string, expected);
    QFETCH(int, delta);
    QFETCH(bool, fresh);
    const greek::Composition c = greek::compose(window, fresh);
    QCOMPARE(c.text, expected);
    QCOMPARE(c.delta, delta);
    QCOMPARE(int(c.text.size()), int(window.size()) + delta);
}

void TestGreek::methodFormUpdatesRegisters()
{
    SharedState st;
    st.ComposeBuffer = str({'+', '<', 225, 'z'}); // only the first three belong to the window
    st.ComposeCount = 3;
    st.ComposeCaret = 10;
    greek::Sonderzeichen(st);
    QCOMPARE(st.ComposeBuffer, str({175}));
    QCOMPARE(st.ComposeDelta, -2);
    QCOMPARE(st.ComposeCaret, 8);

    st.ComposeBuffer.clear();
    st.ComposeCount = 0;
    st.ComposeCaret = 0;
    greek::Sonderzeichen(st);
    QCOMPARE(st.ComposeCaret, 0);
    QCOMPARE(st.ComposeDelta, 0);
}

// --- dead keys ---------------------------------------------------------------

void TestGreek::deadKeyCombine_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::newRow("acute a") << QStringLiteral(u"´a") << QStringLiteral(u"á");
    QTest::newRow("grave E") << QStringLiteral(u"`E") << QStringLiteral(u"È");
    QTest::newRow("circumflex u") << QStringLiteral(u"^u") << QStringLiteral(u"û");
    QTest::newRow("circumflex o") << QStringLiteral(u"^o") << QStringLiteral(u"ô");
    QTest::newRow("acute h") << QStringLiteral(u"´h") << QStringLiteral(u"´h");
    QTest::newRow("acute y is no vowel") << QStringLiteral(u"´y") << QStringLiteral(u"´y");
    QTest::newRow("acute space") << QStringLiteral(u"´ ") << QStringLiteral(u"´");
    QTest::newRow("grave space") << QStringLiteral(u"` ") << QStringLiteral(u"`");
    QTest::newRow("circumflex twice") << QStringLiteral(u"^^") << QStringLiteral(u"^");
    QTest::newRow("acute then circumflex a") << QStringLiteral(u"´^a") << QStringLiteral(u"´â");
    QTest::newRow("acute before <") << QStringLiteral(u"´<") << QStringLiteral(u"´<");
}

void TestGreek::deadKeyCombine()
{
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    TypingHarness h;
    h.fontBox = QStringLiteral("Arial"); // the dead keys alone, nothing composed
    h.type(keys);
    QCOMPARE(h.surface.text(), expected);
}

// --- pipeline -----------------------------------------------------------------

void TestGreek::typedSequences_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("< a at the end") << QStringLiteral("xyz<a") << codes({'x', 'y', 'z', 161}) << 4;
    QTest::newRow("acute < A") << QStringLiteral(u"xyz´<A") << codes({'x', 'y', 'z', 147, 'A'}) << 5;
    QTest::newRow("+ < acute h: the plus stays") << QStringLiteral(u"xyz+<´h")
                                                 << codes({'x', 'y', 'z', '+', 188}) << 5;
    QTest::newRow("+ < acute a") << QStringLiteral(u"xyz+<´a") << codes({'x', 'y', 'z', 175}) << 4;
    QTest::newRow("acute space gives the mark") << QStringLiteral(u"xyz´ ") << codes({'x', 'y', 'z', 180}) << 4;
    QTest::newRow("< space stays") << QStringLiteral("xyz< ") << codes({'x', 'y', 'z', '<', ' '}) << 5;
    QTest::newRow("a word") << QStringLiteral(u"<´anqrwpos") << codes({164, 'n', 'q', 'r', 'w', 'p', 'o', 's'}) << 8;
    QTest::newRow("circumflex w in a word") << QStringLiteral(u"t^w") << codes({'t', 238}) << 2;
    QTest::newRow("> r") << QStringLiteral("xyz>r") << codes({'x', 'y', 'z', 'r'}) << 4;
    QTest::newRow("< then + then a") << QStringLiteral("xyz<+a") << codes({'x', 'y', 'z', 118}) << 4;
    QTest::newRow("capital without breathing") << QStringLiteral(u"´ A") << codes({180, 'A'}) << 2;
    QTest::newRow("dead acute on a capital") << QStringLiteral(u"´A") << codes({193}) << 1;
}

void TestGreek::typedSequences()
{
    QFETCH(QString, keys);
    QFETCH(QByteArray, expected);
    QFETCH(int, caret);
    TypingHarness h;
    h.type(keys);
    QCOMPARE(h.codes(), expected);
    QCOMPARE(h.surface.selStart(), caret);
    QCOMPARE(h.surface.selLength(), 0);
}

void TestGreek::typedResultCodes_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("expected");
    for (const ResultRow& row : kResultCodes)
        for (int b = 0; b < 3; ++b)
            for (int a = 0; a < 4; ++a)
                if (const int code = row.codes[b * 4 + a])
                    QTest::addRow("%c %s %s", row.letter, kBreathings[b], kAccentNames[a])
                        << keysFor(row.letter, b, a) << code;
}

void TestGreek::typedResultCodes()
{
    QFETCH(QString, keys);
    QFETCH(int, expected);
    TypingHarness h;
    h.type(QStringLiteral("kai "));
    h.type(keys);
    QCOMPARE(h.codes(), QByteArray("kai ") + char(expected));
    QCOMPARE(h.surface.selStart(), 5);
}

void TestGreek::guards_data()
{
    QTest::addColumn<QString>("fontBox");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("loading");
    QTest::addColumn<bool>("composes");
    QTest::newRow("Greek") << QStringLiteral("Greek") << true << false << true;
    QTest::newRow("Arial") << QStringLiteral("Arial") << true << false << false;
    QTest::newRow("lower case greek") << QStringLiteral("greek") << true << false << false;
    QTest::newRow("upper case GREEK") << QStringLiteral("GREEK") << true << false << false;
    QTest::newRow("trailing blank") << QStringLiteral("Greek ") << true << false << false;
    QTest::newRow("disarmed") << QStringLiteral("Greek") << false << false << false;
    QTest::newRow("loading") << QStringLiteral("Greek") << true << true << false;
}

void TestGreek::guards()
{
    QFETCH(QString, fontBox);
    QFETCH(bool, armed);
    QFETCH(bool, loading);
    QFETCH(bool, composes);
    TypingHarness h;
    h.fontBox = fontBox;
    h.state.ComposeArmed = armed;
    h.state.LoadingDocument = loading;
    h.type(QStringLiteral("xy<a"));
    QCOMPARE(h.codes(), composes ? codes({'x', 'y', 161}) : QByteArray("xy<a"));
    QCOMPARE(h.surface.selStart(), composes ? 3 : 4);
}

void TestGreek::windowNearStart_data()
{
    QTest::addColumn<int>("arialChars"); // how many characters at the start are set in Arial
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("expected");
    // Below position 4 the window is everything before the caret, whatever its font.
    QTest::newRow("caret 2, mark in Arial") << 1 << QStringLiteral("<a") << codes({161});
    QTest::newRow("caret 3, mark in Arial") << 2 << QStringLiteral("x<a") << codes({'x', 161});
    QTest::newRow("caret 3, all Greek") << 0 << QStringLiteral("x<a") << codes({'x', 161});
}

void TestGreek::windowNearStart()
{
    QFETCH(int, arialChars);
    QFETCH(QString, keys);
    QFETCH(QByteArray, expected);
    TypingHarness h;
    h.fontBox = QStringLiteral("Arial");
    h.type(keys.left(keys.size() - 1));
    h.surface.selectRange(0, arialChars);
    h.surface.setFontName(QStringLiteral("Arial"));
    h.surface.setSelStart(keys.size() - 1);
    h.surface.setFontName(QStringLiteral("Greek"));
    h.fontBox = QStringLiteral("Greek");
    h.type(keys.right(1));
    QCOMPARE(h.codes(), expected);
}

void TestGreek::caretAtStartAfterDeletion()
{
    TypingHarness h;
    h.type(QStringLiteral("<ab"));
    QCOMPARE(h.codes(), codes({161, 'b'}));
    h.surface.setSelStart(1);
    h.key(Qt::Key_Backspace); // the window before the caret is empty now
    QCOMPARE(h.codes(), QByteArray("b"));
    QCOMPARE(h.surface.selStart(), 0);
    h.key(Qt::Key_Delete);
    QCOMPARE(h.codes(), QByteArray());
    QCOMPARE(h.surface.selStart(), 0);
}

void TestGreek::walkStopsAtOtherFont()
{
    TypingHarness h;
    h.fontBox = QStringLiteral("Arial");
    h.type(QStringLiteral(u"wxyz´ ")); // the space gives the bare mark
    h.surface.selectRange(0, 5);
    h.surface.setFontName(QStringLiteral("Arial"));
    h.surface.setSelStart(5);
    h.surface.setFontName(QStringLiteral("Greek"));
    h.fontBox = QStringLiteral("Greek");
    h.type(QStringLiteral("h")); // the accent before it is Arial text: only h is in the window
    QCOMPARE(h.codes(), QByteArray("wxyz\xB4h"));

    // With the mark in Greek as well, the walk reaches it.
    TypingHarness g;
    g.type(QStringLiteral("wxyz"));
    g.surface.selectRange(0, 4);
    g.surface.setFontName(QStringLiteral("Arial"));
    g.surface.setSelStart(4);
    g.surface.setFontName(QStringLiteral("Greek"));
    g.type(QStringLiteral(u"´h"));
    QCOMPARE(g.codes(), codes({'w', 'x', 'y', 'z', 187}));
}

void TestGreek::unchangedWindowIsLeftAlone()
{
    TypingHarness h;
    h.type(QStringLiteral("ab"));
    h.surface.selectRange(0, 2);
    h.surface.setFontStyle(surface::Bold);
    h.surface.setSelStart(2);
    h.surface.setFontStyle(0);
    QTextDocument* doc = h.edit()->document();
    const int steps = doc->availableUndoSteps();
    h.type(QStringLiteral("c"));
    QCOMPARE(h.codes(), QByteArray("abc"));
    QCOMPARE(doc->availableUndoSteps(), steps + 1); // the keystroke, nothing else
    h.surface.selectRange(0, 1);
    QCOMPARE(h.surface.fontStyle(), int(surface::Bold));
    h.surface.selectRange(1, 1);
    QCOMPARE(h.surface.fontStyle(), int(surface::Bold));
    h.surface.selectRange(2, 1);
    QCOMPARE(h.surface.fontStyle(), 0);
}

void TestGreek::rewriteKeepsFormatting()
{
    TypingHarness h;
    h.type(QStringLiteral("xy<"));
    h.surface.selectRange(0, 1);
    h.surface.setFontStyle(surface::Bold);
    h.surface.setSelStart(3);
    h.surface.setFontStyle(surface::Italic);
    h.type(QStringLiteral("a")); // window "y < a": y stays, 161 takes the typed letter's italic
    QCOMPARE(h.codes(), codes({'x', 'y', 161}));
    const int expected[] = {surface::Bold, 0, surface::Italic};
    for (int i = 0; i < 3; ++i) {
        h.surface.selectRange(i, 1);
        QCOMPARE(h.surface.fontStyle(), expected[i]);
    }
}

void TestGreek::undoAfterComposition()
{
    TypingHarness h;
    h.type(QStringLiteral("kai <"));
    h.type(QStringLiteral("a"));
    QCOMPARE(h.codes(), codes({'k', 'a', 'i', ' ', 161}));
    h.key(Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier);
    QCOMPARE(h.codes(), QByteArray("kai <"));
    QCOMPARE(h.surface.selStart(), 5);
    h.surface.undo();
    QCOMPARE(h.codes(), QByteArray("kai "));
}

void TestGreek::deletionDoesNotRecompose_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("backspace");
    QTest::newRow("omega circumflex, Backspace") << 238 << true;
    QTest::newRow("omega circumflex, Delete") << 238 << false;
    QTest::newRow("upsilon circumflex, Backspace") << 224 << true;
    QTest::newRow("omega acute, Delete") << 232 << false;
}

void TestGreek::deletionDoesNotRecompose()
{
    QFETCH(int, code);
    QFETCH(bool, backspace);
    TypingHarness h;
    h.type(QStringLiteral("kai "));
    h.fontBox = QStringLiteral("Arial");
    h.surface.typeText(QString(codepage::toChar(uchar(code))) + QLatin1Char('x'));
    h.fontBox = QStringLiteral("Greek");
    if (backspace) {
        h.key(Qt::Key_Backspace);
    } else {
        h.surface.setSelStart(5);
        h.key(Qt::Key_Delete);
    }
    QCOMPARE(h.codes(), QByteArray("kai ") + char(code));
}

void TestGreek::pasteComposesTail()
{
    TypingHarness h;
    h.type(QStringLiteral("kai "));
    QGuiApplication::clipboard()->setText(QStringLiteral("<a<a"));
    h.surface.paste();
    // Only the last up to three characters of the pasted text are in the window.
    QCOMPARE(h.codes(), codes({'k', 'a', 'i', ' ', '<', 'a', 161}));
    QCOMPARE(h.surface.selStart(), 7);
}

void TestGreek::paragraphBreakCutsWindow()
{
    TypingHarness h;
    h.type(QStringLiteral("xyz<"));
    h.key(Qt::Key_Return, QStringLiteral("\r"));
    h.type(QStringLiteral("a"));
    QCOMPARE(h.surface.text(), QStringLiteral("xyz<\na"));
    // A pasted letter without an 8-bit code (Coptic, which the font has not) cuts the window as well.
    QGuiApplication::clipboard()->setText(QStringLiteral(u"<Ϣ"));
    h.surface.paste();
    h.type(QStringLiteral("b"));
    QCOMPARE(h.surface.text(), QStringLiteral(u"xyz<\na<Ϣb"));
}

// The codes a dead key gives on a vowel (á, û, ...) are letters of "Greek"
// as well (ποιῶ ends in 238): entered other than by the keyboard, they stay.
enum class Entry { PastePlain, PasteHtml, Drop, CharacterMap, SetText, Load };
Q_DECLARE_METATYPE(Entry)

void TestGreek::enteredCodesStay_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<int>("code");
    const std::pair<Entry, const char*> entries[] = {
        {Entry::PastePlain, "paste"},      {Entry::PasteHtml, "rich paste"}, {Entry::Drop, "drop"},
        {Entry::CharacterMap, "character map"}, {Entry::SetText, "setText"}, {Entry::Load, "load"},
    };
    for (const auto& [entry, name] : entries)
        for (int code = 0; code < 256; ++code)
            if (greek::DeadKeyVowels.has(uchar(code)))
                QTest::addRow("%s %d", name, code) << entry << code;
}

void TestGreek::enteredCodesStay()
{
    QFETCH(Entry, entry);
    QFETCH(int, code);
    TypingHarness h;
    h.type(QStringLiteral("poi"));
    const QString ch(codepage::toChar(uchar(code)));
    auto mime = [&] {
        auto* m = new QMimeData;
        if (entry == Entry::PasteHtml)
            m->setHtml(QStringLiteral("<span style=\"font-family:Greek\">%1</span>").arg(ch));
        else
            m->setText(ch);
        return m;
    };
    switch (entry) {
    case Entry::PastePlain:
    case Entry::PasteHtml:
        QGuiApplication::clipboard()->setMimeData(mime());
        h.surface.paste();
        break;
    case Entry::Drop: {
        h.host.show();
        std::unique_ptr<QMimeData> data(mime());
        QWidget* viewport = h.edit()->viewport();
        const QPoint end = h.edit()->cursorRect().center();
        QDragEnterEvent enter(end, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(end, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        break;
    }
    case Entry::CharacterMap: h.surface.insertText(ch); break;
    case Entry::SetText: h.surface.setText(QStringLiteral("poi") + ch); break;
    case Entry::Load: h.surface.load(styled::Document::fromPlainText(QStringLiteral("poi") + ch)); break;
    }
    QCOMPARE(h.codes(), QByteArray("poi") + char(code));
}

void TestGreek::undoAfterComposedPaste()
{
    TypingHarness h;
    h.type(QStringLiteral("kai "));
    QGuiApplication::clipboard()->setText(QStringLiteral("<a"));
    h.surface.paste();
    QCOMPARE(h.codes(), codes({'k', 'a', 'i', ' ', 161}));
    h.surface.undo(); // one press takes paste and rewrite back together
    QCOMPARE(h.codes(), QByteArray("kai "));
    QVERIFY(h.edit()->document()->isRedoAvailable());
    h.edit()->redo();
    QCOMPARE(h.codes(), codes({'k', 'a', 'i', ' ', 161}));
}

// Each keystroke with its rewrite is one step, a deletion is one of its own,
// and undo reaches back to the empty document.
void TestGreek::undoSteps_data()
{
    QTest::addColumn<QString>("script"); // t: type the rest of the word, D: select all and delete, A: select all, B: Backspace
    QTest::addColumn<QStringList>("afterEachUndo");
    QTest::newRow("two keystrokes") << "txy" << QStringList{"x", ""};
    QTest::newRow("delete then type") << "tabc D tx" << QStringList{"", "abc", "ab", "a", ""};
    QTest::newRow("composed keystroke") << QStringLiteral("tk<a") << QStringList{"k<", "k", ""};
    QTest::newRow("backspace") << "tab B" << QStringList{"ab", "a", ""};
}

void TestGreek::undoSteps()
{
    QFETCH(QString, script);
    QFETCH(QStringList, afterEachUndo);
    TypingHarness h;
    for (const QString& step : script.split(QLatin1Char(' '))) {
        if (step.startsWith(QLatin1Char('t'))) {
            for (QChar c : step.mid(1))
                h.type(QString(c)); // one key at a time, as people type
        } else if (step == QLatin1String("D")) {
            h.surface.selectRange(0, h.surface.textLength());
            h.surface.deleteSelection();
        } else if (step == QLatin1String("B")) {
            h.key(Qt::Key_Backspace);
        }
    }
    for (const QString& expected : afterEachUndo) {
        h.surface.undo();
        QCOMPARE(codepage::decode(h.codes()), expected);
    }
    QVERIFY(!h.surface.canUndo());
}

// Undo and redo bring back exactly the text they recorded: a literal "<a"
// before the caret (loaded, or typed while the font box showed another font)
// is not composed by them, and redo still has what was undone.
void TestGreek::undoRestoresWhatItRecorded_data()
{
    QTest::addColumn<QString>("how");   // load: the text is loaded; arial: typed while the font box shows Arial
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("typed"); // typed in Greek after it
    QTest::newRow("loaded, a letter typed") << "load" << "x <a" << "b";
    QTest::newRow("loaded, a space typed") << "load" << "x <a" << " ";
    QTest::newRow("loaded, accent and vowel") << "load" << "x >a" << "k";
    QTest::newRow("typed under another font") << "arial" << "x <a" << "b";
}

void TestGreek::undoRestoresWhatItRecorded()
{
    QFETCH(QString, how);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    TypingHarness h;
    if (how == QLatin1String("load")) {
        h.surface.load(styled::Document::fromPlainText(before, {QStringLiteral("Greek"), 14, 0}));
        h.surface.setSelStart(int(before.size()));
    } else {
        h.fontBox = QStringLiteral("Arial");
        h.type(before);
        h.fontBox = QStringLiteral("Greek");
    }
    QCOMPARE(codepage::decode(h.codes()), before);
    h.type(typed);
    const QByteArray after = h.codes();
    QCOMPARE(codepage::decode(after), before + typed);
    h.key(Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier);
    QCOMPARE(codepage::decode(h.codes()), before);
    QVERIFY(h.surface.canRedo());
    h.key(Qt::Key_Y, QStringLiteral("\x19"), Qt::ControlModifier);
    QCOMPARE(h.codes(), after);
    // Through the surface's own commands (the menu's) the same.
    h.surface.undo();
    QCOMPARE(codepage::decode(h.codes()), before);
    h.surface.redo();
    QCOMPARE(h.codes(), after);
}

// Every text field answers that it takes no input method (so that no
// platform composes the dead keys before the layer), and still answers the
// other questions itself.
void TestGreek::fieldsTakeNoInputMethod()
{
    TypingHarness h;
    QLineEdit field(&h.host);
    h.host.show();
    for (QWidget* w : {static_cast<QWidget*>(h.edit()), static_cast<QWidget*>(&field)}) {
        QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImCursorRectangle | Qt::ImHints);
        QApplication::sendEvent(w, &query);
        QCOMPARE(query.value(Qt::ImEnabled).toBool(), false);
        QVERIFY(query.value(Qt::ImCursorRectangle).toRectF().isValid());
        QVERIFY(query.value(Qt::ImHints).isValid());
    }
}

QTEST_MAIN(TestGreek)
#include "tst_greek.moc"
