#pragma once

#include "programsettings.h"
#include "recentdocuments.h"

#include <functional>
#include <memory>

class QAbstractButton;
class RecentItems;
class RichTextSurface;
class Tersetzen;

// The program's own settings file bound, in one place, to what it keeps:
// the search dialog's "Akzente ignorieren", the replacement history, the
// recent documents (the list and its menu items) and the editor's zoom.
// Read once; written at close and whenever the recent list changes, so that
// a program that does not end properly keeps the list.
class PreferenceBinding {
public:
    struct Targets {
        QAbstractButton* ignoreMarks = nullptr;
        Tersetzen* replace = nullptr;
        RecentItems* items = nullptr;
        RichTextSurface* txt = nullptr;
    };
    explicit PreferenceBinding(const Targets& targets);
    ~PreferenceBinding();
    // The search dialogs come after the window: their controls are bound then.
    void bindSearch(QAbstractButton* ignoreMarks, Tersetzen* replace);

    // Reads the settings file at `path` and shows what it holds.
    void use(const QString& path);
    // Writes what is shown; throws IoError. Nothing before use().
    void save() const;

    // A document opened or saved heads the list; shown and written at once.
    // A failure to write says nothing here: the close tells, and writes again.
    void remember(const QString& path);
    // A document gone from the disk leaves the list, shown and written at once.
    void forget(const QString& path);
    const RecentDocuments& recent() const { return m_recent; }

private:
    Preferences shown() const;
    void recentChanged();

    Targets m_t;
    std::unique_ptr<ProgramSettings> m_settings;
    RecentDocuments m_recent;
};
