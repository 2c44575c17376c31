// stilora-convert --find over 1,000 small pairs (a page of Greek each), as an
// archive is searched: the whole run of the program, start to end.
#include "paircodec.h"
#include "styledtext.h"
#include "unicodegreek.h"
#include "atomicfiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString page = unicodegreek::importGreek(QStringLiteral(u"ἐν ἀρχῇ ἦν ὁ λόγος, καὶ ὁ λόγος ἦν πρὸς τὸν θεόν. ")).codes;
    QStringList files;
    for (int i = 0; i < 1000; ++i) {
        QString text;
        for (int k = 0; k < 40; ++k)
            text += page + (k % 8 == 7 ? QStringLiteral("\n") : QString());
        const pair::Bytes p = pair::write(styled::Document::fromPlainText(text, {QStringLiteral("Greek"), 14, 0}));
        const QString base = dir.filePath(QStringLiteral("brief%1.").arg(i, 4, 10, QLatin1Char('0')));
        writeFilesAtomically({{base + QStringLiteral("txt"), p.text}, {base + QStringLiteral("sri"), p.runs}});
        files << base + QStringLiteral("sri");
    }
    std::printf("1000 pairs of %lld bytes of text each\n", (long long)QFileInfo(dir.filePath(QStringLiteral("brief0000.txt"))).size());
    const struct {
        const char* name;
        QStringList options;
        const char16_t* text;
    } cases[] = {{"a missing word, exact", {}, u"νιργενδω"},
                 {"a missing word, ignoring marks", {QStringLiteral("--ignore-marks")}, u"νιργενδω"},
                 {"80,000 hits, ignoring marks", {QStringLiteral("--ignore-marks")}, u"λογος"}};
    for (const auto& c : cases) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral(STILORA_CONVERT), QStringList{QStringLiteral("--find"), QString::fromUtf16(c.text)} + c.options + files);
        p.waitForFinished(120000);
        const double ms = t.nsecsElapsed() / 1e6;
        const qsizetype hits = p.readAllStandardOutput().count('\n');
        std::printf("  %-32s %7.1f ms, %lld hits\n", c.name, ms, (long long)hits);
    }
    return 0;
}
