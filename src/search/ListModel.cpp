#include "search/ListModel.h"

#include "store/Recordset.h"

#include <limits>

namespace zentaro {

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ListModel::setRecordset(Recordset* recordset)
{
    beginResetModel();
    m_recordset = recordset;
    m_rows = recordset ? recordset->recordCount() : 0;
    endResetModel();
}

void ListModel::reload()
{
    setRecordset(m_recordset);
}

void ListModel::setColumnFields(const std::array<QString, kGridColumnCount>& fields)
{
    m_fields = fields;
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, kGridColumnCount - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kGridColumnCount - 1);
}

void ListModel::setColumnField(int column, const QString& field)
{
    if (column < 0 || column >= kGridColumnCount)
        return;
    m_fields[static_cast<std::size_t>(column)] = field;
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, column), index(m_rows - 1, column));
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

QString ListModel::columnField(int column) const
{
    if (column < 0 || column >= kGridColumnCount)
        return {};
    return m_fields[static_cast<std::size_t>(column)];
}

qint64 ListModel::mainIdAt(int row) const
{
    if (!m_recordset || row < 0 || row >= m_rows)
        return 0;
    Result<MainRecord> record = m_recordset->recordAt(row);
    return record ? record->MainID : 0;
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kGridColumnCount;
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_recordset || index.row() >= m_rows ||
        index.column() >= kGridColumnCount)
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != FullTextRole)
        return {};
    Result<MainRecord> record = m_recordset->recordAt(index.row());
    if (!record)
        return {};
    if (role == FullTextRole)
        return fullText(*record, m_fields[static_cast<std::size_t>(index.column())]);
    const QString text = displayText(*record, m_fields[static_cast<std::size_t>(index.column())]);
    if (role == Qt::ToolTipRole && text.size() < 40)
        return {};
    return text;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= kGridColumnCount)
            return {};
        return m_fields[static_cast<std::size_t>(section)];
    }
    return section + 1;
}

QString ListModel::fullText(const MainRecord& record, const QString& field)
{
    const std::optional<MainField> which = MainRecord::fieldFromName(field);
    if (which && MainRecord::fieldKind(*which) == FieldKind::Text)
        return record.value(*which).toString();
    return displayText(record, field);
}

QString ListModel::displayText(const MainRecord& record, const QString& field)
{
    const std::optional<MainField> which = MainRecord::fieldFromName(field);
    if (!which)
        return {};
    const QVariant value = record.value(*which);
    switch (MainRecord::fieldKind(*which)) {
    case FieldKind::Integer:
        return QString::number(value.toLongLong());
    case FieldKind::Date: {
        const QDateTime when = value.toDateTime();
        return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    }
    case FieldKind::Text: {
        QString text = value.toString();
        // One grid line per record: a memo shows its first line.
        const qsizetype cut = text.indexOf(QLatin1Char('\n'));
        if (cut >= 0)
            text = text.left(cut).trimmed() + QStringLiteral(" ...");
        return text;
    }
    }
    return {};
}

QString ListModel::sampleText(const QString& field)
{
    const std::optional<MainField> which = MainRecord::fieldFromName(field);
    if (!which || (MainRecord::fieldKind(*which) == FieldKind::Text && *which != MainField::FileType))
        return {};
    MainRecord sample;
    sample.MainID = std::numeric_limits<qint32>::max();
    sample.FileSize = std::numeric_limits<qint32>::max();
    sample.FileType = QStringLiteral("DOCX");
    const QDateTime late(QDate(2028, 12, 28), QTime(20, 58, 58));
    sample.FileDate = late;
    sample.InsertionDate = late;
    sample.LastUpdatedDate = late;
    return displayText(sample, field);
}

} // namespace zentaro
