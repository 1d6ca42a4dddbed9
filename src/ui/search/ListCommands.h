#pragma once

#include <QObject>
#include <QString>

class QPoint;

namespace zentaro {

class CommandContext;
class ProgramState;

// The commands on the current list: the search dialog and List All, the
// sorts of the list pop-up and of the header pop-up, the change of a
// column's field, and the List Commands button. Each ends by re-running the
// list; a query the engine rejects leaves the previous one and its list.
class ListCommands : public QObject
{
    Q_OBJECT

public:
    ListCommands(ProgramState& state, CommandContext& context);

    void showFilter();
    void listAll();
    // "Sort List by...": ORDER BY field, without brackets.
    void sortBy(const QString& field);
    // The header pop-up's sorts on its column: ORDER BY [field] [DESC].
    void sortHeaderColumn(bool descending);
    void changeHeaderColumnField(const QString& field);
    // The list-action pop-up, at a point of the screen.
    void showListActions(const QPoint& at);

private:
    // QueryWhere and QueryOrder become where and order and the list is run
    // again; when the engine refuses, both go back and the user is told.
    bool requery(const QString& where, const QString& order);
    void focusGrid();

    ProgramState& m_state;
    CommandContext& m_context;
};

} // namespace zentaro
