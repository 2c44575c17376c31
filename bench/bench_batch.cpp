// stilora-convert on a batch of 1,000 small pairs, each converted to ODT
// beside itself, as one run of the program.
#include "atomicfiles.h"
#include "paircodec.h"
#include "ioerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 1000; ++i) {
        styled::DocumentBuilder b;
        b.append(QStringLiteral("Brief %1: <anqrwpos kai logos, ").arg(i), {QStringLiteral("Greek"), 14, 0});
        b.append(QStringLiteral("mit Gru\u00DF"), {QStringLiteral("Arial"), 12, styled::Italic});
        const pair::Bytes bytes = pair::write(b.take());
        const QString base = dir.filePath(QStringLiteral("brief%1.").arg(i));
        writeFilesAtomically({{base + QStringLiteral("txt"), bytes.text}, {base + QStringLiteral("sri"), bytes.runs}});
        files << base + QStringLiteral("sri");
    }
    QProcess tool;
    QElapsedTimer t;
    t.start();
    tool.start(QStringLiteral(STILORA_CONVERT), QStringList{QStringLiteral("--to"), QStringLiteral("odt")} + files);
    tool.waitForFinished(600000);
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("1,000 pairs to ODT in one run: %.2f s (exit %d)\n", seconds, tool.exitCode());
    return tool.exitCode();
}
