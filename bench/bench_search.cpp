// Searching a 10 MiB document for a word that is not in it, with each
// combination of the options: the whole text is read and compared.
#include "benchdocs.h"
#include "greekfont.h"
#include "richtextsurface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    QWidget host;
    RichTextSurface txt(&host);
    txt.load(benchdocs::make(10 << 20, 140'000));
    std::printf("document: %d characters\n", txt.textLength());
    {
        // The first search after a change makes the text it reads; the later ones find it made.
        QElapsedTimer t;
        t.start();
        if (txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), 0) != -1)
            return 1;
        std::printf("  first search after a change: %6.1f ms\n", t.nsecsElapsed() / 1e6);
        txt.selectRange(0, 1);
        txt.setFontStyle(surface::Bold); // a change: the text is made again
        t.restart();
        if (txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), 0) != -1)
            return 1;
        std::printf("  again after a change (bold):  %6.1f ms\n", t.nsecsElapsed() / 1e6);
        txt.setSelStart(txt.textLength() / 2);
        txt.typeText(QStringLiteral("x")); // a letter typed in the middle
        t.restart();
        if (txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), 0) != -1)
            return 1;
        std::printf("  after a typed letter:         %6.1f ms\n", t.nsecsElapsed() / 1e6);
        // Ignoring the marks: the folded text is made once, then kept.
        t.restart();
        if (txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), surface::IgnoreMarks) != -1)
            return 1;
        std::printf("  first search ignoring marks:  %6.1f ms\n", t.nsecsElapsed() / 1e6);
        txt.typeText(QStringLiteral("y"));
        t.restart();
        if (txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), surface::IgnoreMarks) != -1)
            return 1;
        std::printf("  ignoring marks, after a typed letter: %6.1f ms\n", t.nsecsElapsed() / 1e6);
        txt.load(benchdocs::make(10 << 20, 140'000));
        t.restart();
        if (txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), surface::IgnoreMarks) != -1)
            return 1;
        std::printf("  ignoring marks, first after a load: %6.1f ms\n", t.nsecsElapsed() / 1e6);
    }
    const struct {
        const char* name;
        int options;
    } cases[] = {{"no options", 0},
                 {"whole word", surface::WholeWord},
                 {"match case", surface::MatchCase},
                 {"both", surface::WholeWord | surface::MatchCase},
                 {"ignore marks", surface::IgnoreMarks},
                 {"ignore marks, whole word", surface::IgnoreMarks | surface::WholeWord},
                 {"ignore marks, match case", surface::IgnoreMarks | surface::MatchCase}};
    for (const auto& c : cases) {
        std::vector<double> ms;
        for (int r = 0; r < 5; ++r) {
            QElapsedTimer t;
            t.start();
            const int found = txt.find(QStringLiteral("nirgendwo"), 0, txt.textLength(), c.options);
            ms.push_back(t.nsecsElapsed() / 1e6);
            if (found != -1)
                return 1;
        }
        std::sort(ms.begin(), ms.end());
        std::printf("  %-26s %6.1f ms (median of 5)\n", c.name, ms[2]);
    }
    return 0;
}
