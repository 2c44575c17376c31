#include "editcontextmenu.h"

#include "commandmenu.h"

#include <QAction>
#include <QMenu>

#include <memory>

const EditContextMenu::Item EditContextMenu::kItems[] = {
    {"Rckgngig1", "&Rückgängig"},     {"Wiederholen1", "W&iederholen"}, {"", ""},
    {"Ausschneiden1", "&Ausschneiden"}, {"Kopieren1", "&Kopieren"},     {"Einfgen1", "&Einfügen"},
    {"Lschen1", "&Löschen"},           {"", ""},                         {"Allesmarkieren1", "Alles &markieren"},
};

EditContextMenu::EditContextMenu(CommandMenu& menu, std::function<void()> refreshStates)
    : m_menu(menu)
    , m_refresh(std::move(refreshStates))
{
}

QMenu* EditContextMenu::build(QWidget* parent) const
{
    if (m_refresh)
        m_refresh();
    auto* menu = new QMenu(parent);
    for (const Item& i : kItems) {
        if (!*i.name) {
            menu->addSeparator();
            continue;
        }
        QAction* main = m_menu.item(QString::fromLatin1(i.name));
        Q_ASSERT(main);
        // The main item's key after the tab, as the main menu shows it.
        const QString text = main->text();
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        QAction* a = menu->addAction(QString::fromUtf8(i.caption) + (tab >= 0 ? text.mid(tab) : QString()));
        a->setObjectName(main->objectName());
        a->setEnabled(main->isEnabled());
        QObject::connect(a, &QAction::triggered, main, &QAction::trigger);
    }
    return menu;
}

void EditContextMenu::exec(QWidget* parent, const QPoint& global) const
{
    const std::unique_ptr<QMenu> menu(build(parent));
    menu->exec(global);
}
