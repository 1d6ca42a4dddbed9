#pragma once

#include <QFrame>

#include <vector>

class QLabel;
class QToolButton;

namespace zentaro {

class CommandRegistry;

// ToolBarPanel: the picture buttons in their five groups, each button the
// registry's action for its command. A button shows while its command is
// bound and visible; a group shows while one of its buttons does.
class ToolBar : public QFrame
{
    Q_OBJECT

public:
    ToolBar(CommandRegistry& commands, QWidget* parent = nullptr);

    QToolButton* button(const QString& name) const;

private:
    struct Group
    {
        QLabel* label = nullptr;
        QWidget* separator = nullptr;
        std::vector<QToolButton*> buttons;
    };
    void updateGroups();

    std::vector<Group> m_groups;
};

} // namespace zentaro
