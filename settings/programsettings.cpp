#include "programsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kIgnoreMarks = QStringLiteral("Suche/AkzenteIgnorieren");
const QString kHistoryKey = QStringLiteral("Ersetzen/Verlauf");
} // namespace

ProgramSettings::ProgramSettings(QString path)
    : m_path(std::move(path))
{
}

QString ProgramSettings::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Stilora/Stilora.conf");
}

Preferences ProgramSettings::read() const
{
    Preferences p;
    if (!QFileInfo(m_path).isFile())
        return p;
    const QSettings s(m_path, QSettings::IniFormat);
    // QSettings reads the file at the first question, and tells a damaged one only then.
    (void)s.allKeys();
    if (s.status() != QSettings::NoError)
        return p;
    // Only what this program writes is taken; anything else is the default.
    const QVariant marks = s.value(kIgnoreMarks);
    if (marks.typeId() == QMetaType::QString) {
        const QString v = marks.toString();
        if (v == QLatin1String("true") || v == QLatin1String("false"))
            p.ignoreMarks = v == QLatin1String("true");
    }
    const QVariant history = s.value(kHistoryKey);
    QStringList entries;
    if (history.typeId() == QMetaType::QStringList)
        entries = history.toStringList();
    else if (history.typeId() == QMetaType::QString)
        entries = {history.toString()}; // INI keeps a list of one as a plain value
    for (const QString& e : std::as_const(entries)) {
        if (p.replaceHistory.size() < kHistory && e.size() <= kLongestEntry && !p.replaceHistory.contains(e))
            p.replaceHistory.append(e);
    }
    return p;
}

bool ProgramSettings::write(const Preferences& preferences) const
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    // QSettings leaves a file it cannot read as it is; a damaged one goes,
    // the defaults it gave are written in its place.
    if (QFileInfo(m_path).isFile()) {
        const QSettings old(m_path, QSettings::IniFormat);
        (void)old.allKeys();
        if (old.status() != QSettings::NoError && !QFile::remove(m_path))
            return false;
    }
    QSettings s(m_path, QSettings::IniFormat);
    s.clear();
    s.setValue(kIgnoreMarks, preferences.ignoreMarks ? QStringLiteral("true") : QStringLiteral("false"));
    s.setValue(kHistoryKey, preferences.replaceHistory.mid(0, kHistory));
    s.sync();
    return s.status() == QSettings::NoError;
}
