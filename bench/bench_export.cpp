// Hostile and huge documents through the converter, as one run of the program
// each: 40,000 distinct fonts (each in a paragraph of its own, and all in one
// paragraph) into ODT, HTML and PDF; 10,000 pages of plain text into PDF;
// 50 MB of \par into ODT, HTML and text, with the peak memory as a multiple
// of the input. The editor's part: the 40,000 fonts loaded and laid out.
#include "greekfont.h"
#include "richtextsurface.h"
#include "rtfreader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray manyFonts(bool paragraphEach)
{
    QByteArray out = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 40000; ++i)
        out += "{\\f" + QByteArray::number(i) + "\\fnil Font" + QByteArray::number(i) + ";}";
    out += "}";
    for (int i = 0; i < 40000; ++i)
        out += "\\f" + QByteArray::number(i) + " x" + QByteArray::number(i) + (paragraphEach ? "\\par " : " ");
    return out + "}";
}

QByteArray plainText(int lines)
{
    static const char* words[] = {"logos", "kai", "anthropos", "theos", "ergon", "hemera", "nux", "polis"};
    QByteArray out;
    unsigned seed = 2;
    for (int i = 0; i < lines; ++i) {
        for (int w = 0; w < 8; ++w) {
            seed = seed * 1103515245 + 12345;
            out += words[(seed >> 16) % 8];
            out += w < 7 ? " " : "\r\n";
        }
    }
    return out;
}

struct Run {
    double seconds;
    long peakKb;
    int exitCode;
};

// One run of the converter, timed, with its peak resident memory.
Run convert(const QString& in, const QString& out)
{
    QElapsedTimer t;
    t.start();
    const pid_t child = fork();
    if (child == 0) {
        const QByteArray tool = STILORA_CONVERT, a = QFile::encodeName(in), b = QFile::encodeName(out);
        execl(tool.constData(), tool.constData(), a.constData(), b.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {t.nsecsElapsed() / 1e9, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    QTemporaryDir dir;
    auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    put(path("fonts-par.rtf"), manyFonts(true));
    put(path("fonts-line.rtf"), manyFonts(false));
    std::printf("40,000 distinct fonts, converted by stilora-convert:\n");
    for (const char* in : {"fonts-par.rtf", "fonts-line.rtf"})
        for (const char* ext : {"odt", "html", "pdf"}) {
            const Run r = convert(path(in), path(in) + QStringLiteral(".") + QLatin1String(ext));
            std::printf("  %-15s -> %-4s %6.2f s  %7.1f MB%s\n", in, ext, r.seconds, r.peakKb / 1024.0, r.exitCode ? " (FAILED)" : "");
        }

    // The editor: loaded, and laid out to the end.
    {
        QFile f(path("fonts-par.rtf"));
        f.open(QIODevice::ReadOnly);
        const styled::Document d = rtf::read(f.readAll()).document;
        QWidget host;
        host.resize(720, 400);
        RichTextSurface surface(&host);
        surface.widget()->setGeometry(0, 0, 706, 380);
        host.show();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        surface.load(d);
        const double loaded = t.nsecsElapsed() / 1e6;
        surface.widget()->repaint();
        const double shown = t.nsecsElapsed() / 1e6;
        for (int i = 0; i < 100000 && !surface.layoutComplete(); ++i)
            QApplication::processEvents(); // the idle steps that lay out the rest
        const double complete = t.nsecsElapsed() / 1e6;
        std::printf("  into the editor: loaded %.0f ms, first screen %.0f ms, laid out to the end %.0f ms\n", loaded, shown,
                    complete);
    }

    put(path("plain.txt"), plainText(370000));
    {
        const Run r = convert(path("plain.txt"), path("plain.pdf"));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {path("plain.pdf")});
        info.waitForFinished();
        const QByteArray pages = info.readAllStandardOutput();
        const qsizetype at = pages.indexOf("Pages:");
        std::printf("plain text of %.1f MB to PDF: %.2f s, %7.1f MB, %s\n", QFileInfo(path("plain.txt")).size() / 1e6, r.seconds,
                    r.peakKb / 1024.0, at >= 0 ? pages.mid(at, pages.indexOf('\n', at) - at).simplified().constData() : "?");
    }

    put(path("par.rtf"), "{\\rtf1 " + QByteArray(12'500'000, 'x').replace("x", "\\par") + "}");
    const double inMb = QFileInfo(path("par.rtf")).size() / 1048576.0;
    std::printf("%.0f MB of \\par:\n", inMb);
    for (const char* ext : {"odt", "html", "txt", "rtf"}) {
        const Run r = convert(path("par.rtf"), path("par-out.") + QLatin1String(ext));
        std::printf("  -> %-4s %6.2f s  peak %7.1f MB = %.1f times the input%s\n", ext, r.seconds, r.peakKb / 1024.0,
                    r.peakKb / 1024.0 / inMb, r.exitCode ? " (FAILED)" : "");
    }
    return 0;
}
