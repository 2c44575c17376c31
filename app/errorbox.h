#pragma once

#include "seams.h"

#include <QString>

#include <exception>
#include <utility>

class QWidget;

// The text of the standard error box: a full stop is appended when the
// message's last character has a code greater than that of ".".
QString standardErrorText(const QString& message);

// Runs one handler; an error reaching its top is shown in the standard error
// box and abandons the rest of the handler. Exceptions never cross the event loop.
class HandlerGuard {
public:
    HandlerGuard(Dialogs& dialogs, QWidget* parent)
        : m_dialogs(dialogs)
        , m_parent(parent)
    {
    }

    template <class F>
    void run(F&& handler) const noexcept
    {
        try {
            std::forward<F>(handler)();
        } catch (const std::exception& e) {
            report(QString::fromUtf8(e.what()));
        } catch (...) {
            report(QStringLiteral("Unbekannter Fehler"));
        }
    }

    // A callable for connect(): the handler, guarded.
    template <class F>
    auto operator()(F handler) const
    {
        return [this, handler](auto&&...) { run(handler); };
    }

private:
    void report(const QString& message) const noexcept;

    Dialogs& m_dialogs;
    QWidget* m_parent;
};
