// A 500-page document: the first page in the preview after "Drucken", the
// longest the user-interface thread is held up while the rest are produced,
// all pages done, and printing it into a PDF file. Then a plain text of
// 10,000 pages printed into a PDF file.
#include "benchdocs.h"
#include "greekfont.h"
#include "ioerror.h"
#include "pages.h"
#include "previewcontrol.h"
#include "report.h"
#include "tform2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Whether a write went through; its error on standard error when not.
template <class Write>
bool written(Write&& write)
{
    try {
        write();
        return true;
    } catch (const IoError& e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return false;
    }
}

// The 500-page document through the preview window and into a PDF file.
bool previewAndPdf()
{
    // About 500 pages: lines of 100 characters, two lines each in the 706-pixel column.
    const styled::Document text = benchdocs::make(925'000, 20'000);
    TForm2 form([&] { return text; });

    QElapsedTimer clock;
    double firstPage = -1;
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker; // measures how long the user-interface thread goes without a turn
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    clock.start();
    form.prepare(706, QStringLiteral("Stilora - "));
    lastTick = clock.nsecsElapsed();
    ticker.start();
    QObject::connect(form.prev, &PreviewControl::pageAvailable, [&](int n) {
        if (n == 1 && firstPage < 0) {
            form.prev->repaint(); // the first page on the screen
            firstPage = clock.nsecsElapsed() / 1e6;
        }
    });
    while (!form.prev->pages()->done())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double allDone = clock.nsecsElapsed() / 1e6;
    ticker.stop();
    const int pages = form.prev->pages()->begun();

    QTemporaryDir dir;
    QElapsedTimer pdf;
    pdf.start();
    const bool ok = written([&] { form.qr().printToPdf(text, dir.filePath(QStringLiteral("druck.pdf"))); });
    const double pdfMs = pdf.nsecsElapsed() / 1e6;

    std::printf("%d pages\n", pages);
    std::printf("  first page shown after \"Drucken\": %8.1f ms\n", firstPage);
    std::printf("  longest hold-up of the UI thread: %8.1f ms\n", longestGap / 1e6);
    std::printf("  all pages produced:               %8.1f ms\n", allDone);
    std::printf("  printed into a PDF file:          %8.1f ms%s\n", pdfMs, ok ? "" : " (FAILED)");
    return ok;
}

// A plain text of 10,000 pages into a PDF file.
bool bookIntoPdf()
{
    // 370,000 lines of eight words: 10,000 pages of 37 lines.
    QString plain;
    const char* words[] = {"logos", "kai", "anthropos", "theos", "ergon", "hemera", "nux", "polis"};
    for (int i = 0; i < 370'000; ++i) {
        for (int w = 0; w < 8; ++w)
            plain += QLatin1String(words[(i * 7 + w * 3) % 8]) + QLatin1Char(w < 7 ? ' ' : '\n');
    }
    plain.chop(1);
    const styled::Document book = styled::Document::fromPlainText(plain);
    QTemporaryDir dir;
    report::Report engine;
    engine.setItemWidth(706);
    QElapsedTimer big;
    big.start();
    const bool ok = written([&] { engine.printToPdf(book, dir.filePath(QStringLiteral("buch.pdf"))); });
    const double seconds = big.nsecsElapsed() / 1e9;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {dir.filePath(QStringLiteral("buch.pdf"))});
    info.waitForFinished();
    const QByteArray out = info.readAllStandardOutput();
    const qsizetype at = out.indexOf("Pages:");
    const QByteArray pages = at < 0 ? QByteArray("?") : out.mid(at + 6, out.indexOf('\n', at) - at - 6).trimmed();
    std::printf("%s pages of plain text (%.1f MB) printed into a PDF file: %8.1f s%s\n", pages.constData(), plain.size() / 1e6, seconds,
                ok ? "" : " (FAILED)");
    return ok;
}

// One paragraph whose characters alternate between two fonts: `runs` runs
// into a PDF file.
double runsIntoPdf(int runs)
{
    styled::DocumentBuilder b;
    const styled::CharFormat greek{QStringLiteral("Greek"), 14, 0};
    const styled::CharFormat arial{QStringLiteral("Arial"), 14, 0};
    for (int i = 0; i < runs; ++i)
        b.append(QString(QLatin1Char('a' + i % 26)), i % 2 ? arial : greek); // no space: one word
    const styled::Document d = b.take();
    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const bool ok = written([&] { report::writePdf(d, 706, dir.filePath(QStringLiteral("runs.pdf")), QStringLiteral("runs")); });
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("one paragraph of %7d runs into a PDF file: %8.2f s%s\n", runs, seconds, ok ? "" : " (FAILED)");
    return ok ? seconds : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    if (argc > 1 && QByteArray(argv[1]) == "--runs") {
        // Time grows with the runs, not with their square.
        const double small = runsIntoPdf(20'000);
        const double large = runsIntoPdf(200'000);
        std::printf("ten times the runs: %.1f times the time\n", large / small);
        return small > 0 && large > 0 ? 0 : 1;
    }
    const bool only = argc > 1 && QByteArray(argv[1]) == "--book";
    const bool a = only || previewAndPdf();
    const bool b = bookIntoPdf();
    return a && b ? 0 : 1;
}
