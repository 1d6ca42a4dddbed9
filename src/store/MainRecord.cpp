#include "store/MainRecord.h"

#include "store/DateText.h"

namespace zentaro {

namespace {

bool toDate(const QVariant& value, QDateTime* out)
{
    if (!value.isValid() || value.isNull()) {
        *out = QDateTime();
        return true;
    }
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        *out = value.toDateTime();
        return out->isValid();
    case QMetaType::QDate:
        *out = value.toDate().startOfDay();
        return out->isValid();
    case QMetaType::QString: {
        if (value.toString().trimmed().isEmpty()) {
            *out = QDateTime();
            return true;
        }
        *out = DateText::fromText(value.toString());
        return out->isValid();
    }
    default:
        return false;
    }
}

bool toInteger(const QVariant& value, qint64* out)
{
    if (!value.isValid() || value.isNull())
        return false;
    bool ok = false;
    if (value.typeId() == QMetaType::QString) {
        *out = value.toString().trimmed().toLongLong(&ok);
        return ok;
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (d != static_cast<double>(static_cast<qint64>(d)))
            return false;
        *out = static_cast<qint64>(d);
        return true;
    }
    *out = value.toLongLong(&ok);
    return ok;
}

QVariant dateValue(const QDateTime& when)
{
    return when.isValid() ? QVariant(when) : QVariant();
}

} // namespace

QVariant MainRecord::value(MainField field) const
{
    switch (field) {
    case MainField::MainID: return QVariant::fromValue<qint64>(MainID);
    case MainField::Title: return Title;
    case MainField::Author: return Author;
    case MainField::Keywords: return Keywords;
    case MainField::Notes: return Notes;
    case MainField::FileName: return FileName;
    case MainField::FileType: return FileType;
    case MainField::FileSize: return QVariant::fromValue<qint64>(FileSize);
    case MainField::FileDate: return dateValue(FileDate);
    case MainField::InsertionDate: return dateValue(InsertionDate);
    case MainField::LastUpdatedDate: return dateValue(LastUpdatedDate);
    }
    return {};
}

bool MainRecord::setValue(MainField field, const QVariant& value)
{
    const QString text = value.isNull() ? QString() : value.toString();
    switch (field) {
    case MainField::MainID: return toInteger(value, &MainID);
    case MainField::Title: Title = text; return true;
    case MainField::Author: Author = text; return true;
    case MainField::Keywords: Keywords = text; return true;
    case MainField::Notes: Notes = text; return true;
    case MainField::FileName: FileName = text; return true;
    case MainField::FileType: FileType = text; return true;
    case MainField::FileSize: return toInteger(value, &FileSize);
    case MainField::FileDate: return toDate(value, &FileDate);
    case MainField::InsertionDate: return toDate(value, &InsertionDate);
    case MainField::LastUpdatedDate: return toDate(value, &LastUpdatedDate);
    }
    return false;
}

const QList<MainField>& MainRecord::allFields()
{
    static const QList<MainField> fields = {
        MainField::MainID,   MainField::Title,    MainField::Author,   MainField::Keywords,
        MainField::Notes,    MainField::FileName, MainField::FileType, MainField::FileSize,
        MainField::FileDate, MainField::InsertionDate, MainField::LastUpdatedDate};
    return fields;
}

std::optional<MainField> MainRecord::fieldFromName(const QString& name)
{
    for (MainField field : allFields()) {
        if (fieldName(field).compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

QString MainRecord::fieldName(MainField field)
{
    switch (field) {
    case MainField::MainID: return QStringLiteral("MainID");
    case MainField::Title: return QStringLiteral("Title");
    case MainField::Author: return QStringLiteral("Author");
    case MainField::Keywords: return QStringLiteral("Keywords");
    case MainField::Notes: return QStringLiteral("Notes");
    case MainField::FileName: return QStringLiteral("FileName");
    case MainField::FileType: return QStringLiteral("FileType");
    case MainField::FileSize: return QStringLiteral("FileSize");
    case MainField::FileDate: return QStringLiteral("FileDate");
    case MainField::InsertionDate: return QStringLiteral("InsertionDate");
    case MainField::LastUpdatedDate: return QStringLiteral("LastUpdatedDate");
    }
    return {};
}

FieldKind MainRecord::fieldKind(MainField field)
{
    switch (field) {
    case MainField::MainID:
    case MainField::FileSize:
        return FieldKind::Integer;
    case MainField::FileDate:
    case MainField::InsertionDate:
    case MainField::LastUpdatedDate:
        return FieldKind::Date;
    default:
        return FieldKind::Text;
    }
}

} // namespace zentaro
