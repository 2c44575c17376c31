// The report engine and the preview window: pages, page state, zoom, and
// printing into a PDF file read back with poppler's tools.
#include "codepage.h"
#include "pages.h"
#include "ioerror.h"
#include "documentfiles.h"
#include "atomicfiles.h"
#include "greekfont.h"
#include "previewcontrol.h"
#include "report.h"
#include "tform2.h"

#include "filesizelimit.h"

#include "testfiles.h"
#include <QtTest>
#include <sys/resource.h>
#include <csignal>
#include <QPainter>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

namespace {

styled::Document lines(int count, const QString& word = QStringLiteral("logos"), const QString& font = QStringLiteral("Greek"))
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("%1 %2\n").arg(word).arg(i);
    text.chop(1);
    return styled::Document::fromPlainText(text, {font, 14, 0});
}

QString codes(const char* bytes) { return codepage::decode(QByteArray(bytes)); }

// The spread of grey over a page image (0 to 1) and its darkest grey (0 to
// 255): black text on white spreads well above 0.09, grey text far less.
std::pair<double, int> inkOf(const QImage& page)
{
    double sum = 0, squares = 0;
    int darkest = 255;
    const qint64 n = qint64(page.width()) * page.height();
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const int g = qGray(page.pixel(x, y));
            darkest = std::min(darkest, g);
            sum += g / 255.0;
            squares += (g / 255.0) * (g / 255.0);
        }
    const double mean = sum / double(n);
    return {std::sqrt(std::max(0.0, squares / double(n) - mean * mean)), darkest};
}

// The preview window with a text of our choosing, its pages produced to the end.
struct Preview {
    styled::Document text;
    TForm2 form{[this] { return text; }};

    void print(int width = 706)
    {
        form.prepare(width, QStringLiteral("Stilora - "));
        QTRY_VERIFY_WITH_TIMEOUT(form.prev->pages() && form.prev->pages()->done(), 20000);
        QApplication::processEvents(); // the last announcements
    }
    QList<bool> buttons() const
    {
        return {form.sbzz->isEnabled(), form.sbz->isEnabled(), form.sbv->isEnabled(), form.sbvv->isEnabled()};
    }
};


} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(resources::registerGreekFont().isEmpty()); }
    void pageCounts_data();
    void pageCounts();
    void newReportMovesToItsPages();
    void zoomButtons();
    void zoomAfterPrepare();
    void zoomBoxTyping();
    void fitFormulas();
    void escCloses();
    void orientationAtTheNextPrint();
    void pdfMatchesPreview();
    void pdfCarriesRealGreek();
    void previewTextIsBlack_data();
    void previewTextIsBlack();
    void printToFileIsWholeOrNothing();
    void longTextInPages();
    void piecesChangeNothing_data();
    void piecesChangeNothing();
    void failedWritesFailThePdf_data();
    void failedWritesFailThePdf();
    void pageBoxShowsItsText();
    void setupButtonSaysOK();
};

void TestPrinting::pageCounts_data()
{
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<int>("pages");
    QTest::newRow("empty document: one page") << 0 << 1;
    QTest::newRow("one line") << 1 << 1;
    QTest::newRow("a page and a bit") << 50 << 2;
    QTest::newRow("many pages") << 400 << 11; // 37 lines of 19 pixels a page
}

void TestPrinting::pageCounts()
{
    QFETCH(int, paragraphs);
    QFETCH(int, pages);
    Preview p;
    p.text = paragraphs ? lines(paragraphs) : styled::Document();
    p.print();
    QCOMPARE(p.form.prev->pages()->begun(), pages);
    QCOMPARE(p.form.mSeite->text(), QStringLiteral(" Seite 1 von %1").arg(pages));
    QCOMPARE(p.buttons(), (QList<bool>{false, false, pages > 1, pages > 1}));
    if (pages > 1) {
        p.form.sbvvClick();
        QCOMPARE(p.form.mSeite->text(), QStringLiteral(" Seite %1 von %1").arg(pages));
        QCOMPARE(p.buttons(), (QList<bool>{true, true, false, false}));
        p.form.sbzClick();
        QCOMPARE(p.form.prev->pageNumber(), pages - 1);
    }
}

void TestPrinting::newReportMovesToItsPages()
{
    Preview p;
    p.text = lines(400);
    p.print();
    for (int i = 0; i < 4; ++i)
        p.form.sbvClick();
    QCOMPARE(p.form.mSeite->text(), QStringLiteral(" Seite 5 von 11"));
    p.text = lines(1);
    p.print();
    QCOMPARE(p.form.mSeite->text(), QStringLiteral(" Seite 1 von 1"));
    QCOMPARE(p.buttons(), (QList<bool>{false, false, false, false}));
}

void TestPrinting::zoomButtons()
{
    Preview p;
    p.print();
    p.form.ComboBox1->setCurrentIndex(14); // "300%" picked from the list
    emit p.form.ComboBox1->activated(14);
    QCOMPARE(p.form.prev->zoom(), 300);
    p.form.sbziClick();
    QVERIFY(!p.form.sbzi->isEnabled());
    QCOMPARE(p.form.prev->zoom(), 300);
    p.form.sbzoClick();
    QCOMPARE(p.form.ComboBox1->currentText(), QStringLiteral("200%"));
    QCOMPARE(p.form.prev->zoom(), 200);
    QVERIFY(p.form.sbzi->isEnabled());
}

void TestPrinting::zoomAfterPrepare()
{
    Preview p;
    p.print();
    const int width = p.form.prev->zoom();
    QCOMPARE(p.form.ComboBox1->currentText(), QStringLiteral("%1%").arg(width));
    p.form.sbzoClick(); // no entry selected: zoom out cannot step, and the box's zoom applies again
    QVERIFY(!p.form.sbzo->isEnabled());
    QCOMPARE(p.form.prev->zoom(), width);
    p.form.sbziClick(); // the first entry
    QCOMPARE(p.form.ComboBox1->currentText(), QStringLiteral("10%"));
    QCOMPARE(p.form.prev->zoom(), 10);
    QVERIFY(p.form.sbzo->isEnabled());
}

void TestPrinting::zoomBoxTyping()
{
    Preview p;
    p.print();
    QLineEdit* box = p.form.ComboBox1->lineEdit();
    box->clear();
    QTest::keyClick(box, Qt::Key_7);
    QCOMPARE(p.form.prev->zoom(), 7);
    QTest::keyClick(box, Qt::Key_5);
    QCOMPARE(p.form.prev->zoom(), 75);
    box->setText(QStringLiteral("%"));
    emit box->textEdited(box->text());
    QCOMPARE(p.form.prev->zoom(), 75);
    box->clear();
    emit box->textEdited(QString());
    QCOMPARE(p.form.prev->zoom(), 75);
}

void TestPrinting::fitFormulas()
{
    Preview p;
    p.print();
    PreviewControl& v = *p.form.prev;
    p.form.SpeedButton2Click();
    QCOMPARE(v.zoom(), std::min(int(std::lround(95.0 * v.width() / 794)), int(std::lround(95.0 * v.height() / 1123))));
    QCOMPARE(p.form.ComboBox1->currentText(), QStringLiteral("%1%").arg(v.zoom()));
    p.form.SpeedButton3Click();
    QCOMPARE(v.zoom(), int(std::lround(90.0 * v.width() / 794)));
    // The page image: the page at the zoom, rounded, plus 4 pixels.
    v.setZoom(50);
    QCOMPARE(v.widget()->size(), QSize(int(std::lround(794 * 0.5)) + 4, int(std::lround(1123 * 0.5)) + 4));
    v.setZoom(1);
    v.setZoom(2001);
    QCOMPARE(v.zoom(), 50);
    v.setPageNumber(0);
    v.setPageNumber(99);
    QCOMPARE(v.pageNumber(), 1);
}

void TestPrinting::escCloses()
{
    Preview p;
    p.print();
    QVERIFY(p.form.isVisible());
    QTest::keyClick(&p.form, Qt::Key_Escape);
    QVERIFY(!p.form.isVisible());
}

// The orientation chosen in the setup changes the preview at the next "Drucken", not before.
void TestPrinting::orientationAtTheNextPrint()
{
    Preview p;
    p.text = lines(100);
    p.print();
    const int upright = p.form.prev->pages()->begun();
    const QSize page = p.form.prev->pageSize();
    QCOMPARE(page, QSize(794, 1123));
    p.form.qr().printer().setPageOrientation(QPageLayout::Landscape);
    QCOMPARE(p.form.prev->pageSize(), page); // the pages shown stay as they were
    p.print();
    QCOMPARE(p.form.prev->pageSize(), QSize(1123, 794));
    QVERIFY(p.form.prev->pages()->begun() > upright); // lower pages hold fewer lines
    p.form.qr().printer().setPageOrientation(QPageLayout::Portrait);
}

// Printed into a PDF: as many pages as the preview, each with its text.
void TestPrinting::pdfMatchesPreview()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "pdftotext (poppler-utils) is missing");
    Preview p;
    p.text = lines(120, QStringLiteral("Zeile"), QStringLiteral("Arial"));
    p.print();
    const int pages = p.form.prev->pages()->begun();
    QVERIFY(pages >= 3);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("druck.pdf"));
    p.form.qr().printToPdf(p.text, pdf);
    QVERIFY(run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))));
    int line = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                                  QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        for (const QString& l : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (l.trimmed().isEmpty() || l.startsWith(QLatin1Char('\f')))
                continue;
            QCOMPARE(l.trimmed(), QStringLiteral("Zeile %1").arg(line));
            ++line;
        }
    }
    QCOMPARE(line, 120);
    // A picture of the preview window for a person to look at.
    p.form.SpeedButton3Click();
    QVERIFY(p.form.grab().save(QStringLiteral(STILORA_BINARY_DIR "/preview-window.png")));
}

// The Greek of a PDF is text a reader can copy and search, not the font's codes.
void TestPrinting::pdfCarriesRealGreek()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "pdftotext (poppler-utils) is missing");
    styled::DocumentBuilder b;
    b.append(codes("\xa1rx\xcd \x99n \xd0 l\xd2goj, \x93Omhroj"), {QStringLiteral("Greek"), 14, 0});
    b.append(QStringLiteral(" und Umlaute äß"), {QStringLiteral("Arial"), 12, 0});
    Preview p;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("griechisch.pdf"));
    p.form.qr().printToPdf(b.take(), pdf);
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).normalized(QString::NormalizationForm_C).simplified();
    QVERIFY2(text.contains(QStringLiteral(u"ἁρχῇ ἐν ὁ λόγος, Ὅμηρος und Umlaute äß")), qPrintable(text));
}

// Text is as black on the screen as on paper: at the zoom "Drucken" chooses,
// on the first page and on later ones.
void TestPrinting::previewTextIsBlack_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("page");
    QTest::newRow("55 %, page 1") << 55 << 1;
    QTest::newRow("55 %, page 3") << 55 << 3;
    QTest::newRow("100 %, page 2") << 100 << 2;
}

void TestPrinting::previewTextIsBlack()
{
    QFETCH(int, zoom);
    QFETCH(int, page);
    Preview p;
    p.text = lines(150, codes("\xa1rx\xcd \x99n \xd0 l\xd2goj"));
    p.print();
    p.form.prev->setZoom(zoom);
    p.form.prev->setPageNumber(page);
    QCOMPARE(p.form.prev->pageNumber(), page);
    const auto [spread, darkest] = inkOf(p.form.prev->widget()->grab().toImage());
    QVERIFY2(spread > 0.09 && darkest < 40, qPrintable(QStringLiteral("%1 %2").arg(spread).arg(darkest)));
}

// A PDF file chosen in the print dialog replaces an old one only when it is whole.
void TestPrinting::printToFileIsWholeOrNothing()
{
    Preview p;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("druck.pdf"));
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old pdf");
    old.close();
    QPrinter& printer = p.form.qr().printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    QVERIFY(p.form.qr().print(lines(60), nullptr));
    QFile back(file);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll().startsWith("%PDF"));
    QCOMPARE(printer.outputFileName(), file); // the dialog keeps offering the user's name
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("druck.pdf")});
    // A write that fails fails the print, and the file printed before stays.
    const QByteArray printed = fileBytes(file);
    atomicfiles::setFaultHook([](atomicfiles::Step step, const QByteArray& path) {
        return step == atomicfiles::Step::Write && path.contains(".stilora-neu") ? ENOSPC : 0;
    });
    QString caught;
    try {
        p.form.qr().print(lines(60), nullptr);
    } catch (const IoError& e) {
        caught = e.message();
    }
    atomicfiles::setFaultHook({});
    QCOMPARE(caught, QStringLiteral("Zu wenig Speicherplatz: druck.pdf"));
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), printed);
    printer.setOutputFileName(QString());
}

// A long text is cut into as many pages as its lines need, whatever its length.
void TestPrinting::longTextInPages()
{
    for (int n : {1000, 3000}) {
        int pages = 0;
        report::producePages(lines(n), 706, false, [&](int, QPicture&&) {
            ++pages;
            return true;
        });
        QCOMPARE(pages, (n + 36) / 37); // 37 lines of 28 pixels a page
    }
    // One paragraph longer than a page goes on over the next ones.
    QString one;
    for (int i = 0; i < 4000; ++i)
        one += QStringLiteral("logos ");
    int pages = 0;
    report::producePages(styled::Document::fromPlainText(one), 706, false, [&](int, QPicture&&) {
        ++pages;
        return true;
    });
    QVERIFY(pages > 2);
}

// A long paragraph laid out a piece at a time gives the pages a whole
// layout gives: words, one long word across many lines, alignments, formats.
void TestPrinting::piecesChangeNothing_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("oneWord"); // no space at all: every line breaks anywhere
    QTest::newRow("words, left") << int(styled::AlignLeft) << false;
    QTest::newRow("words, centred") << int(styled::AlignCentre) << false;
    QTest::newRow("words, right") << int(styled::AlignRight) << false;
    QTest::newRow("one long word") << int(styled::AlignLeft) << true;
}

void TestPrinting::piecesChangeNothing()
{
    QFETCH(int, alignment);
    QFETCH(bool, oneWord);
    styled::DocumentBuilder b;
    b.setAlignment(alignment);
    const styled::CharFormat formats[] = {{QStringLiteral("Greek"), 14, 0},
                                          {QStringLiteral("Arial"), 12, styled::Italic},
                                          {QStringLiteral("Greek"), 22, styled::Bold}};
    const QString words[] = {QStringLiteral("logos "), QStringLiteral("kai "), QStringLiteral("anthropos, "), QStringLiteral("Xy")};
    for (int i = 0; i < 900; ++i) {
        QString w = words[i % 4];
        if (oneWord)
            w.remove(QLatin1Char(' '));
        b.append(w, formats[(i / 3) % 3]);
    }
    b.breakParagraph();
    b.append(QStringLiteral("Ende"), formats[0]);
    const styled::Document d = b.take();
    // The text of the pages, line by line, as a reader of the PDF gets it.
    QTemporaryDir dir;
    auto pages = [&](int piece) {
        report::setLayoutPiece(piece);
        const QString pdf = dir.filePath(QStringLiteral("p%1.pdf").arg(piece));
        report::writePdf(d, 706, pdf, QStringLiteral("Stücke"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        text.waitForFinished(30000);
        return QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\n'));
    };
    const QStringList whole = pages(1 << 20);
    const QStringList pieces = pages(300);
    report::setLayoutPiece(4096);
    QVERIFY(whole.size() > 40);
    QCOMPARE(pieces, whole);
}

// A PDF that cannot be written is a failure, whichever of its writes fails,
// or when the disk fills up; the old file stays.
void TestPrinting::failedWritesFailThePdf_data()
{
    QTest::addColumn<int>("limit"); // the file size the disk leaves room for; 0: none, a write fails instead
    QTest::newRow("each write in turn fails") << 0;
    QTest::newRow("the disk fills up after 4 KiB") << 4096;
    QTest::newRow("the disk fills up after 40 KiB") << 40960;
}

void TestPrinting::failedWritesFailThePdf()
{
    QFETCH(int, limit);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("aus.pdf"));
    const styled::Document text = lines(3000); // a PDF larger than the device's pieces
    auto exportPdf = [&] {
        docfiles::exportFile(text, file, DocumentKind::Format::Pdf, [](const styled::Document& d, const QString& f, const QString& t) {
            report::writePdf(d, 706, f, t);
        });
    };
    // How many writes the PDF takes.
    int writes = 0;
    atomicfiles::setFaultHook([&](atomicfiles::Step step, const QByteArray& path) {
        writes += step == atomicfiles::Step::Write && path.contains(".stilora-neu");
        return 0;
    });
    exportPdf();
    atomicfiles::setFaultHook({});
    QVERIFY(writes >= 2);
    for (int at = 1; at <= (limit ? 1 : writes); ++at) {
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old pdf");
        }
        int count = 0;
        atomicfiles::setFaultHook([&](atomicfiles::Step step, const QByteArray& path) {
            return !limit && step == atomicfiles::Step::Write && path.contains(".stilora-neu") && ++count == at ? EIO : 0;
        });
        std::optional<FileSizeLimit> full;
        if (limit)
            QVERIFY(full.emplace(rlim_t(limit)).ok());
        QString caught;
        try {
            exportPdf();
        } catch (const IoError& e) {
            caught = e.message();
        }
        full.reset();
        atomicfiles::setFaultHook({});
        const QString where = QStringLiteral("write %1 of %2").arg(at).arg(writes);
        QCOMPARE(caught, limit ? QStringLiteral("Zu wenig Speicherplatz: aus.pdf") : QStringLiteral("E/A-Fehler 5: aus.pdf"));
        QFile back(file);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QVERIFY2(back.readAll() == "old pdf", qPrintable(where));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("aus.pdf")});
    }
}

// " Seite 109 von 109" is shown whole, the box where it was.
void TestPrinting::pageBoxShowsItsText()
{
    Preview p;
    p.text = lines(4000);
    p.print();
    p.form.sbvvClick();
    QLineEdit* box = p.form.mSeite;
    QVERIFY(box->text().endsWith(QLatin1String("von 109")));
    QVERIFY(box->width() >= box->fontMetrics().horizontalAdvance(box->text()) + 8);
    QCOMPARE(box->pos(), QPoint(344, 6));
    QVERIFY(p.form.Panel1->rect().contains(box->geometry()));
}

// The printer setup only takes the settings: its button says so.
void TestPrinting::setupButtonSaysOK()
{
    Preview p;
    QString accept;
    QTimer::singleShot(300, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
            accept = buttons->button(QDialogButtonBox::Ok)->text();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    p.form.SpeedButton1Click();
    QCOMPARE(accept, QStringLiteral("OK"));
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
