#include "search/SearchDates.h"

#include <QRegularExpression>

#include <algorithm>

namespace zentaro {

namespace {

// format with its year written as year ("yyyy" or "yy").
QString normalized(QString format, const QString& year)
{
    static const QRegularExpression years(QStringLiteral("y+"));
    return format.replace(years, year);
}

} // namespace

QString SearchDates::DisplayFormat(const QLocale& locale)
{
    return normalized(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("yyyy"));
}

QString SearchDates::Format(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, DisplayFormat(locale));
}

std::optional<QDate> SearchDates::Parse(const QString& typed, const QLocale& locale, const QDate& today)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QDate iso = QDate::fromString(text, Qt::ISODate);
    if (iso.isValid())
        return iso;

    // Day and month with or without a leading zero.
    static const QRegularExpression days(QStringLiteral("(?<!d)d{1,2}(?!d)"));
    static const QRegularExpression months(QStringLiteral("(?<!M)M{1,2}(?!M)"));
    QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    shortFormat.replace(days, QStringLiteral("d")).replace(months, QStringLiteral("M"));

    const QDate full = locale.toDate(text, normalized(shortFormat, QStringLiteral("yyyy")));
    // A four-digit year only: "1/2/98" must not become the year 98.
    static const QRegularExpression fourDigits(QStringLiteral("\\d{4}"));
    if (full.isValid() && fourDigits.match(text).hasMatch())
        return full;
    const QDate two = locale.toDate(text, normalized(shortFormat, QStringLiteral("yy")));
    if (!two.isValid())
        return std::nullopt;
    // Qt reads "yy" as 19yy; move it into the window around today.
    const int yy = two.year() % 100;
    const int low = today.year() - 80;
    int year = (low / 100) * 100 + yy;
    if (year < low)
        year += 100;
    const QDate moved(year, two.month(), 1);
    const int day = std::min(two.day(), moved.daysInMonth());
    if (day != two.day())
        return std::nullopt; // 29 February of a year that has none
    return QDate(year, two.month(), day);
}

QString SearchDates::QueryText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace zentaro
