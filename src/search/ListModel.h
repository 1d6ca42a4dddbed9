#pragma once

#include "core/SettingsRecord.h"
#include "store/MainRecord.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <array>

namespace zentaro {

class Recordset;

// The grid's model of the current list: one row per listed record, ten
// columns whose bound fields come from the settings. Rows are read lazily
// from the recordset (a page at a time); file bytes never.
class ListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The whole text of a cell, a memo with all its lines.
    static constexpr int FullTextRole = Qt::UserRole + 1;

    explicit ListModel(QObject* parent = nullptr);

    // The list to show; nullptr shows nothing. Resets the model.
    void setRecordset(Recordset* recordset);
    Recordset* recordset() const { return m_recordset; }
    // Rebuilds rows after the recordset was re-run or changed.
    void reload();

    // Bound field of each column (captions are the field names).
    void setColumnFields(const std::array<QString, kGridColumnCount>& fields);
    void setColumnField(int column, const QString& field);
    QString columnField(int column) const;

    // MainID of a row, 0 when there is none.
    qint64 mainIdAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // How a field's value reads in the grid (dates as local date and time).
    static QString displayText(const MainRecord& record, const QString& field);
    static QString fullText(const MainRecord& record, const QString& field);
    // A wide value of a field whose text has a fixed form (the size, the
    // dates, the file type), to size its column by; empty for free text.
    static QString sampleText(const QString& field);

private:
    Recordset* m_recordset = nullptr;
    int m_rows = 0;
    std::array<QString, kGridColumnCount> m_fields;
};

} // namespace zentaro
