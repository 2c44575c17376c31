// Loading a 1 MiB document of 10,000 formatting runs into the editor until
// its first screen is painted, against the same document handed to a plain
// QTextEdit with Qt's own (lazy) layout. Prints the median of several loads.
#include "benchdocs.h"
#include "greekfont.h"
#include "qtformat.h"
#include "richtextsurface.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kDocBytes = 1 << 20;
constexpr int kRuns = 10000;


// The same document built for Qt's own layout.
QTextDocument* qtDocument(const styled::Document& model, QObject* parent)
{
    auto* doc = new QTextDocument(parent);
    doc->setUndoRedoEnabled(false);
    QTextCursor c(doc);
    qtformat::insertModel(c, model);
    doc->setUndoRedoEnabled(true);
    return doc;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const styled::Document model = benchdocs::make(kDocBytes, kRuns);
    std::printf("document: %d characters, %lld paragraphs\n", model.length(), (long long)model.paragraphs.size());

    QWidget host;
    host.resize(720, 400);
    RichTextSurface surface(&host);
    surface.widget()->setGeometry(0, 0, 706, 380);
    QTextEdit plain(&host);
    plain.setGeometry(0, 0, 706, 380);
    plain.hide();
    host.show();
    QApplication::processEvents();

    std::vector<double> ours, oursComplete, qt;
    for (int round = 0; round < rounds; ++round) {
        surface.load(styled::Document());
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        surface.load(model);
        surface.widget()->repaint();
        ours.push_back(t.nsecsElapsed() / 1e6);
        // Until every paragraph is laid out, background work included.
        for (int i = 0; i < 10000 && !surface.layoutComplete(); ++i)
            QApplication::processEvents();
        oursComplete.push_back(t.nsecsElapsed() / 1e6);
    }
    surface.widget()->hide();
    plain.show();
    for (int round = 0; round < rounds; ++round) {
        plain.clear();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        QPointer<QTextDocument> old = plain.document();
        plain.setDocument(qtDocument(model, &plain));
        if (old && old->parent() == &plain)
            delete old;
        plain.viewport()->repaint();
        qt.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("load until the first screen is painted, median of %d (ms):\n", rounds);
    std::printf("  editor (own paragraph layout): %8.1f\n", benchdocs::median(ours));
    std::printf("  editor, all laid out:          %8.1f\n", benchdocs::median(oursComplete));
    std::printf("  QTextEdit (Qt's lazy layout):  %8.1f\n", benchdocs::median(qt));
    return 0;
}
