// What a screen reader costs the editor on a 10 MiB document: the Unicode
// text and its map made at the first question, a typed letter's change
// event told in Unicode (the map made anew), and the zoom's new layout.
#include "accessibletext.h"
#include "benchdocs.h"
#include "greekfont.h"
#include "richtextsurface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <QWidget>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    accessibletext::install();
    QWidget host;
    host.resize(800, 600);
    RichTextSurface txt(&host);
    txt.widget()->resize(800, 600);
    txt.load(benchdocs::make(10 << 20, 140'000));
    std::printf("document: %d characters\n", txt.textLength());
    auto* acc = dynamic_cast<CodedTextAccessible*>(QAccessible::queryAccessibleInterface(txt.widget()));
    if (!acc)
        return 1;
    QElapsedTimer t;
    t.start();
    const int count = acc->characterCount();
    std::printf("  first question (the Unicode text made):  %7.1f ms (%d characters)\n", t.nsecsElapsed() / 1e6, count);
    t.restart();
    for (int i = 0; i < 100; ++i)
        (void)acc->characterRect(i * 1000);
    std::printf("  100 character rectangles:                %7.1f ms\n", t.nsecsElapsed() / 1e6);
    txt.setSelStart(txt.textLength() / 2);
    txt.typeText(QStringLiteral("a"));
    QAccessibleTextInsertEvent typed(txt.widget(), txt.textLength() / 2, QStringLiteral("a"));
    t.restart();
    const std::unique_ptr<QAccessibleEvent> told = acc->translate(&typed);
    std::printf("  a typed letter told (the map patched):   %7.1f ms\n", t.nsecsElapsed() / 1e6);
    if (!told)
        return 1;
    host.show();
    for (int zoom : {200, 100}) {
        t.restart();
        txt.setZoom(zoom);
        QApplication::processEvents();
        std::printf("  zoom to %3d %% (visible part laid out):   %7.1f ms\n", zoom, t.nsecsElapsed() / 1e6);
    }
    return 0;
}
