// Start-up to the main window's first show: starts the program 10 times as a
// child process (offscreen) and prints the median and the spread.
#include "stilora.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        // The real start-up path; stop as soon as the main window has been
        // shown. The flag is not handed on: the program would open it as a file.
        return runStilora(1, argv, [](Stilora&) {
            std::puts("shown");
            std::fflush(stdout);
            return false;
        });
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QCoreApplication app(argc, argv);
    // The child starts where an options file lies, as a program that ran before.
    QTemporaryDir start;
    QFile options(start.filePath(QStringLiteral("option.dat")));
    if (!options.open(QIODevice::WriteOnly) || options.write(QByteArray("\1\1\1", 3) + QByteArray(99, '\0')) != 102)
        return 1;
    options.close();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(start.path());
        QElapsedTimer t;
        t.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        if (!child.waitForStarted() || !child.waitForReadyRead(30000)) {
            std::fprintf(stderr, "child did not start\n");
            return 1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
        child.waitForFinished();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start-up to first show, %d starts (offscreen): median %.1f ms, min %.1f ms, max %.1f ms\n", runs,
                ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}
