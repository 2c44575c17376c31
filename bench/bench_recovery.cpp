// Recovery copies in the 10 MiB book of bench_open: the document taken on
// the window's thread, the copy encoded and written on the writer's, and
// keystrokes (through the typing pipeline) while copies are being written
// back to back, against keystrokes without copies.
#include "benchdocs.h"
#include "copywriter.h"
#include "deadkeylayer.h"
#include "greekfont.h"
#include "richtextsurface.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "sharedstate.h"
#include "typingpipeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double median(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return ns[ns.size() / 2] / 1e6;
}

struct Figures {
    double median, p99;
};

Figures figures(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2] / 1000.0, ns[std::min(ns.size() - 1, ns.size() * 99 / 100)] / 1000.0};
}

qint64 key(QWidget* w, QChar ch)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(ch));
    QElapsedTimer t;
    t.start();
    QApplication::sendEvent(w, &press);
    return t.nsecsElapsed();
}

} // namespace

int main(int argc, char* argv[])
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    const int keys = argc > 1 ? std::max(100, std::atoi(argv[1])) : 3000;
    resources::registerGreekFont();
    DeadKeyLayer::install();

    QWidget host;
    RichTextSurface surface(&host);
    SharedState state;
    state.ComposeArmed = true;
    TypingPipeline pipeline(surface, state, [] { return QStringLiteral("Greek"); });
    QObject::connect(&surface, &RichTextSurface::changed, &host, [&](const surface::TextChange& c) { pipeline.txtChange(c); });
    host.resize(720, 400);
    surface.widget()->setGeometry(0, 0, 706, 380);
    surface.load(rtf::read(rtf::write(benchdocs::make(1'450'000, 140'000, 161))).document);
    host.show();
    while (!surface.layoutComplete())
        QApplication::processEvents();

    QTemporaryDir dir;
    const recovery::CopyFiles files{dir.filePath(QStringLiteral("copy-1.rtf")), dir.filePath(QStringLiteral("copy-1.meta"))};
    const recovery::Session session{dir.filePath(QStringLiteral("buch.")), DocumentKind(), QStringLiteral("Stilora - buch")};

    std::vector<qint64> snapshotNs, writeNs;
    qint64 rtfBytes = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        const styled::Document d = surface.snapshot();
        snapshotNs.push_back(t.nsecsElapsed());
        t.restart();
        files.write(d, session, QDateTime::currentDateTime());
        writeNs.push_back(t.nsecsElapsed());
        rtfBytes = QFileInfo(files.rtf).size();
    }
    std::printf("document: %d characters, copy of %.1f MiB\n", surface.textLength(), rtfBytes / 1048576.0);
    std::printf("  taking the document (window's thread):  %7.1f ms (median of 5)\n", median(snapshotNs));
    std::printf("  encoding and writing the copy (writer): %7.1f ms (median of 5)\n", median(writeNs));

    // Blocks of keystrokes by turns without and with copies being written;
    // with them, a new copy is handed over as soon as the last is on the disk.
    std::atomic<int> written{0};
    recovery::CopyWriter writer(files, [&](quint64, const std::optional<IoError>&) { ++written; });
    std::vector<qint64> ns[2];
    int handed = 0;
    surface.setSelStart(surface.textLength() / 2);
    for (int block = 0; block < 2 * keys / 100; ++block) {
        const int copies = block % 2;
        if (!copies)
            writer.waitIdle();
        for (int i = 0; i < 100; ++i) {
            if (copies && written.load() == handed) {
                ++handed;
                writer.write(surface.snapshot(), session, QDateTime::currentDateTime(), quint64(handed));
            }
            if (i % 2 == 0) {
                key(surface.widget(), QLatin1Char('<'));
                ns[copies].push_back(key(surface.widget(), QLatin1Char('a')));
            } else {
                ns[copies].push_back(key(surface.widget(), QLatin1Char(i % 7 == 6 ? ' ' : 'x')));
            }
            if (i % 60 == 59) {
                QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                QApplication::sendEvent(surface.widget(), &ret); // lines of ordinary length
            }
            QApplication::processEvents(); // the copies' reports and the repaints between keystrokes
        }
    }
    writer.waitIdle();
    const Figures off = figures(ns[0]), on = figures(ns[1]);
    std::printf("keystrokes in its middle, %d each (plain and composing by turns):\n", int(ns[0].size()));
    std::printf("  without copies:  median %6.1f us   p99 %6.1f us\n", off.median, off.p99);
    std::printf("  copies written:  median %6.1f us   p99 %6.1f us   (%+.0f %% median; %d copies)\n", on.median, on.p99,
                100.0 * (on.median - off.median) / off.median, handed);
    return 0;
}
