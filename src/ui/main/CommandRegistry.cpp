#include "ui/main/CommandRegistry.h"
#include "ui/main/CommandIds.h"

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
        {CommandIds::kFobar,
         QT_TR_NOOP("&Open Library"),
         {},
         false,
         CommandIds::kOpenLibraryButton,
         QT_TR_NOOP("Open Library")},
        {CommandIds::kFosbar, QT_TR_NOOP("Open &Server Library\u2026"), {}, false},
        {CommandIds::kFnbar,
         QT_TR_NOOP("Create &New Library"),
         {},
         false,
         CommandIds::kNewLibraryButton,
         QT_TR_NOOP("Create New Library")},
        {CommandIds::kFcbar, QT_TR_NOOP("&Copy Library"), {}, true},
        {CommandIds::kFxbar, QT_TR_NOOP("E&xit ZNT"), QKeySequence(Qt::CTRL | Qt::Key_Q), false},
        {CommandIds::kEubar, QT_TR_NOOP("&Undo Typing"), QKeySequence(Qt::CTRL | Qt::Key_U), true,
         nullptr, nullptr, true},
        {CommandIds::kEmbar, QT_TR_NOOP("&Add File(s) to Library"),
         QKeySequence(Qt::CTRL | Qt::Key_A), true, CommandIds::kAddMultipleRecordsButton,
         QT_TR_NOOP("Add File(s) to Library"), true},
        {CommandIds::kEdbar, QT_TR_NOOP("&Delete File from Library"), QKeySequence(Qt::Key_Delete),
         true, CommandIds::kDeleteButton, QT_TR_NOOP("Delete File from Library ")},
        {CommandIds::kEevbar, QT_TR_NOOP("To &View/Edit"), QKeySequence(Qt::Key_F9), true,
         CommandIds::kViewButton, QT_TR_NOOP("Extract and Open File [F9]")},
        {CommandIds::kEedbar,
         QT_TR_NOOP("To &Disk or other location"),
         {},
         true,
         CommandIds::kExtractToDiskButton,
         QT_TR_NOOP("Extract File to Disk")},
        {CommandIds::kEfbar, QT_TR_NOOP("&First Record"), QKeySequence(Qt::Key_F5), true},
        {CommandIds::kEpbar, QT_TR_NOOP("&Previous Record"), QKeySequence(Qt::Key_F6), true},
        {CommandIds::kEnbar, QT_TR_NOOP("&Next Record"), QKeySequence(Qt::Key_F7), true},
        {CommandIds::kElbar, QT_TR_NOOP("&Last record"), QKeySequence(Qt::Key_F8), true},
        {CommandIds::kErbar, QT_TR_NOOP("&Refresh Data"), {}, true},
        {CommandIds::kVibar, QT_TR_NOOP("Library &Information"), {}, true},
        {CommandIds::kVebar, QT_TR_NOOP("&Extraction Folder Contents"), {}, false},
        {CommandIds::kVlbar, QT_TR_NOOP("&List Only"), QKeySequence(Qt::Key_F2), false,
         CommandIds::kListOnlyButton, QT_TR_NOOP("View List Only [F2]")},
        {CommandIds::kVsbar, QT_TR_NOOP("List/File &Split"), QKeySequence(Qt::Key_F3), false,
         CommandIds::kCenterSplitButton, QT_TR_NOOP("View 50/50 Split [F3]")},
        {CommandIds::kVrbar, QT_TR_NOOP("&File Only"), QKeySequence(Qt::Key_F4), false,
         CommandIds::kRecordOnlyButton, QT_TR_NOOP("View File Only [F4]")},
        {CommandIds::kTlbar, QT_TR_NOOP("&Library Settings (Security Settings)"), {}, true},
        {CommandIds::kTpbar,
         QT_TR_NOOP("ZNT Program Settings"),
         {},
         false,
         CommandIds::kConfigButton,
         QT_TR_NOOP("Configure ZNT")},
        {CommandIds::kTdbar, QT_TR_NOOP("Clear Extraction Folder"), {}, false},
        {CommandIds::kTcbar, QT_TR_NOOP("&Compact Library"), {}, true},
        {CommandIds::kHhbar,
         QT_TR_NOOP("&Help (Owner's Manual)"),
         {},
         false,
         CommandIds::kHelpButton,
         QT_TR_NOOP("ZNT Owner's Manual")},
        {CommandIds::kHabar, QT_TR_NOOP("&About ZNT"), {}, false},
        // Commands of the toolbar only.
        {CommandIds::kReLoginButton, QT_TR_NOOP("Re-Login (Change Access Level)"), {}, true},
        {CommandIds::kListAllButton, QT_TR_NOOP("List All Records"), {}, true},
        {CommandIds::kFilterButton, QT_TR_NOOP("Search Filter"), {}, true},
        {CommandIds::kListActionButton, QT_TR_NOOP("List Commands"), {}, true},
        {CommandIds::kPrintListButton, QT_TR_NOOP("Print List"), {}, true},
        {CommandIds::kInsertBackButton,
         QT_TR_NOOP("Re-Insert File Back into Library (ZNT has detected changes)"),
         {},
         true},
        // The list's pop-up menus.
        {CommandIds::kMenuExtractSelectedFilestoExtractFolder,
         QT_TR_NOOP("to Extract Folder"),
         {},
         true},
        {CommandIds::kMenuExtractSelectedFilestoDisk, QT_TR_NOOP("to Disk"), {}, true},
        {CommandIds::kMenuExtractListedFilestoExtractFolder,
         QT_TR_NOOP("to Extract Folder"),
         {},
         true},
        {CommandIds::kMenuExtractListedFilestoDisk, QT_TR_NOOP("to Disk"), {}, true},
        {CommandIds::kMenuDeleteCurrentFile, QT_TR_NOOP("Current File"), {}, true},
        {CommandIds::kMenuDeleteSelectedFiles, QT_TR_NOOP("Selected Files"), {}, true},
        {CommandIds::kMenuDeleteListedFiles, QT_TR_NOOP("Listed Files"), {}, true},
        {CommandIds::kSortAscendingbar, QT_TR_NOOP("Sort Ascending"), {}, true},
        {CommandIds::kSortDescendingbar, QT_TR_NOOP("Sort Descending"), {}, true},
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
    auto* action = new QAction(tr(entry.caption), m_window);
    if (entry.name)
        action->setObjectName(QString::fromLatin1(entry.name));
    if (!entry.key.isEmpty())
        action->setShortcut(entry.key);
    action->setShortcutContext(Qt::WindowShortcut);
    if (entry.tooltip)
        action->setToolTip(tr(entry.tooltip));
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
    QMenu* list = addMenu(nullptr, CommandIds::kPbar, tr("&PopUpMenuListAction"));
    m_roots.push_back(list);
    QMenu* sort = addMenu(list, CommandIds::kPsbar, tr("&Sort List by..."));
    for (int i = 0; i < int(std::size(kSortFields)); ++i) {
        // The sort entries share their captions with nothing else; they are
        // found as PopSort0 .. PopSort8.
        QAction* entry = new QAction(QString::fromLatin1(kSortFields[i]), m_window);
        entry->setObjectName(CommandIds::popSort(i));
        entry->setEnabled(false);
        m_byName.insert(entry->objectName(), entry);
        m_actions.push_back(entry);
        m_needsLibrary.insert(entry, true);
        m_bound.insert(entry, false);
        sort->addAction(entry);
    }
    list->addSeparator()->setObjectName(QStringLiteral("psep1"));
    QMenu* extract = addMenu(list, CommandIds::kMenuExtract, tr("&Extract"));
    QMenu* selected = addMenu(extract, CommandIds::kMenuExtractSelectedFiles, tr("Selected Files"));
    selected->addAction(action(CommandIds::kMenuExtractSelectedFilestoExtractFolder));
    selected->addAction(action(CommandIds::kMenuExtractSelectedFilestoDisk));
    QMenu* listed = addMenu(extract, CommandIds::kMenuExtractListedFiles, tr("Listed Files"));
    listed->addAction(action(CommandIds::kMenuExtractListedFilestoExtractFolder));
    listed->addAction(action(CommandIds::kMenuExtractListedFilestoDisk));
    QMenu* remove = addMenu(list, CommandIds::kMenuDelete, tr("&Delete"));
    remove->addAction(action(CommandIds::kMenuDeleteCurrentFile));
    remove->addAction(action(CommandIds::kMenuDeleteSelectedFiles));
    remove->addAction(action(CommandIds::kMenuDeleteListedFiles));
    list->addSeparator()->setObjectName(QStringLiteral("psep2"));
    QMenu* current = addMenu(list, CommandIds::kPfbar, tr("Current &File"));
    addForwarder(current, CommandIds::kPobar, tr("&Open (F9)"), CommandIds::kEevbar);
    addForwarder(current, CommandIds::kPcbar, tr("&Copy to Disk"), CommandIds::kEedbar);
    addForwarder(current, CommandIds::kPfdbar, tr("&Delete (Del)"), CommandIds::kEdbar);

    QMenu* header = addMenu(nullptr, CommandIds::kHeaderPopupbar, CommandIds::kHeaderPopupbar);
    m_roots.push_back(header);
    header->addAction(action(CommandIds::kSortAscendingbar));
    header->addAction(action(CommandIds::kSortDescendingbar));
    header->addSeparator()->setObjectName(QStringLiteral("headerpopupsep1"));
    QMenu* change =
        addMenu(header, CommandIds::kChangeColumnFieldbar, tr("Change Column Field to"));
    QStringList fields;
    for (const char* field : kSortFields)
        fields << QString::fromLatin1(field);
    fields << QStringLiteral("Notes");
    for (int i = 0; i < fields.size(); ++i) {
        QAction* entry = new QAction(fields[i], m_window);
        entry->setObjectName(CommandIds::changeFieldbar(i));
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

    QMenu* file = top(CommandIds::kFbar, tr("&File"));
    put(file, CommandIds::kFobar);
    put(file, CommandIds::kFosbar);
    put(file, CommandIds::kFnbar);
    put(file, CommandIds::kFcbar);
    separator(file, "fsep2");
    put(file, CommandIds::kFxbar);

    QMenu* edit = top(CommandIds::kEbar, tr("&Edit"));
    put(edit, CommandIds::kEubar);
    separator(edit, "esep3");
    put(edit, CommandIds::kEmbar);
    put(edit, CommandIds::kEdbar);
    QMenu* extract = addMenu(edit, CommandIds::kEebar, tr("&Extract File from Library"));
    put(extract, CommandIds::kEevbar);
    put(extract, CommandIds::kEedbar);
    separator(edit, "esep2");
    for (const char* name :
         {CommandIds::kEfbar, CommandIds::kEpbar, CommandIds::kEnbar, CommandIds::kElbar})
        put(edit, name);
    separator(edit, "esep1");
    put(edit, CommandIds::kErbar);

    QMenu* view = top(CommandIds::kVbar, tr("&View"));
    put(view, CommandIds::kVibar);
    put(view, CommandIds::kVebar);
    separator(view, "vsep1");
    for (const char* name : {CommandIds::kVlbar, CommandIds::kVsbar, CommandIds::kVrbar})
        put(view, name);

    QMenu* tools = top(CommandIds::kTbar, tr("&Tools"));
    put(tools, CommandIds::kTlbar);
    put(tools, CommandIds::kTpbar);
    separator(tools, "tsep1");
    put(tools, CommandIds::kTdbar);
    put(tools, CommandIds::kTcbar);

    QMenu* help = top(CommandIds::kHbar, tr("&Help"));
    put(help, CommandIds::kHhbar);
    separator(help, "hsep1");
    put(help, CommandIds::kHabar);
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
    return name == CommandIds::kInsertBackButton;
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
    if (QMenu* extract = menu(CommandIds::kMenuExtract))
        extract->setEnabled(state.libraryOpen && state.controls.ExtractMenuEnabled);
    if (QMenu* remove = menu(CommandIds::kMenuDelete))
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
