#include "errorbox.h"

#include "codepage.h"

QString standardErrorText(const QString& message)
{
    if (message.isEmpty())
        return message;
    const QChar last = message.back();
    const auto code = codepage::toCode(last);
    const int value = code ? int(*code) : int(last.unicode());
    return value > '.' ? message + QLatin1Char('.') : message;
}

void HandlerGuard::report(const QString& message) const noexcept
{
    try {
        m_dialogs.errorBox(m_parent, standardErrorText(message));
    } catch (...) {
        // Nothing sensible is left to do when the error box itself fails.
    }
}
