#include "commandmenu.h"

#include "errorbox.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

CommandMenu::CommandMenu(QMenuBar* bar, const HandlerGuard& guard)
    : QObject(bar)
    , m_bar(bar)
    , m_guard(guard)
{
    qApp->installEventFilter(this);
}

QMenu* CommandMenu::addMenu(const QString& title, std::function<void()> onOpen)
{
    QMenu* menu = m_bar->addMenu(title);
    if (onOpen) {
        m_onOpen[menu] = onOpen;
        connect(menu, &QMenu::aboutToShow, this, m_guard(onOpen));
    }
    return menu;
}

QAction* CommandMenu::addItem(QMenu* menu, const QString& name, const QString& caption, QKeyCombination key,
                              std::function<void()> run)
{
    // Items in a menu show their key after a tab; the menu bar's own items show none.
    const bool shown = menu && key != kNoKey;
    QAction* action = new QAction(shown ? caption + QLatin1Char('\t') + keyText(key) : caption, this);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, m_guard(run));
    if (menu)
        menu->addAction(action);
    else
        m_bar->addAction(action);
    m_entries.push_back({menu, action, key});
    return action;
}

void CommandMenu::addSeparator(QMenu* menu) { menu->addSeparator(); }

QAction* CommandMenu::item(const QString& name) const
{
    for (const Entry& e : m_entries)
        if (e.action->objectName() == name)
            return e.action;
    return nullptr;
}

std::vector<CommandMenu::Listed> CommandMenu::items() const
{
    std::vector<Listed> out;
    for (const Entry& e : m_entries)
        out.push_back({e.action->objectName(), e.action->text().section(QLatin1Char('\t'), 0, 0), e.key});
    return out;
}

bool CommandMenu::dispatch(QKeyCombination key)
{
    if (key.key() == Qt::Key_unknown)
        return false;
    for (const Entry& e : m_entries) {
        if (e.key != key)
            continue;
        if (e.menu && m_onOpen.count(e.menu))
            m_guard.run(m_onOpen.at(e.menu));
        e.action->trigger(); // a disabled item does nothing, but the key is taken
        return true;
    }
    return false;
}

bool CommandMenu::eventFilter(QObject* watched, QEvent* event)
{
    Q_UNUSED(watched);
    if (event->type() != QEvent::KeyPress)
        return false;
    // Not while a modal dialog or an open menu owns the keyboard.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    auto* e = static_cast<QKeyEvent*>(event);
    if (e->key() == Qt::Key_F10 && !(e->modifiers() & ~Qt::KeypadModifier)) {
        openFirstMenu();
        return true;
    }
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return dispatch(QKeyCombination(mods, Qt::Key(e->key())));
}

void CommandMenu::openFirstMenu()
{
    // F10 opens the first menu, as in other desktop programs.
    for (QAction* a : m_bar->actions()) {
        if (a->menu() && a->isVisible() && a->isEnabled()) {
            m_bar->window()->activateWindow();
            m_bar->setActiveAction(a);
            return;
        }
    }
}

QString CommandMenu::keyText(QKeyCombination key)
{
    QString text;
    if (key.keyboardModifiers() & Qt::ControlModifier)
        text += QStringLiteral("Strg+");
    if (key.keyboardModifiers() & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    if (key.keyboardModifiers() & Qt::ShiftModifier)
        text += QStringLiteral("Umschalt+");
    if (key.key() == Qt::Key_Delete)
        return text + QStringLiteral("Entf");
    return text + QKeySequence(key.key()).toString(QKeySequence::PortableText);
}
