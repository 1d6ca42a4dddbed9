#include "store/QueryOperandWriter.h"

#include "store/DateText.h"
#include "store/QueryDialect.h"
#include "store/QueryFlavour.h"
#include "store/QueryTokenizer.h"

namespace zentaro {

QueryOperandWriter::QueryOperandWriter(const QueryFlavour& flavour) : m_flavour(flavour) {}

QuerySql QueryOperandWriter::bound(const QVariant& value) const
{
    QuerySql sql;
    sql.text = m_flavour.placeholder();
    sql.params.push_back(value);
    return sql;
}

// The SQL of an operand compared with another: a literal takes the type of
// the field it is compared with, so that text never meets a number field.
Result<QuerySql> QueryOperandWriter::fieldOrLiteral(const QueryOperand& op, const QueryOperand& other) const
{
    QuerySql sql;
    auto bind = [this](const QVariant& v) { return bound(v); };
    switch (op.kind) {
    case QueryOperand::Field:
        sql.text = MainRecord::fieldName(op.field);
        if (MainRecord::fieldKind(op.field) == FieldKind::Text)
            sql.text = m_flavour.caselessCompare(sql.text);
        return sql;
    case QueryOperand::Condition:
        return op.sql;
    case QueryOperand::NullLit:
        sql.text = QStringLiteral("NULL");
        return sql;
    case QueryOperand::Unknown:
        break;
    default: {
        if (other.kind != QueryOperand::Field) {
            if (op.kind == QueryOperand::DateLit)
                return bind(m_flavour.dateParameter(op.value.toDateTime()));
            if (op.kind == QueryOperand::StringLit)
                return bind(op.text);
            return bind(op.value);
        }
        const FieldKind kind = MainRecord::fieldKind(other.field);
        const QString fieldName = MainRecord::fieldName(other.field);
        if (kind == FieldKind::Integer) {
            if (op.kind == QueryOperand::NumberLit)
                return bind(op.value);
            if (op.kind == QueryOperand::StringLit) {
                bool ok = false;
                const QString t = op.text.trimmed();
                const qint64 whole = t.toLongLong(&ok);
                if (ok)
                    return bind(QVariant::fromValue(whole));
                const double d = t.toDouble(&ok);
                if (ok)
                    return bind(d);
            }
            return Result<QuerySql>(QueryTokenizer::failure(
                QStringLiteral("The search cannot be run: %1 holds numbers, and \"%2\" is not a number.")
                    .arg(fieldName, op.kind == QueryOperand::DateLit ? QStringLiteral("#%1#").arg(op.text) : op.text)));
        }
        if (kind == FieldKind::Date) {
            if (op.kind == QueryOperand::DateLit)
                return bind(m_flavour.dateParameter(op.value.toDateTime()));
            if (op.kind == QueryOperand::StringLit) {
                const QDateTime when = QueryDialect::parseDate(op.text);
                if (when.isValid())
                    return bind(m_flavour.dateParameter(when));
            }
            return Result<QuerySql>(QueryTokenizer::failure(
                QStringLiteral("The search cannot be run: %1 holds dates, and \"%2\" is not a date.")
                    .arg(fieldName, op.text)));
        }
        // Text field: the literal is compared as text, without case.
        sql = bind(op.kind == QueryOperand::DateLit ? DateText::toText(op.value.toDateTime()) : op.text);
        sql.text = m_flavour.caselessValue(sql.text);
        return sql;
    }
    }
    // An unknown name: say what was expected of it.
    if (other.kind == QueryOperand::Field) {
        const FieldKind kind = MainRecord::fieldKind(other.field);
        if (kind == FieldKind::Integer) {
            return Result<QuerySql>(QueryTokenizer::failure(
                QStringLiteral("The search cannot be run: %1 holds numbers, and \"%2\" is not a number.")
                    .arg(MainRecord::fieldName(other.field), op.text)));
        }
        if (kind == FieldKind::Date) {
            return Result<QuerySql>(QueryTokenizer::failure(
                QStringLiteral("The search cannot be run: %1 holds dates, and \"%2\" is not a date.")
                    .arg(MainRecord::fieldName(other.field), op.text)));
        }
    }
    return Result<QuerySql>(QueryTokenizer::failure(
        QStringLiteral("The search cannot be run: there is no field called \"%1\".").arg(op.text)));
}

Result<QuerySql> QueryOperandWriter::asCondition(const QueryOperand& op) const
{
    QueryOperand none;
    none.kind = QueryOperand::NullLit;
    Result<QuerySql> sql = fieldOrLiteral(op, none);
    if (!sql)
        return sql;
    if (op.kind == QueryOperand::Condition)
        return sql;
    QuerySql wrapped;
    wrapped += QStringLiteral("(");
    wrapped += *sql;
    wrapped += QStringLiteral(")");
    return wrapped;
}

} // namespace zentaro
