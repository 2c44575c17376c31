#include "formatting.h"
#include "greekfont.h"
#include "richtextsurface.h"
#include "sharedstate.h"

#include "surfacehost.h"
#include <QtTest>

#include <stdexcept>

#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>

// The formatting controls of the main window, without the window.
struct Bench : SurfaceHost {
    FontBox fbox{&host};
    ChoiceBox grbox{&host};
    QToolButton sbl{&host}, sbm{&host}, sbr{&host};
    Formatting fmt{FormattingControls{&txt, &state, &fbox, &grbox, &sbl, &sbm, &sbr}};

    Bench()
    {
        state.ComposeArmed = true;
        fbox.setEditable(true);
        grbox.setEditable(true);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(13);
        fbox.setFont(f);
        for (QToolButton* b : {&sbl, &sbm, &sbr})
            b->setCheckable(true);
        fbox.setEditText(QStringLiteral("Greek"));
        grbox.setEditText(QStringLiteral("14"));
        host.resize(400, 300);
        txt.widget()->resize(400, 200);
    }
};

class TestFormatting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(resources::registerGreekFont().isEmpty()); }

    void leadingNumber_data();
    void leadingNumber();
    void sizeBox_data();
    void sizeBox();
    void sizeSteps_data();
    void sizeSteps();
    void styleTogglesWriteAllFlags_data();
    void styleTogglesWriteAllFlags();
    void fontButtonWithoutSelection();
    void fontBoxAppliesPartialNames();
    void fontBoxDropDownShowsArial();
    void alignmentGroup_data();
    void alignmentGroup();
    void syncShowsTheCaret();
    void syncWaitsWhileLoading();
    void bracketDisarmsComposition();
    void bracketRearmsOnEveryWayOut();
};

void TestFormatting::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "14" << 14;
    QTest::newRow("leading blanks") << "   22" << 22;
    QTest::newRow("digits up to a letter") << "12a" << 12;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("plus sign") << "+8" << 8;
    QTest::newRow("dollar hex") << "$10" << 16;
    QTest::newRow("0x hex") << "0x1A" << 26;
    QTest::newRow("negative hex") << "-$10" << -16;
    QTest::newRow("blank inside") << "1 2" << 1;
    QTest::newRow("too large") << "99999999999" << 0;
}

void TestFormatting::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(::leadingNumber(text), value);
}

void TestFormatting::sizeBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    QTest::newRow("0 changes nothing") << "0" << 14;
    QTest::newRow("-3 changes nothing") << "-3" << 14;
    QTest::newRow("abc changes nothing") << "abc" << 14;
    QTest::newRow("empty changes nothing") << "" << 14;
    QTest::newRow("12a gives 12") << "12a" << 12;
    QTest::newRow("$10 gives 16") << "$10" << 16;
    QTest::newRow("200") << "200" << 200;
}

void TestFormatting::sizeBox()
{
    QFETCH(QString, text);
    QFETCH(int, size);
    Bench b;
    b.txt.setText(QStringLiteral("logos"));
    b.txt.selectRange(1, 3);
    b.grbox.setEditText(text);
    b.fmt.grboxChange();
    QCOMPARE(b.txt.fontSize(), size);
    QCOMPARE(b.txt.selStart(), 1); // the selection is restored either way
    QCOMPARE(b.txt.selLength(), 3);
    QVERIFY(b.state.ComposeArmed);
}

void TestFormatting::sizeSteps_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("larger");
    QTest::addColumn<int>("after");
    QTest::newRow("500 stays under minus") << 500 << false << 500;
    QTest::newRow("500 stays under plus") << 500 << true << 500;
    QTest::newRow("498 plus gives 500") << 498 << true << 500;
    QTest::newRow("14 minus gives 12") << 14 << false << 12;
    QTest::newRow("2 minus asks for 0") << 2 << false << 1;
    QTest::newRow("1 minus asks for -1") << 1 << false << 1;
}

void TestFormatting::sizeSteps()
{
    QFETCH(int, start);
    QFETCH(bool, larger);
    QFETCH(int, after);
    Bench b;
    b.txt.setText(QStringLiteral("logos"));
    b.txt.selectRange(0, 5);
    b.txt.setFontSize(start);
    larger ? b.fmt.sizeLarger() : b.fmt.sizeSmaller();
    QCOMPARE(b.txt.fontSize(), after);
    QCOMPARE(b.grbox.currentText(), QString::number(after)); // what the surface reports
    if (start == 498) { // and then no longer changes
        b.fmt.sizeLarger();
        QCOMPARE(b.txt.fontSize(), 500);
    }
}

void TestFormatting::styleTogglesWriteAllFlags_data()
{
    QTest::addColumn<int>("firstStyle"); // of the selection's first character
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("expected"); // over the whole selection
    QTest::newRow("bold on") << 0 << int(surface::Bold) << int(surface::Bold);
    QTest::newRow("bold off, partly bold") << int(surface::Bold) << int(surface::Bold) << 0;
    QTest::newRow("italic keeps underline")
        << int(surface::Underline) << int(surface::Italic) << int(surface::Underline | surface::Italic);
    QTest::newRow("strike-out off") << int(surface::StrikeOut | surface::Bold) << int(surface::StrikeOut) << int(surface::Bold);
}

void TestFormatting::styleTogglesWriteAllFlags()
{
    QFETCH(int, firstStyle);
    QFETCH(int, flag);
    QFETCH(int, expected);
    Bench b;
    b.txt.setText(QStringLiteral("abcd"));
    b.txt.selectRange(0, 1);
    b.txt.setFontStyle(firstStyle);
    b.txt.selectRange(2, 2);
    b.txt.setFontStyle(surface::Italic | surface::StrikeOut);
    b.txt.selectRange(0, 4);
    b.fmt.toggleStyle(flag);
    for (int i = 0; i < 4; ++i) {
        b.txt.selectRange(i, 1);
        QCOMPARE(b.txt.fontStyle(), expected);
    }
}

void TestFormatting::fontButtonWithoutSelection()
{
    Bench b;
    b.txt.setText(QStringLiteral("abc"));
    b.txt.setSelStart(1);
    b.fmt.fontButton(QStringLiteral("Arial"));
    QCOMPARE(b.txt.fontNameOfChar(1), QStringLiteral("Arial")); // the one character after the caret
    QCOMPARE(b.txt.fontNameOfChar(0), QStringLiteral("Greek"));
    QCOMPARE(b.txt.fontNameOfChar(2), QStringLiteral("Greek"));
    QCOMPARE(b.txt.selStart(), 1);
    QCOMPARE(b.txt.selLength(), 0);
    QCOMPARE(b.fbox.currentText(), QStringLiteral("Arial"));
    QCOMPARE(b.fbox.font().family(), QStringLiteral("Arial"));
    QCOMPARE(b.fbox.font().pixelSize(), 13);
}

void TestFormatting::fontBoxAppliesPartialNames()
{
    Bench b;
    b.txt.setText(QStringLiteral("abcdef"));
    b.txt.selectRange(0, 2);
    b.fbox.setFocus();
    QStringList applied;
    for (const char* partial : {"A", "Ar", "Ari"}) {
        b.fbox.setEditText(QLatin1String(partial));
        b.fmt.fboxChange();
        applied << b.txt.fontNameOfChar(0);
    }
    QCOMPARE(applied, (QStringList{"A", "Ar", "Ari"}));
    QCOMPARE(b.txt.selStart(), 0);
    QCOMPARE(b.txt.selLength(), 2);
    QCOMPARE(b.fbox.font().family(), QStringLiteral("Ari"));
    QVERIFY(b.state.ComposeArmed);
}

void TestFormatting::fontBoxDropDownShowsArial()
{
    Bench b;
    b.fbox.setEditText(QStringLiteral("Greek"));
    b.fmt.sync();
    QCOMPARE(b.fbox.font().family(), QStringLiteral("Greek"));
    b.fmt.fboxDropDown();
    QCOMPARE(b.fbox.font().family(), QStringLiteral("Arial"));
    QCOMPARE(b.fbox.currentText(), QStringLiteral("Greek"));
}

void TestFormatting::alignmentGroup_data()
{
    QTest::addColumn<QList<int>>("presses"); // 0 sbl, 1 sbm, 2 sbr
    QTest::addColumn<QList<bool>>("down");
    QTest::addColumn<int>("alignment");
    QTest::newRow("centre") << QList<int>{1} << QList<bool>{false, true, false} << int(surface::AlignCentre);
    QTest::newRow("centre then right") << QList<int>{1, 2} << QList<bool>{false, false, true} << int(surface::AlignRight);
    QTest::newRow("right twice: all up, right again") << QList<int>{2, 2} << QList<bool>{false, false, false}
                                                      << int(surface::AlignRight);
}

void TestFormatting::alignmentGroup()
{
    QFETCH(QList<int>, presses);
    QFETCH(QList<bool>, down);
    QFETCH(int, alignment);
    Bench b;
    b.txt.setText(QStringLiteral("eins\nzwei"));
    b.txt.setSelStart(1);
    QToolButton* buttons[] = {&b.sbl, &b.sbm, &b.sbr};
    const int values[] = {surface::AlignLeft, surface::AlignCentre, surface::AlignRight};
    for (int p : presses) {
        buttons[p]->toggle(); // what a click does to a checkable button
        b.fmt.alignmentButton(buttons[p], values[p]);
    }
    for (int i = 0; i < 3; ++i)
        QCOMPARE(buttons[i]->isChecked(), down[i]);
    QCOMPARE(b.txt.alignment(), alignment);
    b.txt.setSelStart(7);
    QCOMPARE(b.txt.alignment(), int(surface::AlignLeft)); // only the paragraph at the selection
}

void TestFormatting::syncShowsTheCaret()
{
    Bench b;
    b.txt.setText(QStringLiteral("abc\ndef"));
    b.txt.selectRange(4, 3);
    b.txt.setFontName(QStringLiteral("Arial"));
    b.txt.setFontSize(22);
    b.txt.setAlignment(surface::AlignRight);
    b.txt.setSelStart(6);
    b.fmt.sync();
    QCOMPARE(b.fbox.currentText(), QStringLiteral("Arial"));
    QCOMPARE(b.fbox.font().family(), QStringLiteral("Arial"));
    QCOMPARE(b.grbox.currentText(), QStringLiteral("22"));
    QVERIFY(b.sbr.isChecked() && !b.sbl.isChecked() && !b.sbm.isChecked());
    b.txt.setSelStart(2);
    b.fmt.sync();
    QCOMPARE(b.fbox.currentText(), QStringLiteral("Greek"));
    QCOMPARE(b.grbox.currentText(), QStringLiteral("14"));
    QVERIFY(b.sbl.isChecked() && !b.sbr.isChecked());
}

void TestFormatting::syncWaitsWhileLoading()
{
    Bench b;
    b.txt.setText(QStringLiteral("abc"));
    b.txt.selectRange(0, 3);
    b.txt.setFontName(QStringLiteral("Arial"));
    b.txt.setSelStart(2);
    b.state.LoadingDocument = true;
    b.fmt.sync();
    QCOMPARE(b.fbox.currentText(), QStringLiteral("Greek"));
    QVERIFY(!b.sbl.isChecked());
}

void TestFormatting::bracketDisarmsComposition()
{
    Bench b;
    QList<bool> armedDuringChange;
    QObject::connect(&b.txt, &RichTextSurface::changed, &b.host,
                     [&](const surface::TextChange&) { armedDuringChange << b.state.ComposeArmed; });
    b.txt.setText(QStringLiteral("<a"));
    armedDuringChange.clear();
    b.txt.selectRange(0, 2);
    b.fmt.toggleStyle(surface::Bold);
    b.fmt.fontButton(QStringLiteral("Greek"));
    b.fmt.align(surface::AlignCentre);
    QVERIFY(!armedDuringChange.isEmpty());
    QVERIFY(!armedDuringChange.contains(true));
    QVERIFY(b.state.ComposeArmed);
    QCOMPARE(b.state.SavedSelStart, 0);
    QCOMPARE(b.state.SavedSelLength, 2);
}

// A command that fails between svmark and remark (an error thrown while
// it changes the text) leaves composition armed and the selection as it was.
void TestFormatting::bracketRearmsOnEveryWayOut()
{
    Bench b;
    b.txt.setText(QStringLiteral("logos"));
    b.txt.selectRange(1, 2);
    try {
        const Formatting::Bracket bracket(b.fmt);
        QVERIFY(!b.state.ComposeArmed);
        b.txt.selectRange(4, 1);
        throw std::runtime_error("the command failed");
    } catch (const std::runtime_error&) {
    }
    QVERIFY(b.state.ComposeArmed);
    QCOMPARE(b.txt.selStart(), 1);
    QCOMPARE(b.txt.selLength(), 2);
}

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
