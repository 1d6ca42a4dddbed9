#pragma once

#include "security/AccessRights.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace zentaro {

// Every command of the main window: one QAction each, made here and nowhere
// else, named as the command map names it ("fobar", "eevbar",
// "ReLoginButton"). A menu entry and the toolbar button that repeats it are
// one action; action() finds it under either name. Keys belong to the
// actions and work anywhere in the window, also while a text field has the
// focus. A command that nobody has bound yet keeps its place in the menus
// and the toolbar, disabled.
class CommandRegistry : public QObject
{
    Q_OBJECT

public:
    // What the enabling depends on.
    struct State
    {
        bool libraryOpen = false;
        AccessRights::ControlStates controls;
    };

    // window: the main window; the actions are added to it so their keys
    // work wherever the focus is in it.
    explicit CommandRegistry(QWidget* window);
    ~CommandRegistry() override;

    // The command by its name or by the name of its toolbar button;
    // nullptr for none.
    QAction* action(const QString& name) const;
    // A submenu or pop-up menu by name ("eebar", "Pbar", "menuDelete", ...).
    QMenu* menu(const QString& name) const;
    // The toolbar button name of a command ("ViewButton" for eevbar), or empty.
    QString buttonName(const QString& name) const;
    // Every command, in the order of the command map.
    const std::vector<QAction*>& actions() const { return m_actions; }

    // Makes a command work: it runs work when chosen and is enabled by applyState.
    QAction* bind(const QString& name, QObject* context, std::function<void()> work);
    bool isBound(const QString& name) const;
    // Shows a command that is not bound yet, disabled, so its menu entry is
    // there before its work is.
    void showUnbound(const QString& name);
    // The commands nobody has bound, in the order of the command map.
    QStringList unboundNames() const;
    // A command whose visibility its owner switches (InsertBackButton);
    // every other command is always shown.
    static bool isShownOnDemand(const QString& name);

    // Fills the menu bar: File, Edit, View, Tools, Help.
    void buildMenuBar(QMenuBar* bar);

    // The one enabling rule: a bound command is enabled unless it needs an
    // open library and none is open; the Extract and Delete pop-up menus
    // follow the access level.
    void applyState(const State& state);

    // The keys that win over a text field's own use of them (Ctrl+A, Ctrl+U).
    bool overridesFieldKey(int keyWithModifiers) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry;
    QAction* add(const Entry& entry);
    QMenu* addMenu(QMenu* parent, const QString& name, const QString& caption);
    void addForwarder(QMenu* menu, const QString& name, const QString& caption, const QString& target);
    void buildPopups();
    void updateMenuVisibility();

    QWidget* m_window;
    std::vector<QAction*> m_actions;
    QHash<QString, QAction*> m_byName;
    QHash<QString, QString> m_buttonNames;
    QHash<QString, QMenu*> m_menus;
    std::vector<QMenu*> m_roots; // the menu bar's menus and the two pop-ups
    QHash<QAction*, bool> m_needsLibrary;
    QHash<QAction*, bool> m_bound;
    QHash<QAction*, QAction*> m_forwards; // entry -> the command it repeats
    std::vector<int> m_fieldKeys;
    State m_state;
};

} // namespace zentaro
