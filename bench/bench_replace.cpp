// "Alle ersetzen" of 10,000 matches in a 10 MiB document, and its undo:
// the time of each and how often the document reported a change (each
// report is one pass of the layout over what changed).
#include "benchdocs.h"
#include "greekfont.h"
#include "replacing.h"
#include "richtextsurface.h"
#include "seams.h"
#include "tersetzen.h"
#include "tsuchen.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextDocument>
#include <QTextEdit>

#include <cstdio>

namespace {
struct Silent : Dialogs {
    QString last;
    bool question(QWidget*, const QString&) override { return true; }
    Answer questionWithCancel(QWidget*, const QString&) override { return Answer::Yes; }
    void notice(QWidget*, const QString& text) override { last = text; }
    void errorBox(QWidget*, const QString& text) override { last = text; }
    FileDialogAnswer openFile(QWidget*, const FileDialogRequest&) override { return {}; }
    FileDialogAnswer saveFile(QWidget*, const FileDialogRequest&) override { return {}; }
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    resources::registerGreekFont();
    QWidget host;
    host.resize(800, 600);
    RichTextSurface txt(&host);
    txt.widget()->resize(800, 600);
    host.show();
    // Every tenth paragraph gets one "ethos" in place of a "logos".
    styled::Document d = benchdocs::make(10 << 20, 140'000);
    int planted = 0;
    for (qsizetype p = 0; p < d.paragraphs.size() && planted < 10'000; p += 10) {
        for (styled::Run& r : d.paragraphs[p].runs) {
            const qsizetype at = r.text.indexOf(QStringLiteral("logos"));
            if (at >= 0) {
                r.text.replace(at, 5, QStringLiteral("ethos"));
                ++planted;
                break;
            }
        }
    }
    txt.load(d);
    QApplication::processEvents();
    std::printf("document: %d characters, %d matches\n", txt.textLength(), planted);

    Silent dialogs;
    Tsuchen search;
    Tersetzen dialog(&search);
    dialog.stxt->setText(QStringLiteral("ethos"));
    dialog.etxt->setEditText(QStringLiteral("mythos"));
    Replacing replacing({&txt, &dialogs, &dialog});
    QTextDocument* doc = qobject_cast<QTextEdit*>(txt.widget())->document();
    int reports = 0;
    QObject::connect(doc, &QTextDocument::contentsChange, [&] { ++reports; });

    txt.setSelStart(0);
    QElapsedTimer t;
    t.start();
    replacing.replaceAll();
    const double replaceMs = t.nsecsElapsed() / 1e6;
    const int replaceReports = reports;
    t.restart();
    QApplication::processEvents(); // the view's share: the visible part laid out and painted
    const double paintMs = t.nsecsElapsed() / 1e6;
    std::printf("  Alle ersetzen:      %7.1f ms, %d change report(s): \"%s\"\n", replaceMs, replaceReports,
                qPrintable(dialogs.last));
    std::printf("  then the view:      %7.1f ms\n", paintMs);
    reports = 0;
    t.restart();
    txt.undo();
    const double undoMs = t.nsecsElapsed() / 1e6;
    std::printf("  its undo:           %7.1f ms, %d change report(s)\n", undoMs, reports);
    if (txt.find(QStringLiteral("mythos"), 0, txt.textLength(), 0) != -1 || dialogs.last != QStringLiteral("10000 Stellen ersetzt."))
        return 1;
    return 0;
}
