// The search steps of "Wort suchen" on an editor, with scripted message
// boxes, and the search field that takes Greek as the editor does.
#include "codepage.h"
#include "fieldcomposer.h"
#include "greekfont.h"
#include "richtextsurface.h"
#include "scriptedseams.h"
#include "sharedstate.h"
#include "tsuchen.h"
#include "wordsearch.h"

#include <QtTest>

#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

struct Search {
    QWidget host;
    RichTextSurface txt{&host};
    SharedState state;
    ScriptedDialogs dialogs;
    Tsuchen dialog;
    WordSearch search{SearchContext{&txt, &state, &dialogs, &dialog}};

    explicit Search(const QString& text)
    {
        txt.setText(text);
        dialog.show();
    }
    // One step: 'S' "Suchen", 'W' "Weitersuchen"; the selection start afterwards, -1 for a miss.
    int step(char button)
    {
        const int misses = int(dialogs.notices.size());
        if (button == 'S')
            search.Button1Click();
        else
            search.Button2Click();
        if (dialogs.notices.size() > misses)
            return -1;
        return txt.selStart();
    }
};

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(resources::registerGreekFont().isEmpty()); }
    void steps_data();
    void steps();
    void missClosesTheDialog();
    void optionsAtTheNextSearch();
    void matchSelectedFocusStays();
    void fieldComposes_data();
    void fieldComposes();
    void pastedWordFound();
    void labelsFitTheirText_data();
    void labelsFitTheirText();
    void dialogMovesOffTheMatch();
};

// "aaaa", searching "aa": the positions found step by step.
void TestSearch::steps_data()
{
    QTest::addColumn<bool>("wholeText");
    QTest::addColumn<QByteArray>("buttons");
    QTest::addColumn<QList<int>>("found");
    QTest::newRow("Suchen twice, whole text") << true << QByteArray("SS") << QList<int>{0, 0};
    QTest::newRow("Suchen twice, from the caret") << false << QByteArray("SS") << QList<int>{0, 0};
    QTest::newRow("from the caret: overlapping") << false << QByteArray("SWWW") << QList<int>{0, 1, 2, -1};
    QTest::newRow("whole text: behind each hit, then over") << true << QByteArray("SWWW") << QList<int>{0, 2, -1, 0};
}

void TestSearch::steps()
{
    QFETCH(bool, wholeText);
    QFETCH(QByteArray, buttons);
    QFETCH(QList<int>, found);
    Search s(QStringLiteral("aaaa"));
    s.dialog.stxt->setText(QStringLiteral("aa"));
    s.dialog.CheckBox3->setChecked(wholeText);
    s.txt.setSelStart(0);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        QCOMPARE(s.step(buttons[i]), found[i]);
        if (found[i] >= 0)
            QCOMPARE(s.txt.selLength(), 2);
    }
    // Each miss, and nothing else, says so once.
    const QStringList misses(found.count(-1), QStringLiteral("Es konnte nichts gefunden werden."));
    QCOMPARE(s.dialogs.notices, misses);
}

void TestSearch::missClosesTheDialog()
{
    Search s(QStringLiteral("logos kai logos"));
    s.dialog.stxt->setText(QStringLiteral("logos"));
    s.txt.setSelStart(0);
    QCOMPARE(s.step('S'), 0);
    QCOMPARE(s.step('W'), 10);
    QVERIFY(s.dialog.isVisible());
    QCOMPARE(s.step('W'), -1);
    QCOMPARE(s.dialogs.notices, QStringList{QStringLiteral("Es konnte nichts gefunden werden.")});
    QVERIFY(!s.dialog.isVisible());
    // The caret one behind the last match's start, nothing selected, SearchPos -1.
    QCOMPARE(s.txt.selStart(), 11);
    QCOMPARE(s.txt.selLength(), 0);
    QCOMPARE(s.state.SearchPos, -1);
    // F3 with the dialog hidden searches on; -1 puts the caret at the start.
    s.dialog.CheckBox3->setChecked(true);
    QCOMPARE(s.step('W'), 0);
    QVERIFY(!s.dialog.isVisible());
}

void TestSearch::optionsAtTheNextSearch()
{
    Search s(QStringLiteral("Logos logos"));
    s.dialog.stxt->setText(QStringLiteral("logos"));
    s.dialog.CheckBox3->setChecked(true);
    QCOMPARE(s.step('S'), 0); // Latin letters fold without match case
    s.dialog.CheckBox1->setChecked(true);
    QCOMPARE(s.step('W'), 6);         // the box changed, but the options are the last Suchen's
    QCOMPARE(s.step('S'), 6);         // now match case: the capital is skipped
    QCOMPARE(s.state.SearchOptions, int(surface::MatchCase));
}

void TestSearch::matchSelectedFocusStays()
{
    Search s(QStringLiteral("eins zwei drei"));
    QApplication::setActiveWindow(&s.dialog);
    s.dialog.stxt->setFocus();
    QTRY_VERIFY(s.dialog.stxt->hasFocus());
    s.dialog.stxt->setText(QStringLiteral("drei"));
    QCOMPARE(s.step('S'), 10);
    QCOMPARE(s.txt.selText(), QStringLiteral("drei"));
    QVERIFY(s.dialog.stxt->hasFocus());
}

// The keys typed into the search field, and what it holds: Greek while the
// editor writes Greek, the keys as they are otherwise.
void TestSearch::fieldComposes_data()
{
    QTest::addColumn<bool>("greek");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("anthropos") << true << QStringLiteral(u"<´anqrwpos") << QByteArray("\xa4nqrwpos");
    QTest::newRow("andra") << true << QStringLiteral(u"<´andra") << QByteArray("\xa4ndra");
    QTest::newRow("iota mark") << true << QStringLiteral(u"t+^w") << QByteArray("t\xf9");
    QTest::newRow("Latin text stays") << false << QStringLiteral(u"<´andra") << QByteArray("<\xe1ndra");
}

void TestSearch::fieldComposes()
{
    QFETCH(bool, greek);
    QFETCH(QString, keys);
    QFETCH(QByteArray, text);
    QLineEdit field;
    FieldComposer composer(&field, [greek] { return greek; });
    field.show();
    // The dead-key layer delivers ´ then a as á, as a German keyboard does.
    QString delivered = keys;
    delivered.replace(QStringLiteral(u"´a"), QStringLiteral(u"á"));
    for (QChar ch : delivered) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(&field, &press);
    }
    QCOMPARE(codepage::encode(field.text()), text);
    QCOMPARE(QFontInfo(field.font()).family() == QLatin1String("Greek"), greek);
}

void TestSearch::pastedWordFound()
{
    Search s{QString()};
    s.txt.typeText(QStringLiteral("logos "));
    s.txt.typeText(codepage::decode("\xa4nqrwpos"));
    s.txt.selectRange(6, 8);
    s.txt.copy();
    QLineEdit& field = *s.dialog.stxt;
    FieldComposer composer(&field, [] { return true; });
    field.setFocus();
    field.paste(); // pasted text is not composed again
    QCOMPARE(codepage::encode(field.text()), QByteArray("\xa4nqrwpos"));
    s.dialog.CheckBox3->setChecked(true);
    QCOMPARE(s.step('S'), 6);
}

// Each control is as wide as its text in the font it is drawn with, and none covers another.
void TestSearch::labelsFitTheirText_data()
{
    QTest::addColumn<int>("pixels");
    QTest::newRow("the dialog's own 11 pixels") << 11;
    QTest::newRow("a larger desktop font") << 16;
}

void TestSearch::labelsFitTheirText()
{
    QFETCH(int, pixels);
    Tsuchen d;
    QFont f = d.font();
    f.setPixelSize(pixels);
    d.setFont(f);
    const QList<QWidget*> controls{d.stxt, d.Button1, d.Button2, d.CheckBox1, d.CheckBox2, d.CheckBox3};
    for (QCheckBox* box : {d.CheckBox1, d.CheckBox2, d.CheckBox3})
        QVERIFY2(box->width() >= box->sizeHint().width(), qPrintable(box->text()));
    for (QPushButton* b : {d.Button1, d.Button2})
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
    for (QWidget* a : controls)
        QVERIFY(d.rect().contains(a->geometry()));
    for (QCheckBox* box : {d.CheckBox1, d.CheckBox2, d.CheckBox3})
        for (QPushButton* b : {d.Button1, d.Button2})
            QVERIFY2(!box->geometry().intersects(b->geometry()), qPrintable(box->text() + b->text()));
    // The places stay: the boxes in the left column, the buttons to their right.
    QCOMPARE(d.CheckBox1->pos(), QPoint(8, 48));
    QCOMPARE(d.Button2->y(), 40);
    QVERIFY(d.Button2->x() >= 144);
}

// The dialog does not cover the match it selects.
void TestSearch::dialogMovesOffTheMatch()
{
    Search s(QStringLiteral("eins zwei drei vier logos fuenf"));
    s.host.resize(700, 300);
    s.txt.widget()->setGeometry(0, 0, 700, 300);
    s.host.move(0, 0);
    s.host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.host));
    s.txt.selectRange(20, 5);
    const QRect target = s.txt.selectionScreenRect();
    s.dialog.move(target.topLeft() - QPoint(20, 10)); // right over the word
    QTRY_VERIFY(s.dialog.frameGeometry().intersects(target));
    s.txt.setSelStart(0);
    s.dialog.stxt->setText(QStringLiteral("logos"));
    QCOMPARE(s.step('S'), 20);
    const QRect match = s.txt.selectionScreenRect();
    QTRY_VERIFY2(!s.dialog.frameGeometry().intersects(match), qPrintable(QStringLiteral("%1,%2").arg(s.dialog.y()).arg(match.y())));
    QVERIFY(s.dialog.screen()->availableGeometry().contains(s.dialog.frameGeometry()));
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
