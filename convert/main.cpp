#include "atomicfiles.h"
#include "converter.h"
#include "greekfont.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // The tool reports its own errors in German; Qt's notes about its
    // environment (a missing XDG_RUNTIME_DIR, say) do not belong on its output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "stilora-convert: %s\n", message.toUtf8().constData());
            std::abort();
        }
    });
    // Fonts and PDF need the GUI library, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    resources::registerGreekFont();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodePath(argv[i]); // a name that is not UTF-8 still names its file
    const convert::Outcome outcome = convert::run(arguments);
    for (const QString& line : outcome.output)
        std::printf("%s\n", encodePath(line).constData());
    std::fflush(stdout);
    // Messages in UTF-8; a file name that is not comes out as its own bytes.
    for (const QString& w : outcome.warnings)
        std::fprintf(stderr, "stilora-convert: Warnung: %s\n", encodePath(w).constData());
    for (const QString& e : outcome.errors)
        std::fprintf(stderr, "stilora-convert: %s\n", encodePath(e).constData());
    for (const QString& s : outcome.summary)
        std::fprintf(stderr, "stilora-convert: %s\n", encodePath(s).constData());
    if (outcome.help)
        std::fputs(convert::usage().toUtf8().constData(), stdout);
    return outcome.exitCode;
}
