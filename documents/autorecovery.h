#pragma once

#include "copywriter.h"
#include "recoveryschedule.h"
#include "recoverystore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class Dialogs;
class QWidget;
class RichTextSurface;
struct SharedState;

namespace surface {
struct TextChange;
}

// The window's side of the recovery copies: it follows the editor's changes,
// takes the document on the window's thread when a copy is due and hands it
// to the writer thread; at the start it offers the copy of a program that
// did not end properly, and it removes the program's copy when the document
// no longer needs one (saved, opened, new, closed).
class AutoRecovery : public QObject {
    Q_OBJECT
public:
    static const QString kQuestion;

    struct Context {
        RichTextSurface* txt = nullptr;
        SharedState* state = nullptr;
        Dialogs* dialogs = nullptr;
        QWidget* window = nullptr;
        std::function<void()> tit;                       // the title routine
        std::function<void(const QString&)> showStatus; // the status bar; empty clears it
    };
    // Milliseconds of a clock that only moves forward.
    using Clock = std::function<qint64()>;

    AutoRecovery(const Context& context, const QString& folder, Clock clock = {},
                 recovery::Schedule schedule = recovery::Schedule());
    ~AutoRecovery() override;

    // Takes the folder and offers what a program that is gone left there.
    // Never fails: a folder that cannot be used is told in the status bar.
    void start();
    // The program ends properly: its copy goes.
    void closing();

    // What the timer calls: takes a copy when one is due.
    void tick();
    // Takes a copy of what no copy holds yet and waits until it is on the
    // disk: the session is ending, and the program may not get another turn.
    void flush();
    // Returns once the writer has done what it was asked (tests, the close).
    void waitForDisk();
    const recovery::Store& store() const { return m_store; }
    const recovery::Schedule& schedule() const { return m_schedule; }

private:
    void onChanged(const surface::TextChange& change);
    void onModificationChanged(bool modified);
    void arm();
    void takeCopy();
    void clean();
    void restore(recovery::Recovered& copy);
    void written(quint64 ticket, const std::optional<IoError>& error);
    recovery::Session session() const;

    Context m_c;
    recovery::Store m_store;
    Clock m_clock;
    recovery::Schedule m_schedule;
    QTimer m_timer;
    std::unique_ptr<recovery::CopyWriter> m_writer;
    quint64 m_ticket = 0;
    bool m_reported = false;   // a failure is in the status bar
    bool m_hasCopy = false;    // a copy may be on the disk
    bool m_started = false;
    QString m_adopted;         // a dead program's copy restored, kept until ours is written
    quint64 m_adoptedTicket = 0;
};
