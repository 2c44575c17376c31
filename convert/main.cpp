#include "converter.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const convert::Outcome outcome = convert::run(arguments);
    for (const QString& w : outcome.warnings)
        std::fprintf(stderr, "stilora-convert: Warnung: %s\n", w.toLocal8Bit().constData());
    for (const QString& e : outcome.errors)
        std::fprintf(stderr, "stilora-convert: %s\n", e.toLocal8Bit().constData());
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        std::fputs(convert::usage().toLocal8Bit().constData(), stdout);
    return outcome.exitCode;
}
