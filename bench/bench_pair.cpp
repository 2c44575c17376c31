// The pair of versions 1.0 and 1.01, 1 MiB of text in 10,000 runs: writing
// (from the editor to both files) and reading (from both files into the
// editor) against the old per-position writer and per-record reader that
// work through the editor. Prints the median of several rounds.
#include "atomicfiles.h"
#include "benchdocs.h"
#include "codepage.h"
#include "greekfont.h"
#include "ioerror.h"
#include "paircodec.h"
#include "pairreference.h"
#include "richtextsurface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {


} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QWidget host;
    host.resize(720, 400);
    RichTextSurface editor(&host);
    editor.widget()->setGeometry(0, 0, 706, 380);
    host.show();
    editor.load(benchdocs::make(1 << 20, 10000));
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench."));

    std::vector<double> write, read;
    QByteArray text, runs;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const pair::Bytes bytes = pair::write(editor.snapshot());
        writeFilesAtomically({{base + QStringLiteral("txt"), bytes.text}, {base + QStringLiteral("sri"), bytes.runs}});
        write.push_back(t.nsecsElapsed() / 1e6);
        text = bytes.text;
        runs = bytes.runs;

        t.restart();
        const pair::ReadResult result = pair::read(readWholeFile(base + QStringLiteral("txt")), readWholeFile(base + QStringLiteral("sri")));
        editor.load(result.document);
        QApplication::processEvents(); // the first screen is drawn
        read.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("pair of %lld + %lld bytes, %lld records\n", (long long)text.size(), (long long)runs.size(),
                (long long)std::count(runs.begin(), runs.end(), '\0'));
    std::printf("  write, editor to files:   %8.1f ms (median of %d)\n", benchdocs::median(write), rounds);
    std::printf("  read, files to editor:    %8.1f ms (median of %d)\n", benchdocs::median(read), rounds);

    QElapsedTimer t;
    t.start();
    const QByteArray old = pairreference::referenceRuns(editor);
    const double oldWrite = t.nsecsElapsed() / 1e6;
    t.restart();
    RichTextSurface other(&host);
    pairreference::referenceRead(other, text, runs);
    const double oldRead = t.nsecsElapsed() / 1e6;
    std::printf("  old writer, per position: %8.1f ms (%.0f times slower)%s\n", oldWrite, oldWrite / benchdocs::median(write),
                old == runs ? "" : "  BYTES DIFFER");
    std::printf("  old reader, per record:   %8.1f ms (%.0f times slower)\n", oldRead, oldRead / benchdocs::median(read));
    return 0;
}
