#pragma once

#include "core/Result.h"
#include "store/MainRecord.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace zentaro {

class QueryFlavour;

// A piece of translated SQL with the values bound to its marks.
struct QuerySql
{
    QString text;
    QVariantList params;

    QuerySql& operator+=(const QuerySql& other)
    {
        text += other.text;
        params += other.params;
        return *this;
    }
    QuerySql& operator+=(const QString& other)
    {
        text += other;
        return *this;
    }
};

// One side of a comparison as read, before it is written as SQL.
struct QueryOperand
{
    enum Kind { Field, StringLit, NumberLit, DateLit, BoolLit, NullLit, Condition, Unknown };
    Kind kind = Unknown;
    MainField field = MainField::MainID;
    QString text;   // literal text, unknown name
    QVariant value; // NumberLit: qint64 or double; DateLit: QDateTime; BoolLit: bool
    QuerySql sql;   // Condition: the translated expression
};

// Writes the operands of a comparison as SQL in a flavour's words: a field
// as it compares, a literal as a bound value of the type of the field it
// meets, so that text never meets a number field.
class QueryOperandWriter
{
public:
    explicit QueryOperandWriter(const QueryFlavour& flavour);

    // op as compared with other (InvalidQuery when they cannot meet).
    Result<QuerySql> fieldOrLiteral(const QueryOperand& op, const QueryOperand& other) const;
    // A bare value or parenthesised condition standing as a condition.
    Result<QuerySql> asCondition(const QueryOperand& op) const;
    // One bound value.
    QuerySql bound(const QVariant& value) const;

private:
    const QueryFlavour& m_flavour;
};

} // namespace zentaro
