#include "ui/main/ToolBar.h"

#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/MainLayout.h"
#include "ui/main/ToolIcons.h"
#include "ui/main/TwipsGeometry.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace zentaro {

namespace {

struct GroupPlan
{
    const char* label;
    const char* caption;
    std::vector<const char*> buttons;
};

} // namespace

ToolBar::ToolBar(CommandRegistry& commands, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("ToolBarPanel"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);

    const GroupPlan groups[] = {
        {"LibraryGroupLabel",
         "Library",
         {CommandIds::kNewLibraryButton, CommandIds::kOpenLibraryButton,
          CommandIds::kReLoginButton}},
        {"ListGroupLabel",
         "List",
         {CommandIds::kListAllButton, CommandIds::kFilterButton, CommandIds::kListActionButton,
          CommandIds::kPrintListButton}},
        {"ViewGroupLabel",
         "View",
         {CommandIds::kListOnlyButton, CommandIds::kCenterSplitButton,
          CommandIds::kRecordOnlyButton}},
        {"FileGroupLabel",
         "File",
         {CommandIds::kAddMultipleRecordsButton, CommandIds::kDeleteButton,
          CommandIds::kExtractToDiskButton, CommandIds::kViewButton,
          CommandIds::kInsertBackButton}},
        {"ZNTGroupLabel", "ZNT", {CommandIds::kConfigButton, CommandIds::kHelpButton}},
    };

    auto* row = new QHBoxLayout(this);
    const int size = TwipsGeometry::pixelsX(this, MainLayout::kToolButtonSize);
    row->setContentsMargins(TwipsGeometry::pixelsX(this, 60),
                            TwipsGeometry::pixelsY(this, MainLayout::kToolButtonTop) - 1,
                            TwipsGeometry::pixelsX(this, 60), 0);
    row->setSpacing(TwipsGeometry::pixelsX(this, 15));
    row->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (const GroupPlan& plan : groups) {
        Group group;
        if (!m_groups.empty()) {
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setFixedSize(TwipsGeometry::pixelsX(this, 75), size);
            group.separator = line;
            row->addWidget(line);
        }
        group.label = new QLabel(QString::fromLatin1(plan.caption), this);
        group.label->setObjectName(QString::fromLatin1(plan.label));
        QFont small = group.label->font();
        small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
        group.label->setFont(small);
        QPalette pal = group.label->palette();
        pal.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        group.label->setPalette(pal);
        group.label->setFixedHeight(size);
        group.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(group.label);
        for (const char* name : plan.buttons) {
            QAction* command = commands.action(QString::fromLatin1(name));
            if (!command)
                continue;
            command->setIcon(ToolIcons::forButton(QString::fromLatin1(name)));
            auto* button = new QToolButton(this);
            button->setObjectName(QString::fromLatin1(name));
            button->setDefaultAction(command);
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            button->setIconSize(QSize(size - 6, size - 6));
            button->setFixedSize(size, size);
            button->setAutoRaise(true);
            button->setFocusPolicy(Qt::NoFocus);
            button->setVisible(command->isVisible());
            connect(command, &QAction::changed, this, [this, button, command] {
                button->setVisible(command->isVisible());
                updateGroups();
            });
            group.buttons.push_back(button);
            row->addWidget(button);
        }
        m_groups.push_back(group);
    }
    row->addStretch(1);
    updateGroups();
}

QToolButton* ToolBar::button(const QString& name) const
{
    return findChild<QToolButton*>(name);
}

void ToolBar::updateGroups()
{
    bool first = true;
    for (const Group& group : m_groups) {
        const bool shown = std::any_of(group.buttons.begin(), group.buttons.end(),
                                       [](QToolButton* b) { return !b->isHidden(); });
        group.label->setVisible(shown);
        if (group.separator)
            group.separator->setVisible(shown && !first);
        if (shown)
            first = false;
    }
}

} // namespace zentaro
