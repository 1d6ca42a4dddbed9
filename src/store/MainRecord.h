#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace zentaro {

// The fields of table Main that a query or a record can name. The file bytes
// (field OLE) are not among them: they are only reached in chunks.
enum class MainField {
    MainID,
    Title,
    Author,
    Keywords,
    Notes,
    FileName,
    FileType,
    FileSize,
    FileDate,
    InsertionDate,
    LastUpdatedDate,
};

enum class FieldKind { Integer, Text, Date };

// One row of Main without its bytes: what a list shows and a record edits.
// Dates are local time; an invalid QDateTime is a NULL in the file.
struct MainRecord
{
    qint64 MainID = 0; // 0 until the record is stored
    QString Title;
    QString Author;
    QString Keywords;
    QString Notes;
    QString FileName;
    QString FileType;
    qint64 FileSize = 0;
    QDateTime FileDate;
    QDateTime InsertionDate;
    QDateTime LastUpdatedDate;

    // Value by field: QString for text, qint64 for MainID and FileSize,
    // QDateTime for dates, and a null QVariant() for a NULL date.
    QVariant value(MainField field) const;
    // Converts value to the field's type; false when it does not convert
    // (a non-number for FileSize, a text that is no date for a date field).
    bool setValue(MainField field, const QVariant& value);

    // Field names compare without regard to case ("filesize" is FileSize);
    // "OLE" and unknown names give nullopt.
    static std::optional<MainField> fieldFromName(const QString& name);
    static QString fieldName(MainField field);
    static FieldKind fieldKind(MainField field);
    // Every field in table order, MainID first.
    static const QList<MainField>& allFields();
};

} // namespace zentaro
