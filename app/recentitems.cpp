#include "recentitems.h"

#include "recentdocuments.h"

#include <QAction>
#include <QMenu>

RecentItems::RecentItems(QMenu* menu, QAction* before, std::function<void(const QString&)> chosen)
    : QObject(menu)
{
    for (int i = 0; i < RecentDocuments::kLimit; ++i) {
        auto* a = new QAction(menu);
        a->setObjectName(QStringLiteral("Zuletzt%1").arg(i + 1));
        a->setVisible(false);
        menu->insertAction(before, a);
        connect(a, &QAction::triggered, this, [this, i, chosen] {
            if (i < m_paths.size())
                chosen(m_paths[i]);
        });
        m_items << a;
    }
    m_separator = menu->insertSeparator(before);
    m_separator->setVisible(false);
}

void RecentItems::show(const QStringList& paths)
{
    m_paths = paths.mid(0, m_items.size());
    for (int i = 0; i < m_items.size(); ++i) {
        const bool used = i < m_paths.size();
        m_items[i]->setVisible(used);
        m_items[i]->setText(used ? RecentDocuments::caption(i, m_paths[i]) : QString());
    }
    m_separator->setVisible(!m_paths.isEmpty());
}
