#include "ui/main/CommandRegistry.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <algorithm>

namespace zentaro {

struct CommandRegistry::Entry
{
    const char* name;
    const char* caption;
    QKeySequence key;
    bool needsLibrary;
    const char* button = nullptr;  // the toolbar button that is the same command
    const char* tooltip = nullptr; // the button's tooltip
    bool overridesFields = false;  // the key wins over a text field's own use of it
};

namespace {

constexpr const char* kSortFields[] = {"Title",    "Author",        "Keywords",
                                       "FileName", "FileType",      "FileDate",
                                       "FileSize", "InsertionDate", "LastUpdatedDate"};

} // namespace

CommandRegistry::CommandRegistry(QWidget* window) : QObject(window), m_window(window)
{
    const Entry entries[] = {
        {"fobar", "&Open Library", {}, false, "OpenLibraryButton", "Open Library"},
        {"fosbar", "Open &Server Library\u2026", {}, false},
        {"fnbar", "Create &New Library", {}, false, "NewLibraryButton", "Create New Library"},
        {"fcbar", "&Copy Library", {}, true},
        {"fxbar", "E&xit ZNT", QKeySequence(Qt::CTRL | Qt::Key_Q), false},
        {"eubar", "&Undo Typing", QKeySequence(Qt::CTRL | Qt::Key_U), true, nullptr, nullptr, true},
        {"embar", "&Add File(s) to Library", QKeySequence(Qt::CTRL | Qt::Key_A), true,
         "AddMultipleRecordsButton", "Add File(s) to Library", true},
        {"edbar", "&Delete File from Library", QKeySequence(Qt::Key_Delete), true, "DeleteButton",
         "Delete File from Library "},
        {"eevbar", "To &View/Edit", QKeySequence(Qt::Key_F9), true, "ViewButton", "Extract and Open File [F9]"},
        {"eedbar", "To &Disk or other location", {}, true, "ExtractToDiskButton", "Extract File to Disk"},
        {"efbar", "&First Record", QKeySequence(Qt::Key_F5), true},
        {"epbar", "&Previous Record", QKeySequence(Qt::Key_F6), true},
        {"enbar", "&Next Record", QKeySequence(Qt::Key_F7), true},
        {"elbar", "&Last record", QKeySequence(Qt::Key_F8), true},
        {"erbar", "&Refresh Data", {}, true},
        {"vibar", "Library &Information", {}, true},
        {"vebar", "&Extraction Folder Contents", {}, false},
        {"vlbar", "&List Only", QKeySequence(Qt::Key_F2), false, "ListOnlyButton", "View List Only [F2]"},
        {"vsbar", "List/File &Split", QKeySequence(Qt::Key_F3), false, "CenterSplitButton",
         "View 50/50 Split [F3]"},
        {"vrbar", "&File Only", QKeySequence(Qt::Key_F4), false, "RecordOnlyButton", "View File Only [F4]"},
        {"tlbar", "&Library Settings (Security Settings)", {}, true},
        {"tpbar", "ZNT Program Settings", {}, false, "ConfigButton", "Configure ZNT"},
        {"tdbar", "Clear Extraction Folder", {}, false},
        {"tcbar", "&Compact Library", {}, true},
        {"hhbar", "&Help (Owner's Manual)", {}, false, "HelpButton", "ZNT Owner's Manual"},
        {"habar", "&About ZNT", {}, false},
        // Commands of the toolbar only.
        {"ReLoginButton", "Re-Login (Change Access Level)", {}, true},
        {"ListAllButton", "List All Records", {}, true},
        {"FilterButton", "Search Filter", {}, true},
        {"ListActionButton", "List Commands", {}, true},
        {"PrintListButton", "Print List", {}, true},
        {"InsertBackButton", "Re-Insert File Back into Library (ZNT has detected changes)", {}, true},
        // The list's pop-up menus.
        {"menuExtractSelectedFilestoExtractFolder", "to Extract Folder", {}, true},
        {"menuExtractSelectedFilestoDisk", "to Disk", {}, true},
        {"menuExtractListedFilestoExtractFolder", "to Extract Folder", {}, true},
        {"menuExtractListedFilestoDisk", "to Disk", {}, true},
        {"menuDeleteCurrentFile", "Current File", {}, true},
        {"menuDeleteSelectedFiles", "Selected Files", {}, true},
        {"menuDeleteListedFiles", "Listed Files", {}, true},
        {"SortAscendingbar", "Sort Ascending", {}, true},
        {"SortDescendingbar", "Sort Descending", {}, true},
    };
    for (const Entry& entry : entries)
        add(entry);
    buildPopups();
    updateMenuVisibility();
    qApp->installEventFilter(this);
}

CommandRegistry::~CommandRegistry()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QAction* CommandRegistry::add(const Entry& entry)
{
    auto* action = new QAction(QString::fromUtf8(entry.caption), m_window);
    if (entry.name)
        action->setObjectName(QString::fromLatin1(entry.name));
    if (!entry.key.isEmpty())
        action->setShortcut(entry.key);
    action->setShortcutContext(Qt::WindowShortcut);
    if (entry.tooltip)
        action->setToolTip(QString::fromLatin1(entry.tooltip));
    // Unbound commands keep their place in the menus and the toolbar, disabled.
    action->setVisible(!isShownOnDemand(action->objectName()));
    action->setEnabled(false);
    m_window->addAction(action);
    if (entry.name) {
        m_byName.insert(action->objectName(), action);
        m_actions.push_back(action);
    }
    if (entry.button) {
        m_byName.insert(QString::fromLatin1(entry.button), action);
        m_buttonNames.insert(action->objectName(), QString::fromLatin1(entry.button));
    }
    if (entry.overridesFields)
        m_fieldKeys.push_back(entry.key[0].toCombined());
    m_needsLibrary.insert(action, entry.needsLibrary);
    m_bound.insert(action, false);
    return action;
}

QMenu* CommandRegistry::addMenu(QMenu* parent, const QString& name, const QString& caption)
{
    QMenu* menu = parent ? parent->addMenu(caption) : new QMenu(caption, m_window);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    m_menus.insert(name, menu);
    return menu;
}

void CommandRegistry::addForwarder(QMenu* menu, const QString& name, const QString& caption, const QString& target)
{
    // Its own caption, the work of the command it repeats.
    QAction* repeated = m_byName.value(target);
    auto* action = new QAction(caption, m_window);
    action->setObjectName(name);
    action->setEnabled(false);
    connect(action, &QAction::triggered, repeated, &QAction::trigger);
    m_byName.insert(name, action);
    m_actions.push_back(action);
    m_forwards.insert(action, repeated);
    m_needsLibrary.insert(action, m_needsLibrary.value(repeated));
    m_bound.insert(action, false);
    menu->addAction(action);
}

void CommandRegistry::buildPopups()
{
    QMenu* list = addMenu(nullptr, QStringLiteral("Pbar"), QStringLiteral("&PopUpMenuListAction"));
    m_roots.push_back(list);
    QMenu* sort = addMenu(list, QStringLiteral("psbar"), QStringLiteral("&Sort List by..."));
    for (int i = 0; i < int(std::size(kSortFields)); ++i) {
        // The sort entries share their captions with nothing else; they are
        // found as PopSort0 .. PopSort8.
        QAction* entry = new QAction(QString::fromLatin1(kSortFields[i]), m_window);
        entry->setObjectName(QStringLiteral("PopSort%1").arg(i));
        entry->setEnabled(false);
        m_byName.insert(entry->objectName(), entry);
        m_actions.push_back(entry);
        m_needsLibrary.insert(entry, true);
        m_bound.insert(entry, false);
        sort->addAction(entry);
    }
    list->addSeparator()->setObjectName(QStringLiteral("psep1"));
    QMenu* extract = addMenu(list, QStringLiteral("menuExtract"), QStringLiteral("&Extract"));
    QMenu* selected = addMenu(extract, QStringLiteral("menuExtractSelectedFiles"), QStringLiteral("Selected Files"));
    selected->addAction(action(QStringLiteral("menuExtractSelectedFilestoExtractFolder")));
    selected->addAction(action(QStringLiteral("menuExtractSelectedFilestoDisk")));
    QMenu* listed = addMenu(extract, QStringLiteral("menuExtractListedFiles"), QStringLiteral("Listed Files"));
    listed->addAction(action(QStringLiteral("menuExtractListedFilestoExtractFolder")));
    listed->addAction(action(QStringLiteral("menuExtractListedFilestoDisk")));
    QMenu* remove = addMenu(list, QStringLiteral("menuDelete"), QStringLiteral("&Delete"));
    remove->addAction(action(QStringLiteral("menuDeleteCurrentFile")));
    remove->addAction(action(QStringLiteral("menuDeleteSelectedFiles")));
    remove->addAction(action(QStringLiteral("menuDeleteListedFiles")));
    list->addSeparator()->setObjectName(QStringLiteral("psep2"));
    QMenu* current = addMenu(list, QStringLiteral("pfbar"), QStringLiteral("Current &File"));
    addForwarder(current, QStringLiteral("pobar"), QStringLiteral("&Open (F9)"), QStringLiteral("eevbar"));
    addForwarder(current, QStringLiteral("pcbar"), QStringLiteral("&Copy to Disk"), QStringLiteral("eedbar"));
    addForwarder(current, QStringLiteral("pfdbar"), QStringLiteral("&Delete (Del)"), QStringLiteral("edbar"));

    QMenu* header = addMenu(nullptr, QStringLiteral("HeaderPopupbar"), QStringLiteral("HeaderPopupbar"));
    m_roots.push_back(header);
    header->addAction(action(QStringLiteral("SortAscendingbar")));
    header->addAction(action(QStringLiteral("SortDescendingbar")));
    header->addSeparator()->setObjectName(QStringLiteral("headerpopupsep1"));
    QMenu* change = addMenu(header, QStringLiteral("ChangeColumnFieldbar"), QStringLiteral("Change Column Field to"));
    QStringList fields;
    for (const char* field : kSortFields)
        fields << QString::fromLatin1(field);
    fields << QStringLiteral("Notes");
    for (int i = 0; i < fields.size(); ++i) {
        QAction* entry = new QAction(fields[i], m_window);
        entry->setObjectName(QStringLiteral("ChangeFieldbar%1").arg(i));
        entry->setEnabled(false);
        m_byName.insert(entry->objectName(), entry);
        m_actions.push_back(entry);
        m_needsLibrary.insert(entry, true);
        m_bound.insert(entry, false);
        change->addAction(entry);
    }
}

void CommandRegistry::buildMenuBar(QMenuBar* bar)
{
    auto top = [&](const QString& name, const QString& caption) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        m_menus.insert(name, menu);
        m_roots.push_back(menu);
        return menu;
    };
    auto put = [&](QMenu* menu, const char* name) { menu->addAction(action(QString::fromLatin1(name))); };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu* file = top(QStringLiteral("fbar"), QStringLiteral("&File"));
    put(file, "fobar");
    put(file, "fosbar");
    put(file, "fnbar");
    put(file, "fcbar");
    separator(file, "fsep2");
    put(file, "fxbar");

    QMenu* edit = top(QStringLiteral("ebar"), QStringLiteral("&Edit"));
    put(edit, "eubar");
    separator(edit, "esep3");
    put(edit, "embar");
    put(edit, "edbar");
    QMenu* extract = addMenu(edit, QStringLiteral("eebar"), QStringLiteral("&Extract File from Library"));
    put(extract, "eevbar");
    put(extract, "eedbar");
    separator(edit, "esep2");
    for (const char* name : {"efbar", "epbar", "enbar", "elbar"})
        put(edit, name);
    separator(edit, "esep1");
    put(edit, "erbar");

    QMenu* view = top(QStringLiteral("vbar"), QStringLiteral("&View"));
    put(view, "vibar");
    put(view, "vebar");
    separator(view, "vsep1");
    for (const char* name : {"vlbar", "vsbar", "vrbar"})
        put(view, name);

    QMenu* tools = top(QStringLiteral("tbar"), QStringLiteral("&Tools"));
    put(tools, "tlbar");
    put(tools, "tpbar");
    separator(tools, "tsep1");
    put(tools, "tdbar");
    put(tools, "tcbar");

    QMenu* help = top(QStringLiteral("hbar"), QStringLiteral("&Help"));
    put(help, "hhbar");
    separator(help, "hsep1");
    put(help, "habar");
    updateMenuVisibility();
}

QAction* CommandRegistry::action(const QString& name) const
{
    return m_byName.value(name);
}

QMenu* CommandRegistry::menu(const QString& name) const
{
    return m_menus.value(name);
}

QString CommandRegistry::buttonName(const QString& name) const
{
    return m_buttonNames.value(name);
}

QAction* CommandRegistry::bind(const QString& name, QObject* context, std::function<void()> work)
{
    QAction* command = action(name);
    Q_ASSERT(command);
    if (!command)
        return nullptr;
    connect(command, &QAction::triggered, context, [work = std::move(work)] { work(); });
    m_bound.insert(command, true);
    for (auto it = m_forwards.cbegin(); it != m_forwards.cend(); ++it) {
        if (it.value() == command)
            m_bound.insert(it.key(), true);
    }
    applyState(m_state);
    updateMenuVisibility();
    return command;
}

bool CommandRegistry::isShownOnDemand(const QString& name)
{
    // The re-insert button appears only while a changed extracted file waits.
    return name == QLatin1String("InsertBackButton");
}

QStringList CommandRegistry::unboundNames() const
{
    QStringList names;
    for (QAction* command : m_actions) {
        if (!m_bound.value(command))
            names << command->objectName();
    }
    return names;
}

bool CommandRegistry::isBound(const QString& name) const
{
    QAction* command = action(name);
    return command && m_bound.value(command);
}

void CommandRegistry::showUnbound(const QString& name)
{
    QAction* command = action(name);
    if (!command)
        return;
    command->setVisible(true);
    applyState(m_state);
    updateMenuVisibility();
}

void CommandRegistry::applyState(const State& state)
{
    m_state = state;
    for (auto it = m_bound.cbegin(); it != m_bound.cend(); ++it) {
        QAction* command = it.key();
        command->setEnabled(it.value() && (state.libraryOpen || !m_needsLibrary.value(command)));
    }
    if (QMenu* extract = menu(QStringLiteral("menuExtract")))
        extract->setEnabled(state.libraryOpen && state.controls.ExtractMenuEnabled);
    if (QMenu* remove = menu(QStringLiteral("menuDelete")))
        remove->setEnabled(state.libraryOpen && state.controls.DeleteMenuEnabled);
}

void CommandRegistry::updateMenuVisibility()
{
    // A menu shows when it holds a command that shows; deepest menus first.
    std::function<bool(QMenu*)> visit = [&](QMenu* menu) {
        bool any = false;
        for (QAction* entry : menu->actions()) {
            if (entry->isSeparator())
                continue;
            if (QMenu* sub = entry->menu())
                any = visit(sub) || any;
            else
                any = any || entry->isVisible();
        }
        menu->menuAction()->setVisible(any);
        return any;
    };
    for (QMenu* menu : m_roots)
        visit(menu);
}

bool CommandRegistry::overridesFieldKey(int keyWithModifiers) const
{
    return std::find(m_fieldKeys.begin(), m_fieldKeys.end(), keyWithModifiers) != m_fieldKeys.end();
}

bool CommandRegistry::eventFilter(QObject* watched, QEvent* event)
{
    // A text field claims Ctrl+A and Ctrl+U for itself; in this window the
    // commands on those keys win.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == m_window) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int combined = key->keyCombination().toCombined();
        if (overridesFieldKey(combined)) {
            for (QAction* command : m_actions) {
                if (command->isEnabled() && command->isVisible() && !command->shortcut().isEmpty()
                    && command->shortcut()[0].toCombined() == combined) {
                    key->ignore();
                    return true;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zentaro
