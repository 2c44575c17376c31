// Per-keystroke cost of the typing pipeline in a 1 MiB document of 10,000
// formatting runs, at its end and in its middle, against the same keystroke
// into the same document without the pipeline. Prints median and p99.
#include "benchdocs.h"
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
#include <QTextEdit>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kDocBytes = 1 << 20;
constexpr int kRuns = 10000;
constexpr int kLine = 100;
int kKeys = 1500; // keystrokes per figure; the first argument changes it

struct Editor {
    QWidget host;
    RichTextSurface surface{&host};
    SharedState state;
    TypingPipeline pipeline{surface, state, [] { return QStringLiteral("Greek"); }};
    QMetaObject::Connection link;
    std::vector<qint64> pipelineNs; // time inside the pipeline alone

    explicit Editor(bool book)
    {
        state.ComposeArmed = true;
        host.resize(720, 400);
        surface.widget()->setGeometry(0, 0, 706, 380);
        if (book) {
            // The 10 MiB RTF of bench_open: 9,000 paragraphs, 140,000 runs, read as Open reads it.
            surface.load(rtf::read(rtf::write(benchdocs::make(1'450'000, 140'000, 161))).document);
            host.show();
            while (!surface.layoutComplete())
                QApplication::processEvents();
            return;
        }
        QString text;
        text.reserve(kDocBytes);
        const QString word = QStringLiteral("logos kai ");
        while (text.size() < kDocBytes) {
            for (int i = 0; i < kLine - 1; ++i)
                text.append(word[i % word.size()]);
            text.append(QLatin1Char('\n'));
        }
        text.truncate(kDocBytes);
        surface.setText(text);
        const int runLength = kDocBytes / kRuns;
        for (int r = 0; r < kRuns; r += 2) {
            surface.selectRange(r * runLength, runLength);
            surface.setFontStyle(r % 4 == 0 ? surface::Bold : surface::Italic);
        }
        host.show();
        QApplication::processEvents();
    }

    void pipelineOn(bool on)
    {
        QObject::disconnect(link);
        if (on)
            link = QObject::connect(&surface, &RichTextSurface::changed, &host,
                                    [this](const surface::TextChange& c) {
                                        QElapsedTimer t;
                                        t.start();
                                        pipeline.txtChange(c);
                                        pipelineNs.push_back(t.nsecsElapsed());
                                    });
    }

    void newLine()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(surface.widget(), &press);
    }

    qint64 key(QChar ch)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(ch));
        QElapsedTimer t;
        t.start();
        QApplication::sendEvent(surface.widget(), &press);
        return t.nsecsElapsed();
    }
};

struct Figures {
    double median, p99;
};

Figures figures(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2] / 1000.0, ns[std::min(ns.size() - 1, ns.size() * 99 / 100)] / 1000.0};
}

// Types 2 * kKeys characters at pos (plain letters, or "<a" pairs that
// compose, timing the letter), the pipeline switched on for every other one so
// that both sets see the same document, and returns the times {off, on}.
std::array<std::vector<qint64>, 2> typeAt(Editor& e, int pos, bool composing)
{
    e.surface.setSelStart(pos);
    std::array<std::vector<qint64>, 2> ns;
    for (int i = 0; i < 2 * kKeys; ++i) {
        const int on = i % 2;
        e.pipelineOn(on);
        if (composing) {
            e.key(QLatin1Char('<'));
            ns[on].push_back(e.key(QLatin1Char('a')));
        } else {
            ns[on].push_back(e.key(QLatin1Char(i % 7 == 6 ? ' ' : 'x')));
        }
        if (i % 60 == 59) {
            e.newLine(); // lines of ordinary length, as a typist makes them
            QApplication::processEvents(); // and the repaints that happen between keystrokes
        }
    }
    return ns;
}

} // namespace

int main(int argc, char* argv[])
{
    DeadKeyLayer::disableSystemInputMethod();
    QApplication app(argc, argv);
    if (argc > 1)
        kKeys = std::max(10, std::atoi(argv[1]));
    const char* only = argc > 2 && std::strcmp(argv[2], "all") != 0 ? argv[2] : nullptr; // "end" or "middle" alone
    const bool book = argc > 3 && std::strcmp(argv[3], "book") == 0;
    resources::registerGreekFont();
    DeadKeyLayer::install();

    Editor e(book);
    std::printf("document: %d characters, %d formatting runs, %d keystrokes per figure\n",
                e.surface.textLength(), book ? 140000 : kRuns, kKeys);
    std::printf("%-22s %-10s %12s %12s\n", "keystroke at", "pipeline", "median us", "p99 us");
    for (const bool composing : {false, true}) {
        for (const char* where : {"end", "middle"}) {
            if (only && std::strcmp(only, where) != 0)
                continue;
            const int pos = std::strcmp(where, "end") == 0 ? e.surface.textLength() : e.surface.textLength() / 2;
            typeAt(e, pos, composing); // warm-up
            e.pipelineNs.clear();
            const auto ns = typeAt(e, pos, composing);
            const Figures f[2] = {figures(ns[0]), figures(ns[1])};
            const QByteArray label = QByteArray(where) + (composing ? ", composing" : ", plain");
            std::printf("%-22s %-10s %12.1f %12.1f\n", label.constData(), "off", f[0].median, f[0].p99);
            std::printf("%-22s %-10s %12.1f %12.1f   (%+.0f %% median)\n", label.constData(), "on", f[1].median,
                        f[1].p99, 100.0 * (f[1].median - f[0].median) / f[0].median);
            const Figures own = figures(e.pipelineNs); // its runs, the '<' before a composing letter included
            std::printf("%-22s %-10s %12.1f %12.1f\n", label.constData(), "itself", own.median, own.p99);
        }
    }
    return 0;
}
