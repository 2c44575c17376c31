#include "title.h"

#include "sharedstate.h"

namespace documents {

QString shortString(const QString& s) { return s.left(kShortStringCapacity); }

Title titleFor(const QString& basePath)
{
    if (basePath.isEmpty())
        return {QStringLiteral("Stilora- Ohne Titel"), QString()};
    // Scan back from the second-to-last character for the separator; the
    // display name runs from after it to before BasePath's final character.
    qsizetype sep = -1;
    for (qsizetype i = basePath.size() - 2; i >= 0; --i) {
        if (basePath[i] == QLatin1Char('\\') || basePath[i] == QLatin1Char('/')) {
            sep = i;
            break;
        }
    }
    const QString directory = basePath.left(sep + 1);
    QString name = basePath.mid(sep + 1, basePath.size() - sep - 2);
    if (!name.isEmpty() && name[0] >= QLatin1Char('a') && name[0] <= QLatin1Char('z'))
        name[0] = QChar(name[0].unicode() - 'a' + 'A');
    return {QStringLiteral("Stilora - ") + name, directory};
}

QString exportName(const QString& basePath, const QString& extension)
{
    if (basePath.isEmpty())
        return QStringLiteral("Ohne Titel.") + extension;
    // The name as it stands in BasePath, its final dot kept.
    const qsizetype sep = std::max(basePath.lastIndexOf(QLatin1Char('/'), basePath.size() - 2),
                                   basePath.lastIndexOf(QLatin1Char('\\'), basePath.size() - 2));
    QString name = basePath.mid(sep + 1);
    if (!name.endsWith(QLatin1Char('.')))
        name += QLatin1Char('.');
    return name + extension;
}

QString retitle(SharedState& state)
{
    const Title t = titleFor(state.BasePath);
    if (!state.BasePath.isEmpty())
        state.OpenDir = shortString(t.directory);
    if (state.ReadOnlyDocument && !state.BasePath.isEmpty())
        return t.caption + QStringLiteral(" (schreibgeschützt)");
    return t.caption;
}

} // namespace documents
