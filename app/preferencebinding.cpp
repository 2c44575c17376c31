#include "preferencebinding.h"

#include "ioerror.h"
#include "recentitems.h"
#include "richtextsurface.h"
#include "tersetzen.h"

#include <QAbstractButton>

PreferenceBinding::PreferenceBinding(const Targets& targets)
    : m_t(targets)
{
}

PreferenceBinding::~PreferenceBinding() = default;

void PreferenceBinding::bindSearch(QAbstractButton* ignoreMarks, Tersetzen* replace)
{
    m_t.ignoreMarks = ignoreMarks;
    m_t.replace = replace;
}

void PreferenceBinding::use(const QString& path)
{
    m_settings = std::make_unique<ProgramSettings>(path);
    const Preferences p = m_settings->read();
    m_t.ignoreMarks->setChecked(p.ignoreMarks);
    m_t.replace->setHistory(p.replaceHistory);
    m_recent = RecentDocuments(p.recentDocuments);
    m_t.items->show(m_recent.paths());
    m_t.txt->setZoom(p.zoom);
}

Preferences PreferenceBinding::shown() const
{
    return {m_t.ignoreMarks && m_t.ignoreMarks->isChecked(), m_t.replace ? m_t.replace->history() : QStringList(), m_recent.paths(),
            m_t.txt->zoom()};
}

void PreferenceBinding::save() const
{
    if (m_settings)
        m_settings->write(shown());
}

void PreferenceBinding::remember(const QString& path)
{
    m_recent.add(path);
    recentChanged();
}

void PreferenceBinding::forget(const QString& path)
{
    m_recent.remove(path);
    recentChanged();
}

void PreferenceBinding::recentChanged()
{
    m_t.items->show(m_recent.paths());
    try {
        save();
    } catch (const IoError&) {
    }
}
