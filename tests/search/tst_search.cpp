// The search steps of "Wort suchen" on an editor, with scripted message
// boxes, and the search field that takes Greek as the editor does.
#include "codepage.h"
#include "fieldcomposer.h"
#include "greekfont.h"
#include "richtextsurface.h"
#include "scriptedseams.h"
#include "sharedstate.h"
#include "replacing.h"
#include "tersetzen.h"
#include "tsuchen.h"
#include "unicodegreek.h"
#include "wordsearch.h"

#include "surfacehost.h"
#include <QtTest>

#include <QAbstractItemView>

#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

struct Search : SurfaceHost {
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

// "Ersetzen" beside "Wort suchen" on an editor.
struct Replace : Search {
    Tersetzen replaceDialog{&dialog};
    Replacing replacing{ReplaceContext{&txt, &dialogs, &replaceDialog}};

    Replace(const QString& text, const QString& what, const QString& with)
        : Search(text)
    {
        replaceDialog.stxt->setText(what);
        replaceDialog.etxt->setEditText(with);
    }
};

QString greek(const QString& unicode) { return unicodegreek::importGreek(unicode).codes; }

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
    void comboFieldComposes();
    void labelsFitTheirText_data();
    void labelsFitTheirText();
    void dialogMovesOffTheMatch();
    void ignoringMarksSelectsTheWholeMatch_data();
    void ignoringMarksSelectsTheWholeMatch();
    void oneStateTwoDialogs();
    void replaceSteps_data();
    void replaceSteps();
    void replaceAll_data();
    void replaceAll();
    void replaceAllIsOneUndoStep();
    void replacementHistory();
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
    typeKeys(&field, delivered);
    QCOMPARE(codepage::encode(field.text()), text);
    QCOMPARE(QFontInfo(field.font()).family() == QLatin1String("Greek"), greek);
}

// The replacement's field sits in an editable combo box, which gets the keys
// (under X11 they reach the box, not its line edit).
void TestSearch::comboFieldComposes()
{
    QComboBox box;
    box.setEditable(true);
    QFont small = box.font();
    small.setPixelSize(8); // the field's own font, far smaller than the Greek it shows
    box.setFont(small);
    bool greek = true;
    FieldComposer composer(box.lineEdit(), [&] { return greek; });
    box.show();
    typeKeys(&box, QStringLiteral(u"lógos"));
    QCOMPARE(codepage::encode(box.currentText()), QByteArray("l\xd2gos"));
    // The list of earlier entries shows its codes in the field's font: Greek,
    // not "màqoj". What the list draws is measured: the ink of its first entry.
    box.addItem(QStringLiteral("x")); // the current entry, drawn marked
    box.addItem(codepage::decode("m\xe0qoj m\xe0qoj m\xe0qoj"));
    box.resize(400, box.height()); // room for the entry whole, in either font
    auto inkWidth = [&] {
        box.showPopup();
        QAbstractItemView* list = box.view();
        const QImage shot = list->viewport()->grab(list->visualRect(box.model()->index(1, 0))).toImage();
        box.hidePopup();
        int left = shot.width(), right = -1;
        const QRgb paper = shot.pixel(shot.width() - 1, shot.height() - 1);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) != paper) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left;
    };
    auto textWidth = [&] { return QFontMetrics(box.lineEdit()->font()).horizontalAdvance(box.itemText(1)); };
    QCOMPARE(QFontInfo(box.lineEdit()->font()).family(), QStringLiteral("Greek"));
    const int greekInk = inkWidth(), greekText = textWidth();
    greek = false;
    composer.refresh();
    QVERIFY(QFontInfo(box.lineEdit()->font()).family() != QLatin1String("Greek"));
    const int latinInk = inkWidth(), latinText = textWidth();
    QVERIFY2(std::abs(greekInk - greekText) < greekText / 10 && std::abs(latinInk - latinText) < greekText / 10,
             qPrintable(QStringLiteral("ink %1 for a text of %2 in Greek, %3 for %4 in the field's own font")
                            .arg(greekInk).arg(greekText).arg(latinInk).arg(latinText)));
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
    const QList<QWidget*> controls{d.stxt, d.Button1, d.Button2, d.CheckBox1, d.CheckBox2, d.CheckBox3, d.CheckBox4};
    for (QCheckBox* box : {d.CheckBox1, d.CheckBox2, d.CheckBox3, d.CheckBox4})
        QVERIFY2(box->width() >= box->sizeHint().width(), qPrintable(box->text()));
    for (QPushButton* b : {d.Button1, d.Button2})
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
    for (QWidget* a : controls)
        QVERIFY(d.rect().contains(a->geometry()));
    for (QCheckBox* box : {d.CheckBox1, d.CheckBox2, d.CheckBox3, d.CheckBox4})
        for (QPushButton* b : {d.Button1, d.Button2})
            QVERIFY2(!box->geometry().intersects(b->geometry()), qPrintable(box->text() + b->text()));
    // The places stay: the boxes in the left column, the buttons to their right.
    QCOMPARE(d.CheckBox1->pos(), QPoint(8, 48));
    QCOMPARE(d.CheckBox3->pos(), QPoint(8, 80));
    QCOMPARE(d.CheckBox4->pos(), QPoint(8, 96)); // below, the dialog one box higher
    QCOMPARE(d.height(), 134 - 27 + 17);
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

// "Wort suchen" with "Akzente ignorieren": the selection covers the match,
// a capital's marks included, and the next step goes on behind it.
void TestSearch::ignoringMarksSelectsTheWholeMatch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QList<int>>("found"); // start, length of each step; then the miss
    QTest::newRow("λογος in its forms") << u"ὁ λόγος τῷ λόγῳ Λόγος"_s << u"λογ"_s << QList<int>{2, 3, 11, 3, 16, 3};
    QTest::newRow("a capital's marks") << u"ὁ Ἄνθρωπος ἄνθρωπος"_s << u"ανθρωπος"_s << QList<int>{2, 9, 12, 8};
}

void TestSearch::ignoringMarksSelectsTheWholeMatch()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QList<int>, found);
    Search s(QString{});
    s.txt.load(styled::Document::fromPlainText(greek(text)));
    s.dialog.stxt->setText(greek(what));
    s.dialog.CheckBox3->setChecked(true);
    s.dialog.CheckBox4->setChecked(true);
    for (qsizetype i = 0; i < found.size(); i += 2) {
        QCOMPARE(s.step(i == 0 ? 'S' : 'W'), found[i]);
        QCOMPARE(s.txt.selLength(), found[i + 1]);
    }
    QCOMPARE(s.step('W'), -1);
    QCOMPARE(s.state.SearchOptions, int(surface::IgnoreMarks));
}

// The two dialogs show one search text and one set of boxes.
void TestSearch::oneStateTwoDialogs()
{
    Tsuchen search;
    search.CheckBox2->setChecked(true);
    search.stxt->setText(QStringLiteral("vorher"));
    Tersetzen replace(&search);
    QVERIFY(replace.CheckBox2->isChecked()); // as it was when it was made
    QCOMPARE(replace.stxt->text(), QStringLiteral("vorher"));
    const QList<QPair<QCheckBox*, QCheckBox*>> pairs{{search.CheckBox1, replace.CheckBox1}, {search.CheckBox2, replace.CheckBox2},
                                                     {search.CheckBox3, replace.CheckBox3}, {search.CheckBox4, replace.CheckBox4}};
    for (const auto& [a, b] : pairs) {
        a->setChecked(!a->isChecked());
        QCOMPARE(b->isChecked(), a->isChecked());
        b->setChecked(!b->isChecked());
        QCOMPARE(a->isChecked(), b->isChecked());
    }
    replace.stxt->setText(QStringLiteral("logos"));
    QCOMPARE(search.stxt->text(), QStringLiteral("logos"));
    // Typing Greek into either field composes it, and both show the result.
    FieldComposer composer(search.stxt, [] { return true; });
    search.stxt->clear();
    search.show();
    typeKeys(search.stxt, QStringLiteral(u"<án"));
    QCOMPARE(codepage::encode(search.stxt->text()), QByteArray("\xa4n"));
    QCOMPARE(replace.stxt->text(), search.stxt->text());
    search.stxt->setText(QStringLiteral("ethos"));
    QCOMPARE(replace.stxt->text(), QStringLiteral("ethos"));
}

// Buttons pressed one after another: 'W' "Weitersuchen", 'E' "Ersetzen";
// the text and the selection after each, or the miss.
void TestSearch::replaceSteps_data()
{
    QTest::addColumn<QByteArray>("buttons");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("selections"); // start, length; -1 for the miss
    const QString start = u"logos kai logos"_s;
    QTest::newRow("Ersetzen without a match selected finds one")
        << QByteArray("E") << QStringList{start} << QList<int>{0, 5};
    QTest::newRow("then replaces it and selects the next")
        << QByteArray("EE") << QStringList{start, u"LOGOI kai logos"_s} << QList<int>{0, 5, 10, 5};
    QTest::newRow("the last one, then the miss")
        << QByteArray("EEE") << QStringList{start, u"LOGOI kai logos"_s, u"LOGOI kai LOGOI"_s} << QList<int>{0, 5, 10, 5, -1, 0};
    QTest::newRow("Weitersuchen passes one by")
        << QByteArray("WWE") << QStringList{start, start, u"logos kai LOGOI"_s} << QList<int>{0, 5, 10, 5, -1, 0};
}

void TestSearch::replaceSteps()
{
    QFETCH(QByteArray, buttons);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, selections);
    Replace r(u"logos kai logos"_s, u"logos"_s, u"LOGOI"_s);
    r.replaceDialog.CheckBox1->setChecked(true); // match case: a replacement is not found again
    r.txt.setSelStart(0);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const qsizetype misses = r.dialogs.notices.size();
        if (buttons[i] == 'W')
            r.replacing.findNext();
        else
            r.replacing.replaceOne();
        QCOMPARE(r.txt.text(), texts[i]);
        if (selections[2 * i] < 0) {
            QCOMPARE(r.dialogs.notices.mid(misses), QStringList{WordSearch::kMiss});
            continue;
        }
        QCOMPARE(r.dialogs.notices.size(), misses);
        QCOMPARE(r.txt.selStart(), selections[2 * i]);
        QCOMPARE(r.txt.selLength(), selections[2 * i + 1]);
    }
}

void TestSearch::replaceAll_data()
{
    QTest::addColumn<QString>("text"); // Greek as Unicode
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("with");
    QTest::addColumn<bool>("ignoreMarks");
    QTest::addColumn<QList<int>>("selection"); // start, length; empty: none
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("exact") << u"λόγος λογος λόγος"_s << u"λόγος"_s << u"μῦθος"_s << false << QList<int>{}
                           << u"μῦθος λογος μῦθος"_s << u"2 Stellen ersetzt."_s;
    QTest::newRow("ignoring the marks") << u"λόγος λογος Λόγος"_s << u"λογος"_s << u"μῦθος"_s << true << QList<int>{}
                                        << u"μῦθος μῦθος μῦθος"_s << u"3 Stellen ersetzt."_s;
    QTest::newRow("one") << u"ὁ λόγος"_s << u"ὁ"_s << u"τὸ"_s << false << QList<int>{} << u"τὸ λόγος"_s << u"1 Stelle ersetzt."_s;
    QTest::newRow("a capital with marks as a whole") << u"Ἄνθρωπος"_s << u"ανθρωπος"_s << u"ἀνήρ"_s << true << QList<int>{}
                                                     << u"ἀνήρ"_s << u"1 Stelle ersetzt."_s;
    QTest::newRow("within a selection over two lines") << u"αβ αβ\nαβ αβ"_s << u"αβ"_s << u"γ"_s << false << QList<int>{2, 6}
                                                       << u"αβ γ\nγ αβ"_s << u"2 Stellen ersetzt."_s;
    QTest::newRow("a selection in one line is not a range") << u"αβ αβ αβ"_s << u"αβ"_s << u"γ"_s << false << QList<int>{3, 2}
                                                            << u"γ γ γ"_s << u"3 Stellen ersetzt."_s;
    QTest::newRow("nothing found") << u"αβ"_s << u"γ"_s << u"δ"_s << false << QList<int>{} << u"αβ"_s
                                   << u"Es konnte nichts gefunden werden."_s;
    QTest::newRow("the replacement holds the search text") << u"α α"_s << u"α"_s << u"αα"_s << false << QList<int>{}
                                                           << u"αα αα"_s << u"2 Stellen ersetzt."_s;
}

void TestSearch::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(QString, with);
    QFETCH(bool, ignoreMarks);
    QFETCH(QList<int>, selection);
    QFETCH(QString, result);
    QFETCH(QString, message);
    Replace r(QString{}, greek(what), greek(with));
    r.txt.load(styled::Document::fromPlainText(greek(text)));
    r.replaceDialog.CheckBox4->setChecked(ignoreMarks);
    if (!selection.isEmpty())
        r.txt.selectRange(selection[0], selection[1]);
    r.replacing.replaceAll();
    QCOMPARE(r.txt.text(), greek(result));
    QCOMPARE(r.dialogs.notices, QStringList{message});
    if (selection.isEmpty() || !greek(text).mid(selection[0], selection[1]).contains(QLatin1Char('\n')))
        return;
    // The searched part stays selected, grown or shrunk with its replacements.
    QCOMPARE(r.txt.selStart(), selection[0]);
}

// Everything "Alle ersetzen" did goes back with one undo, formats included.
void TestSearch::replaceAllIsOneUndoStep()
{
    Replace r(QString{}, u"ab"_s, u"xyz"_s);
    styled::Document d;
    d.paragraphs[0].runs = {{u"ab ab "_s, {u"Arial"_s, 12, int(surface::Bold)}}, {u"ab"_s, {u"Greek"_s, 14, 0}}};
    d.paragraphs.append(d.paragraphs[0]);
    r.txt.load(d);
    r.replacing.replaceAll();
    QCOMPARE(r.dialogs.notices, QStringList{u"6 Stellen ersetzt."_s});
    const styled::Document after = r.txt.snapshot();
    QCOMPARE(after.paragraphs[0].runs.size(), 2);
    QCOMPARE(after.paragraphs[0].runs[0], (styled::Run{u"xyz xyz "_s, {u"Arial"_s, 12, int(surface::Bold)}}));
    QCOMPARE(after.paragraphs[0].runs[1], (styled::Run{u"xyz"_s, {u"Greek"_s, 14, 0}}));
    r.txt.undo();
    QCOMPARE(r.txt.snapshot(), d);
    QVERIFY(!r.txt.canUndo());
}

void TestSearch::replacementHistory()
{
    Replace r(u"a"_s, u"a"_s, u"eins"_s);
    for (const QString& w : {u"eins"_s, u"zwei"_s, u"eins"_s})
        r.replaceDialog.remember(w);
    QCOMPARE(r.replaceDialog.history(), (QStringList{u"eins"_s, u"zwei"_s}));
    for (int i = 0; i < 12; ++i)
        r.replaceDialog.remember(QString::number(i));
    QCOMPARE(r.replaceDialog.history().size(), Tersetzen::kHistory);
    QCOMPARE(r.replaceDialog.history().first(), u"11"_s);
    // What the field shows stays while the list changes.
    r.replaceDialog.etxt->setEditText(u"neu"_s);
    r.replaceDialog.setHistory({u"x"_s, u"y"_s});
    QCOMPARE(r.replaceDialog.replacement(), u"neu"_s);
    // Used, it goes to the top.
    r.replacing.replaceAll();
    QCOMPARE(r.replaceDialog.history(), (QStringList{u"neu"_s, u"x"_s, u"y"_s}));
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
