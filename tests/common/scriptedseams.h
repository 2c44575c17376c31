#pragma once

#include "seams.h"

#include <QList>
#include <QString>
#include <QStringList>

// Seams with scripted answers that record what the program asked.
struct ScriptedDialogs : Dialogs {
    QStringList questions, notices, errors;
    QList<bool> answers;            // for question(), in order; Yes when empty
    QList<Answer> threeWay;         // for questionWithCancel(), in order; Yes when empty
    QList<FileDialogAnswer> files;  // for openFile()/saveFile(), in order; cancelled when empty
    QList<FileDialogRequest> requests;

    bool question(QWidget*, const QString& text) override
    {
        questions << text;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    Answer questionWithCancel(QWidget*, const QString& text) override
    {
        questions << text;
        return threeWay.isEmpty() ? Answer::Yes : threeWay.takeFirst();
    }
    void notice(QWidget*, const QString& text) override { notices << text; }
    void errorBox(QWidget*, const QString& text) override { errors << text; }
    FileDialogAnswer openFile(QWidget*, const FileDialogRequest& r) override { return next(r); }
    FileDialogAnswer saveFile(QWidget*, const FileDialogRequest& r) override { return next(r); }

private:
    FileDialogAnswer next(const FileDialogRequest& r)
    {
        requests << r;
        return files.isEmpty() ? FileDialogAnswer{} : files.takeFirst();
    }
};

struct ScriptedShell : Shell {
    QStringList opened;
    void open(const QString& target) override { opened << target; }
};

struct ScriptedHelp : Help {
    QStringList files;
    QList<QWidget*> owners;
    void showContents(const QString& helpFile, QWidget* owner) override
    {
        files << helpFile;
        owners << owner;
    }
};
