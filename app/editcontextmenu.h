#pragma once

#include <QString>

#include <functional>

class CommandMenu;
class QMenu;
class QPoint;
class QWidget;

// The editor's menu on the right mouse button: the edit commands of the
// main menu, each running that item's command, enabled as that item is
// once the edit menu's opening routine has set the states.
class EditContextMenu {
public:
    // The items: the main menu's item name and the caption the context menu shows it with.
    struct Item {
        const char* name; // empty: a separator
        const char* caption;
    };
    static const Item kItems[];

    EditContextMenu(CommandMenu& menu, std::function<void()> refreshStates);

    // The menu as it is to be shown now (the caller owns it).
    QMenu* build(QWidget* parent) const;
    // Shows it at a point on the screen and runs the chosen item.
    void exec(QWidget* parent, const QPoint& global) const;

private:
    CommandMenu& m_menu;
    std::function<void()> m_refresh;
};
