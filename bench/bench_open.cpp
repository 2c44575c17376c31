// Opening a 10 MiB RTF (about 9,000 paragraphs, 140,000 formatted runs)
// through the program's real Open command until the editor shows it, the
// peak memory it takes.
#include "atomicfiles.h"
#include "benchdocs.h"
#include "greekfont.h"
#include "ioerror.h"
#include "richtextsurface.h"
#include "rtfwriter.h"
#include "stilora.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The open dialog answers with the benchmark's file; nothing else is asked.
struct BenchDialogs : Dialogs {
    QString file;
    bool question(QWidget*, const QString&) override { return true; }
    Answer questionWithCancel(QWidget*, const QString&) override { return Answer::No; }
    void notice(QWidget*, const QString&) override {}
    void errorBox(QWidget*, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    FileDialogAnswer openFile(QWidget*, const FileDialogRequest&) override { return {true, file, 1}; }
    FileDialogAnswer saveFile(QWidget*, const FileDialogRequest&) override { return {}; }
};
struct NoShell : Shell {
    void open(const QString&) override {}
};
struct NoHelp : Help {
    void showContents(const QString&, QWidget*) override {}
};


} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    QTemporaryDir dir;
    BenchDialogs dialogs;
    dialogs.file = dir.filePath(QStringLiteral("buch.rtf"));
    writeFilesAtomically({{dialogs.file, rtf::write(benchdocs::make(1'450'000, 140'000, 161))},
                          {dir.filePath(QStringLiteral("option.dat")), QByteArray("\1\1\1", 3) + QByteArray(99, '\0')}});
    QDir::setCurrent(dir.path()); // the program finds its options there
    const double mib = QFileInfo(dialogs.file).size() / 1048576.0;
    NoShell shell;
    NoHelp help;
    Stilora program(Seams{dialogs, shell, help});
    TForm1& form = *program.Form1;
    QApplication::processEvents();

    const long rssBefore = benchdocs::statusKb("VmRSS:");
    benchdocs::resetPeak();
    QElapsedTimer t;
    t.start();
    form.item(QStringLiteral("ffnen1"))->trigger();
    form.txt().widget()->repaint();
    const double shownMs = t.nsecsElapsed() / 1e6;
    const long peak = benchdocs::statusKb("VmHWM:");
    for (int i = 0; i < 100000 && !form.txt().layoutComplete(); ++i)
        QApplication::processEvents();
    const double completeMs = t.nsecsElapsed() / 1e6;

    std::printf("RTF of %.1f MiB, %d characters, %lld paragraphs\n", mib, form.txt().textLength(),
                (long long)form.txt().snapshot().paragraphs.size());
    std::printf("  open until shown:         %8.1f ms\n", shownMs);
    std::printf("  every paragraph laid out: %8.1f ms\n", completeMs);
    std::printf("  peak memory of the open:  %8.1f MiB (%.1f times the file)\n", (peak - rssBefore) / 1024.0,
                (peak - rssBefore) / 1024.0 / mib);

    std::printf("  (typing in this document: bench_typing 1500 all book)\n");
    return 0;
}
