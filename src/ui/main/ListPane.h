#pragma once

#include "core/SettingsRecord.h"
#include "ui/main/MainLayout.h"

#include <QFrame>
#include <QPointer>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QTableView;

namespace zentaro {

class ListModel;
class Recordset;

// ListPanel, the left pane: the grid GridMain over the current list, the
// current-cell panel under it and the record count under that. It takes the
// grid's colours, fonts and columns from the settings and gives them back.
class ListPane : public QFrame
{
    Q_OBJECT

public:
    static inline const QString kNoLibraryText = QStringLiteral("No library is open.");

    explicit ListPane(double panelGap, QWidget* parent = nullptr);
    ~ListPane() override;

    QTableView* grid() const { return m_grid; }
    ListModel* model() const { return m_model; }
    QLabel* cellPanel() const { return m_cellPanel; }
    QLabel* recordCountLabel() const { return m_recordCount; }
    QLabel* noLibraryLabel() const { return m_noLibrary; }

    // Shows list (nullptr for none) with its current row; raises no
    // currentRowChanged.
    void setList(Recordset* list);
    // Moves the grid's current row to row (-1 clears); raises nothing and
    // selects nothing.
    void showRow(int row);
    int selectedCount() const;
    void setCountsText(const QString& text);
    // With no library open the grid gives way to the words saying so.
    void setLibraryOpen(bool open);

    // The pop-up menus of the rows and of the column headers; each opens
    // only while it has a command to offer.
    void setPopupMenus(QMenu* rows, QMenu* header);
    // The column whose header was clicked last (0 before any click).
    int headerColumn() const { return m_headerColumn; }
    // Del in the grid runs this command.
    void setDeleteCommand(QAction* command);

    void applyGridSettings(const SettingsRecord& settings);
    void collectGridSettings(SettingsRecord& settings) const;

Q_SIGNALS:
    // The user moved the grid's current row.
    void currentRowChanged(int row);
    // A row was double-clicked.
    void rowActivated();
    void selectionChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutPane();
    void showCurrentCell();

    double m_gap;
    ListModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_cellPanel = nullptr;
    QLabel* m_recordCount = nullptr;
    QLabel* m_noLibrary = nullptr;
    QPointer<QMenu> m_rowsMenu;
    QPointer<QMenu> m_headerMenu;
    QPointer<QAction> m_deleteCommand;
    MainLayout::ListPane m_layout;
    std::array<double, kGridColumnCount> m_loadedWidths{};
    bool m_syncing = false;
    int m_headerColumn = 0;
};

} // namespace zentaro
