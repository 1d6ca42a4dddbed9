#include "store/QueryDialect.h"

#include "store/QueryParser.h"
#include "store/QueryTokenizer.h"
#include "store/file/SqliteFlavour.h"

#include <QRegularExpression>

#include <optional>
#include <vector>

namespace zentaro {

namespace {

int expandYear(const QString& text)
{
    const int year = text.toInt();
    if (text.size() <= 2)
        return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

std::optional<QTime> parseTime(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,2})(?::(\\d{1,2}))?(?::(\\d{1,2}))?\\s*([AaPp][Mm])?$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    if (m.captured(2).isEmpty() && m.captured(4).isEmpty())
        return std::nullopt; // a bare number is no time
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    const int second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString half = m.captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        if (half == QLatin1String("AM") && hour == 12)
            hour = 0;
        else if (half == QLatin1String("PM") && hour != 12)
            hour += 12;
    }
    QTime time(hour, minute, second);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

} // namespace

QString TranslatedQuery::keysetSql() const
{
    QString sql = QStringLiteral("SELECT MainID FROM Main");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ");
    if (!orderBy.isEmpty())
        sql += orderBy + QStringLiteral(", ");
    // The tie-break runs the way the last key does, so one index serves both.
    const bool descending = orderBy.endsWith(QLatin1String(" DESC")) || orderBy.endsWith(QLatin1String(" DESC NULLS LAST"));
    sql += descending ? QStringLiteral("MainID DESC") : QStringLiteral("MainID");
    return sql;
}

QString TranslatedQuery::deleteSql() const
{
    QString sql = QStringLiteral("DELETE FROM Main");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return sql;
}

Result<TranslatedQuery> QueryDialect::translate(const QString& text, bool useTextIndex)
{
    return translate(text, SqliteFlavour::instance(), useTextIndex);
}

Result<TranslatedQuery> QueryDialect::translate(const QString& text, const QueryFlavour& flavour, bool useTextIndex)
{
    Result<std::vector<QueryToken>> tokens = QueryTokenizer::tokenize(text);
    if (!tokens)
        return Result<TranslatedQuery>(tokens.status());
    QueryParser parser(std::move(*tokens), flavour, useTextIndex);
    Result<TranslatedQuery> query = parser.statement();
    if (query)
        query->where = flavour.finishPlaceholders(query->where);
    return query;
}

Result<TranslatedQuery> QueryDialect::translateCondition(const QString& criteria)
{
    return translateCondition(criteria, SqliteFlavour::instance());
}

Result<TranslatedQuery> QueryDialect::translateCondition(const QString& criteria, const QueryFlavour& flavour)
{
    Result<std::vector<QueryToken>> tokens = QueryTokenizer::tokenize(criteria);
    if (!tokens)
        return Result<TranslatedQuery>(tokens.status());
    QueryParser parser(std::move(*tokens), flavour);
    Result<TranslatedQuery> query = parser.conditionOnly();
    if (query)
        query->where = flavour.finishPlaceholders(query->where);
    return query;
}

QDateTime QueryDialect::parseDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](.+))?$"));
    static const QRegularExpression monthFirst(
        QStringLiteral("^(\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{2}|\\d{4})(?:\\s+(.+))?$"));

    QDate day;
    QString timeText;
    if (const QRegularExpressionMatch m = iso.match(trimmed); m.hasMatch()) {
        day = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        timeText = m.captured(4);
    } else if (const QRegularExpressionMatch m2 = monthFirst.match(trimmed); m2.hasMatch()) {
        const int year = expandYear(m2.captured(4));
        const int first = m2.captured(1).toInt();
        const int second = m2.captured(3).toInt();
        // Month first; like Jet, a first number that cannot be a month is the day.
        day = QDate(year, first, second);
        if (!day.isValid())
            day = QDate(year, second, first);
        timeText = m2.captured(5);
    } else {
        return {};
    }
    if (!day.isValid())
        return {};
    QTime time(0, 0, 0);
    if (!timeText.trimmed().isEmpty()) {
        const std::optional<QTime> parsed = parseTime(timeText);
        if (!parsed)
            return {};
        time = *parsed;
    }
    return QDateTime(day, time);
}

} // namespace zentaro
