#pragma once

#include <QString>

#include <utility>

class QWidget;

// What a test cannot click: message boxes, file dialogs, starting programs and
// showing help. The Qt implementations live in app/; tests script answers.

struct FileDialogRequest {
    FileDialogRequest(QString filter = {}, QString defaultExtension = {}, QString startDirectory = {})
        : filter(std::move(filter))
        , defaultExtension(std::move(defaultExtension))
        , startDirectory(std::move(startDirectory))
    {
    }

    QString filter;       // "Text|*.ext|Text|*.ext", entries counted from 1
    QString defaultExtension;
    QString startDirectory;
    QString suggestedName; // a file name the dialog offers, or none
    int filterIndex = 1;   // the entry chosen when the dialog opens
    QString caption;       // empty: the platform's own
};

struct FileDialogAnswer {
    bool accepted = false;
    QString path;
    int filterIndex = 1;
};

class Dialogs {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;
    // "Achtung!" with Yes and No, no icon; true for Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
    // "Achtung!" with Yes, No and Cancel, no icon.
    virtual Answer questionWithCancel(QWidget* parent, const QString& text) = 0;
    // "Achtung!" with OK.
    virtual void notice(QWidget* parent, const QString& text) = 0;
    // The application's standard error box: caption "Stilora", error icon, OK.
    virtual void errorBox(QWidget* parent, const QString& text) = 0;
    virtual FileDialogAnswer openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual FileDialogAnswer saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // The shell's "open" verb on a program name or a web address; the result is ignored.
    virtual void open(const QString& target) = 0;
};

class Help {
public:
    virtual ~Help() = default;
    // Shows the contents of the named help file.
    virtual void showContents(const QString& helpFile, QWidget* owner) = 0;
};
