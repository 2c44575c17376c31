#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;

// The recent documents as numbered items "&1 ..." to "&4 ..." of a menu,
// between a separator of their own and the item they stand above; none
// shown while the list is empty.
class RecentItems : public QObject {
    Q_OBJECT
public:
    RecentItems(QMenu* menu, QAction* before, std::function<void(const QString&)> chosen);

    void show(const QStringList& paths);
    const QList<QAction*>& items() const { return m_items; }

private:
    QAction* m_separator;
    QList<QAction*> m_items;
    QStringList m_paths;
};
