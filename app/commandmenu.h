#pragma once

#include <QKeyCombination>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class HandlerGuard;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The main menu and its keyboard dispatch. A key with a menu shortcut is
// taken before the focused control sees it, from every window of the
// program; the first item with the key in menu order wins; the menu's
// opening handler runs before the item; a disabled item still takes its key.
class CommandMenu : public QObject {
    Q_OBJECT
public:
    static constexpr QKeyCombination kNoKey{Qt::Key_unknown}; // an item without a shortcut

    CommandMenu(QMenuBar* bar, const HandlerGuard& guard);

    QMenu* addMenu(const QString& title, std::function<void()> onOpen = {});
    // An item of a menu, or of the menu bar itself when menu is null.
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, QKeyCombination key,
                     std::function<void()> run);
    void addSeparator(QMenu* menu);
    QAction* item(const QString& name) const;
    // Every item in menu order: its name, its caption without the key, its key.
    struct Listed {
        QString name;
        QString caption;
        QKeyCombination key;
    };
    std::vector<Listed> items() const;

    void openFirstMenu();

    // Runs the command bound to the key; false when no item has it.
    bool dispatch(QKeyCombination key);

    // "Strg+O", "Entf", "Strg+Entf", "F1".
    static QString keyText(QKeyCombination key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QMenu* menu;
        QAction* action;
        QKeyCombination key;
    };

    QMenuBar* m_bar;
    const HandlerGuard& m_guard;
    std::vector<Entry> m_entries; // in menu order, depth first
    std::map<QMenu*, std::function<void()>> m_onOpen;
};
