#include "store/QueryParser.h"

#include "store/LikePattern.h"
#include "store/QueryFlavour.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace zentaro {

namespace {

QString describe(const QueryToken& t)
{
    switch (t.kind) {
    case QueryToken::End: return QStringLiteral("the end of the search");
    case QueryToken::String: return QStringLiteral("\"%1\"").arg(t.text);
    case QueryToken::Date: return QStringLiteral("#%1#").arg(t.text);
    case QueryToken::Name: return t.bracketed ? QStringLiteral("[%1]").arg(t.text) : t.text;
    default: return t.text;
    }
}

} // namespace

QueryParser::QueryParser(std::vector<QueryToken> tokens, const QueryFlavour& flavour, bool textIndex)
    : m_tokens(std::move(tokens)), m_flavour(flavour), m_operands(flavour), m_textIndex(textIndex)
{
}

const QueryToken& QueryParser::peek(size_t ahead) const
{
    const size_t i = std::min(m_pos + ahead, m_tokens.size() - 1);
    return m_tokens[i];
}

const QueryToken& QueryParser::next()
{
    return m_tokens[std::min(m_pos++, m_tokens.size() - 1)];
}

bool QueryParser::isKeyword(const QueryToken& t, const char* word) const
{
    return t.kind == QueryToken::Name && !t.bracketed && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool QueryParser::acceptKeyword(const char* word)
{
    if (isKeyword(peek(), word)) {
        ++m_pos;
        return true;
    }
    return false;
}

bool QueryParser::isSymbol(const QueryToken& t, const char* symbol) const
{
    return t.kind == QueryToken::Symbol && t.text == QLatin1String(symbol);
}

bool QueryParser::acceptSymbol(const char* symbol)
{
    if (isSymbol(peek(), symbol)) {
        ++m_pos;
        return true;
    }
    return false;
}

Status QueryParser::enter()
{
    if (++m_nesting > kMaxNesting) {
        --m_nesting;
        return QueryTokenizer::failure(QStringLiteral("The search cannot be run: it nests brackets or NOT more than %1 deep.")
                              .arg(kMaxNesting));
    }
    return {};
}

Status QueryParser::unexpected(const QString& expected) const
{
    const QueryToken& t = peek();
    QString message = QStringLiteral("The search cannot be run: %1 was not expected here")
                          .arg(t.kind == QueryToken::End ? describe(t) : QStringLiteral("\"%1\"").arg(describe(t)));
    if (!expected.isEmpty())
        message += QStringLiteral(" (%1 is missing)").arg(expected);
    message += QLatin1Char('.');
    if (m_pos > 0 && m_tokens[m_pos - 1].kind == QueryToken::String)
        message += QStringLiteral(" A quotation mark inside the search text ends the text early; remove it and try again.");
    return QueryTokenizer::failure(message);
}

Status QueryParser::expectKeyword(const char* word)
{
    if (acceptKeyword(word))
        return {};
    return unexpected(QString::fromLatin1(word));
}

Status QueryParser::table()
{
    const QueryToken& t = next();
    if (t.kind != QueryToken::Name) {
        --m_pos;
        return unexpected(QStringLiteral("a table name"));
    }
    if (t.text.compare(QLatin1String("Main"), Qt::CaseInsensitive) != 0) {
        return QueryTokenizer::failure(QStringLiteral("The search cannot be run: only the records of the library (table Main) can be listed, not \"%1\".")
                              .arg(t.text));
    }
    return {};
}

Status QueryParser::selectList()
{
    if (acceptSymbol("*"))
        return {};
    for (;;) {
        const QueryToken& t = next();
        if (t.kind != QueryToken::Name) {
            --m_pos;
            return unexpected(QStringLiteral("a field name"));
        }
        if (isSymbol(peek(), ".")) {
            if (t.text.compare(QLatin1String("Main"), Qt::CaseInsensitive) != 0)
                return QueryTokenizer::failure(QStringLiteral("The search cannot be run: only table Main can be read."));
            ++m_pos;
            if (acceptSymbol("*"))
                return {};
            if (peek().kind != QueryToken::Name)
                return unexpected(QStringLiteral("a field name"));
            const QueryToken& f = next();
            if (!MainRecord::fieldFromName(f.text))
                return QueryTokenizer::failure(QStringLiteral("The search cannot be run: there is no field called \"%1\".").arg(f.text));
        } else if (!MainRecord::fieldFromName(t.text)) {
            if (t.text.compare(QLatin1String("OLE"), Qt::CaseInsensitive) != 0)
                return QueryTokenizer::failure(QStringLiteral("The search cannot be run: there is no field called \"%1\".").arg(t.text));
        }
        if (!acceptSymbol(","))
            return {};
    }
}

Result<QuerySql> QueryParser::orderList()
{
    QuerySql sql;
    for (;;) {
        if (isKeyword(peek(), "Main") && isSymbol(peek(1), ".")) // Main.Title
            m_pos += 2;
        const QueryToken& t = next();
        if (t.kind != QueryToken::Name) {
            --m_pos;
            return Result<QuerySql>(unexpected(QStringLiteral("a field name after ORDER BY")));
        }
        const std::optional<MainField> field = MainRecord::fieldFromName(t.text);
        if (!field) {
            if (t.text.compare(QLatin1String("OLE"), Qt::CaseInsensitive) == 0)
                return Result<QuerySql>(QueryTokenizer::failure(QStringLiteral("The list cannot be sorted by the stored file itself (OLE).")));
            return Result<QuerySql>(QueryTokenizer::failure(
                QStringLiteral("The list cannot be sorted: there is no field called \"%1\".").arg(t.text)));
        }
        if (!sql.text.isEmpty())
            sql += QStringLiteral(", ");
        if (MainRecord::fieldKind(*field) == FieldKind::Text)
            sql += m_flavour.caselessOrder(MainRecord::fieldName(*field));
        else
            sql += MainRecord::fieldName(*field);
        if (acceptKeyword("DESC")) {
            sql += QStringLiteral(" DESC");
            sql += m_flavour.nullsOrder(true);
        } else {
            acceptKeyword("ASC");
            sql += m_flavour.nullsOrder(false);
        }
        if (!acceptSymbol(","))
            return sql;
    }
}

Status QueryParser::finish()
{
    acceptSymbol(";");
    if (peek().kind != QueryToken::End)
        return unexpected();
    return {};
}

Result<TranslatedQuery> QueryParser::statement()
{
    TranslatedQuery query;
    if (acceptKeyword("SELECT")) {
        query.kind = TranslatedQuery::Kind::Select;
        if (Status s = selectList(); !s)
            return Result<TranslatedQuery>(s);
        if (Status s = expectKeyword("FROM"); !s)
            return Result<TranslatedQuery>(s);
        if (Status s = table(); !s)
            return Result<TranslatedQuery>(s);
    } else if (acceptKeyword("DELETE")) {
        query.kind = TranslatedQuery::Kind::Delete;
        acceptSymbol("*");
        if (Status s = expectKeyword("FROM"); !s)
            return Result<TranslatedQuery>(s);
        if (Status s = table(); !s)
            return Result<TranslatedQuery>(s);
    } else if (peek().kind == QueryToken::Name && peek(1).kind == QueryToken::End) {
        // A bare table name as a record source.
        if (Status s = table(); !s)
            return Result<TranslatedQuery>(s);
        return query;
    } else {
        return Result<TranslatedQuery>(unexpected(QStringLiteral("SELECT")));
    }

    if (acceptKeyword("WHERE")) {
        Result<QuerySql> where = expression();
        if (!where)
            return Result<TranslatedQuery>(where.status());
        query.where = where->text;
        query.parameters = where->params;
    }
    if (query.kind == TranslatedQuery::Kind::Select && acceptKeyword("ORDER")) {
        if (Status s = expectKeyword("BY"); !s)
            return Result<TranslatedQuery>(s);
        Result<QuerySql> order = orderList();
        if (!order)
            return Result<TranslatedQuery>(order.status());
        query.orderBy = order->text;
    }
    if (Status s = finish(); !s)
        return Result<TranslatedQuery>(s);
    return query;
}

Result<TranslatedQuery> QueryParser::conditionOnly()
{
    Result<QuerySql> where = expression();
    if (!where)
        return Result<TranslatedQuery>(where.status());
    if (Status s = finish(); !s)
        return Result<TranslatedQuery>(s);
    TranslatedQuery query;
    query.where = where->text;
    query.parameters = where->params;
    return query;
}

Result<QuerySql> QueryParser::expression()
{
    Result<QuerySql> left = andExpression();
    if (!left)
        return left;
    QuerySql sql = *left;
    while (acceptKeyword("OR")) {
        Result<QuerySql> right = andExpression();
        if (!right)
            return right;
        sql += QStringLiteral(" OR ");
        sql += *right;
    }
    return sql;
}

Result<QuerySql> QueryParser::andExpression()
{
    Result<QuerySql> left = notExpression();
    if (!left)
        return left;
    QuerySql sql = *left;
    while (acceptKeyword("AND")) {
        Result<QuerySql> right = notExpression();
        if (!right)
            return right;
        sql += QStringLiteral(" AND ");
        sql += *right;
    }
    return sql;
}

Result<QuerySql> QueryParser::notExpression()
{
    if (acceptKeyword("NOT")) {
        if (Status deeper = enter(); !deeper)
            return Result<QuerySql>(deeper);
        Result<QuerySql> inner = notExpression();
        leave();
        if (!inner)
            return inner;
        QuerySql sql;
        sql += QStringLiteral("NOT (");
        sql += *inner;
        sql += QStringLiteral(")");
        return sql;
    }
    return predicate();
}

Result<QuerySql> QueryParser::predicate()
{
    Result<QueryOperand> leftOp = operand();
    if (!leftOp)
        return Result<QuerySql>(leftOp.status());
    const QueryOperand left = *leftOp;

    const QueryToken& t = peek();
    const bool negated = isKeyword(t, "NOT") &&
                         (isKeyword(peek(1), "LIKE") || isKeyword(peek(1), "BETWEEN") || isKeyword(peek(1), "IN"));
    if (negated)
        ++m_pos;

    if (acceptKeyword("LIKE"))
        return likePredicate(left, negated);

    if (acceptKeyword("BETWEEN")) {
        Result<QueryOperand> low = operand();
        if (!low)
            return Result<QuerySql>(low.status());
        if (Status s = expectKeyword("AND"); !s)
            return Result<QuerySql>(s);
        Result<QueryOperand> high = operand();
        if (!high)
            return Result<QuerySql>(high.status());
        Result<QuerySql> l = m_operands.fieldOrLiteral(left, *low);
        Result<QuerySql> a = m_operands.fieldOrLiteral(*low, left);
        Result<QuerySql> b = m_operands.fieldOrLiteral(*high, left);
        for (const Result<QuerySql>* r : {&l, &a, &b}) {
            if (!*r)
                return *r;
        }
        QuerySql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QString::fromLatin1(negated ? " NOT BETWEEN " : " BETWEEN ");
        sql += *a;
        sql += QStringLiteral(" AND ");
        sql += *b;
        sql += QStringLiteral(")");
        return sql;
    }

    if (acceptKeyword("IN")) {
        if (!acceptSymbol("("))
            return Result<QuerySql>(unexpected(QStringLiteral("\"(\"")));
        QueryOperand none;
        Result<QuerySql> l = m_operands.fieldOrLiteral(left, none);
        if (!l)
            return l;
        QuerySql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QString::fromLatin1(negated ? " NOT IN (" : " IN (");
        for (bool first = true;; first = false) {
            Result<QueryOperand> item = operand();
            if (!item)
                return Result<QuerySql>(item.status());
            Result<QuerySql> v = m_operands.fieldOrLiteral(*item, left);
            if (!v)
                return v;
            if (!first)
                sql += QStringLiteral(", ");
            sql += *v;
            if (acceptSymbol(")"))
                break;
            if (!acceptSymbol(","))
                return Result<QuerySql>(unexpected(QStringLiteral("\")\"")));
        }
        sql += QStringLiteral("))");
        return sql;
    }

    if (acceptKeyword("IS")) {
        const bool isNot = acceptKeyword("NOT");
        if (Status s = expectKeyword("NULL"); !s)
            return Result<QuerySql>(s);
        QueryOperand none;
        Result<QuerySql> l = m_operands.fieldOrLiteral(left, none);
        if (!l)
            return l;
        QuerySql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QString::fromLatin1(isNot ? " IS NOT NULL)" : " IS NULL)");
        return sql;
    }

    static const QStringList comparisons = {QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("!="),
                                            QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("<="),
                                            QStringLiteral(">=")};
    if (t.kind == QueryToken::Symbol && comparisons.contains(t.text)) {
        const QString op = t.text == QLatin1String("!=") ? QStringLiteral("<>") : t.text;
        ++m_pos;
        Result<QueryOperand> rightOp = operand();
        if (!rightOp)
            return Result<QuerySql>(rightOp.status());
        if (left.kind == QueryOperand::Field && rightOp->kind == QueryOperand::Field &&
            MainRecord::fieldKind(left.field) != MainRecord::fieldKind(rightOp->field)) {
            return Result<QuerySql>(QueryTokenizer::failure(QStringLiteral("The search cannot be run: %1 and %2 hold different kinds of values.")
                                              .arg(MainRecord::fieldName(left.field), MainRecord::fieldName(rightOp->field))));
        }
        Result<QuerySql> l = m_operands.fieldOrLiteral(left, *rightOp);
        if (!l)
            return l;
        Result<QuerySql> r = m_operands.fieldOrLiteral(*rightOp, left);
        if (!r)
            return r;
        QuerySql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QLatin1Char(' ') + op + QLatin1Char(' ');
        sql += *r;
        sql += QStringLiteral(")");
        return sql;
    }

    if (negated)
        return Result<QuerySql>(unexpected());
    // A bare value as a condition: "(True)", or a parenthesised condition.
    return m_operands.asCondition(left);
}

Result<QuerySql> QueryParser::likePredicate(const QueryOperand& left, bool negated)
{
    Result<QueryOperand> patternOp = operand();
    if (!patternOp)
        return Result<QuerySql>(patternOp.status());
    QueryOperand none;
    Result<QuerySql> value = m_operands.fieldOrLiteral(left, none);
    if (!value)
        return value;
    QuerySql sql;
    sql += QString::fromLatin1(negated ? "NOT " : "");
    // The index narrows the rows the LIKE below has to look at.
    std::optional<QString> candidates;
    if (m_textIndex && !negated && left.kind == QueryOperand::Field && patternOp->kind == QueryOperand::StringLit)
        candidates = m_flavour.textIndexCandidates(left.field, patternOp->text, sql.params);
    if (candidates)
        sql += QStringLiteral("(") + *candidates + QStringLiteral(" AND ");
    QuerySql pattern;
    bool patternText = false;
    if (patternOp->kind == QueryOperand::StringLit || patternOp->kind == QueryOperand::NumberLit) {
        // Checked here, so that a bad pattern is an error before anything runs.
        Result<LikePattern> compiled = LikePattern::compile(patternOp->text);
        if (!compiled)
            return Result<QuerySql>(compiled.status());
        patternText = true;
    } else if (patternOp->kind == QueryOperand::Field) {
        pattern.text = MainRecord::fieldName(patternOp->field);
    } else {
        return Result<QuerySql>(QueryTokenizer::failure(
            QStringLiteral("The search cannot be run: LIKE needs a text in quotation marks after it.")));
    }
    // The value as stored, without the collation marker.
    QuerySql stored;
    if (left.kind == QueryOperand::Field)
        stored.text = MainRecord::fieldName(left.field);
    else
        stored = *value;
    if (patternText) {
        sql.text += m_flavour.likeText(patternOp->text, stored.text, sql.params);
    } else {
        sql.text += m_flavour.like(pattern.text, stored.text);
        sql.params += pattern.params;
    }
    sql.params += stored.params;
    if (candidates)
        sql += QStringLiteral(")");
    return sql;
}

Result<QueryOperand> QueryParser::operand()
{
    QueryOperand op;
    const QueryToken t = next();
    switch (t.kind) {
    case QueryToken::End:
        --m_pos;
        return Result<QueryOperand>(unexpected(QStringLiteral("a value")));
    case QueryToken::String:
        op.kind = QueryOperand::StringLit;
        op.text = t.text;
        return op;
    case QueryToken::Date: {
        const QDateTime when = QueryDialect::parseDate(t.text);
        if (!when.isValid()) {
            return Result<QueryOperand>(QueryTokenizer::failure(
                QStringLiteral("The search cannot be run: \"%1\" is not a date.").arg(t.text.trimmed())));
        }
        op.kind = QueryOperand::DateLit;
        op.text = t.text.trimmed();
        op.value = when;
        return op;
    }
    case QueryToken::Number: {
        op.kind = QueryOperand::NumberLit;
        op.text = t.text;
        bool ok = false;
        const qint64 whole = t.text.toLongLong(&ok);
        op.value = ok ? QVariant::fromValue(whole) : QVariant(t.text.toDouble());
        return op;
    }
    case QueryToken::Symbol:
        if (t.text == QLatin1String("(")) {
            if (Status deeper = enter(); !deeper)
                return Result<QueryOperand>(deeper);
            Result<QuerySql> inner = expression();
            leave();
            if (!inner)
                return Result<QueryOperand>(inner.status());
            if (!acceptSymbol(")"))
                return Result<QueryOperand>(unexpected(QStringLiteral("\")\"")));
            // "(FileSize)" stays a field so that it can still be compared.
            op.kind = QueryOperand::Condition;
            op.sql.text = QStringLiteral("(") + inner->text + QStringLiteral(")");
            op.sql.params = inner->params;
            return op;
        }
        if ((t.text == QLatin1String("-") || t.text == QLatin1String("+")) && peek().kind == QueryToken::Number) {
            const QueryToken number = next();
            op.kind = QueryOperand::NumberLit;
            op.text = (t.text == QLatin1String("-") ? QStringLiteral("-") : QString()) + number.text;
            bool ok = false;
            const qint64 whole = op.text.toLongLong(&ok);
            op.value = ok ? QVariant::fromValue(whole) : QVariant(op.text.toDouble());
            return op;
        }
        --m_pos;
        return Result<QueryOperand>(unexpected(QStringLiteral("a value")));
    case QueryToken::Name:
        break;
    }

    if (!t.bracketed) {
        if (isKeyword(t, "TRUE") || isKeyword(t, "FALSE")) {
            op.kind = QueryOperand::BoolLit;
            op.text = t.text;
            op.value = isKeyword(t, "TRUE");
            return op;
        }
        if (isKeyword(t, "NULL")) {
            op.kind = QueryOperand::NullLit;
            return op;
        }
        static const char* reserved[] = {"SELECT", "FROM", "WHERE", "ORDER", "BY", "AND", "OR", "NOT",
                                         "LIKE", "BETWEEN", "IN", "IS", "DELETE", "ASC", "DESC"};
        for (const char* word : reserved) {
            if (isKeyword(t, word)) {
                --m_pos;
                return Result<QueryOperand>(unexpected(QStringLiteral("a value")));
            }
        }
    }
    QString name = t.text;
    if (isSymbol(peek(), ".")) {
        if (name.compare(QLatin1String("Main"), Qt::CaseInsensitive) != 0) {
            return Result<QueryOperand>(QueryTokenizer::failure(QStringLiteral("The search cannot be run: only table Main can be read, not \"%1\".")
                                                  .arg(name)));
        }
        ++m_pos;
        const QueryToken& f = next();
        if (f.kind != QueryToken::Name) {
            --m_pos;
            return Result<QueryOperand>(unexpected(QStringLiteral("a field name")));
        }
        name = f.text;
    }
    if (const std::optional<MainField> field = MainRecord::fieldFromName(name)) {
        op.kind = QueryOperand::Field;
        op.field = *field;
        return op;
    }
    if (name.compare(QLatin1String("OLE"), Qt::CaseInsensitive) == 0) {
        return Result<QueryOperand>(QueryTokenizer::failure(
            QStringLiteral("The search cannot be run: the stored file itself (OLE) cannot be searched.")));
    }
    if (isSymbol(peek(), "(")) {
        return Result<QueryOperand>(QueryTokenizer::failure(
            QStringLiteral("The search cannot be run: \"%1\" is not something the search understands.").arg(name)));
    }
    op.kind = QueryOperand::Unknown;
    op.text = name;
    return op;
}

} // namespace zentaro
