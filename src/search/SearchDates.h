#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

namespace zentaro {

// The date boxes of the search dialog: the system's short date form with a
// four-digit year, read back with the same locale, so a day-first system
// searches the day its user meant.
class SearchDates
{
public:
    // The locale's short date format with the year always four digits.
    static QString DisplayFormat(const QLocale& locale);
    static QString Format(const QDate& date, const QLocale& locale);
    // What the user typed in the locale's short form (one or two digits for
    // day and month, two or four for the year) or as yyyy-MM-dd; nothing
    // when it is no date. A two-digit year falls within 80 years before and
    // 20 after today's year.
    static std::optional<QDate> Parse(const QString& text, const QLocale& locale,
                                      const QDate& today = QDate::currentDate());
    // The text the query takes for a date: yyyy-MM-dd, which the query
    // dialect reads the same on every system.
    static QString QueryText(const QDate& date);
};

} // namespace zentaro
