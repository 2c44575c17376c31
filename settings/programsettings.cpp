#include "programsettings.h"


#include "ioerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {
const QString kIgnoreMarks = QStringLiteral("Suche/AkzenteIgnorieren");
const QString kHistoryKey = QStringLiteral("Ersetzen/Verlauf");
const QString kRecentKey = QStringLiteral("Dokumente/Zuletzt");
const QString kZoomKey = QStringLiteral("Ansicht/Zoom");

// A list of texts as this program writes it: at most `limit` entries of at
// most `longest` characters (an empty one where allowed), none twice; anything else is left out.
QStringList textList(const QSettings& s, const QString& key, int limit, int longest, bool emptyAllowed)
{
    const QVariant value = s.value(key);
    QStringList entries;
    if (value.typeId() == QMetaType::QStringList)
        entries = value.toStringList();
    else if (value.typeId() == QMetaType::QString)
        entries = {value.toString()}; // INI keeps a list of one as a plain value
    QStringList out;
    for (const QString& e : std::as_const(entries)) {
        if (out.size() < limit && (emptyAllowed || !e.isEmpty()) && e.size() <= longest && !out.contains(e))
            out.append(e);
    }
    return out;
}
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
    p.replaceHistory = textList(s, kHistoryKey, kHistory, kLongestEntry, true);
    p.recentDocuments = textList(s, kRecentKey, kRecent, kLongestPath, false);
    const QVariant zoom = s.value(kZoomKey);
    if (zoom.typeId() == QMetaType::QString) {
        bool ok = false;
        const int z = zoom.toString().toInt(&ok);
        if (ok && z >= kZoomMin && z <= kZoomMax)
            p.zoom = z;
    }
    return p;
}

void ProgramSettings::write(const Preferences& preferences) const
{
    const IoError failed = IoError(IoError::Cause::SettingsNotSaved).about(m_path);
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        throw failed;
    // QSettings leaves a file it cannot read as it is; a damaged one goes,
    // the defaults it gave are written in its place.
    if (QFileInfo(m_path).isFile()) {
        const QSettings old(m_path, QSettings::IniFormat);
        (void)old.allKeys();
        if (old.status() != QSettings::NoError && !QFile::remove(m_path))
            throw failed;
    }
    QSettings s(m_path, QSettings::IniFormat);
    s.clear();
    s.setValue(kIgnoreMarks, preferences.ignoreMarks ? QStringLiteral("true") : QStringLiteral("false"));
    s.setValue(kHistoryKey, preferences.replaceHistory.mid(0, kHistory));
    s.setValue(kRecentKey, preferences.recentDocuments.mid(0, kRecent));
    s.setValue(kZoomKey, QString::number(std::clamp(preferences.zoom, kZoomMin, kZoomMax)));
    s.sync();
    if (s.status() != QSettings::NoError)
        throw failed;
}
