#pragma once

#include "seams.h"

#include <QPointer>

class QTextBrowser;

// The directory a file dialog starts in: the one given, or when it does not
// exist (it may have been cut at 40 characters) the nearest existing one
// above it; empty when there is none.
QString existingStartDirectory(const QString& directory);

// The seams as the program really uses them: message boxes, Qt's own file
// dialogs (so that the dead-key layer serves their fields), the desktop's
// "open", and the bundled help pages.
class QtDialogs : public Dialogs {
public:
    bool question(QWidget* parent, const QString& text) override;
    Answer questionWithCancel(QWidget* parent, const QString& text) override;
    void notice(QWidget* parent, const QString& text) override;
    void errorBox(QWidget* parent, const QString& text) override;
    FileDialogAnswer openFile(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogAnswer saveFile(QWidget* parent, const FileDialogRequest& request) override;
};

class QtShell : public Shell {
public:
    void open(const QString& target) override;
};

// Every help file name leads to the same bundled German help, shown in a help window.
class QtHelp : public Help {
public:
    static constexpr const char* kContents = "qrc:/help/index.html";
    void showContents(const QString& helpFile, QWidget* owner) override;

private:
    QPointer<QTextBrowser> m_window;
};
