#include "search/SearchDates.h"

#include <gtest/gtest.h>

using namespace zentaro;

TEST(SearchDates, DayFirstAndMonthFirstSystemsEachGetTheDayTheyMeant)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    const QDate day(2024, 3, 5);
    const QString de = SearchDates::Format(day, german);
    const QString us = SearchDates::Format(day, american);
    EXPECT_TRUE(de.contains(QStringLiteral("2024"))) << de.toStdString();
    EXPECT_TRUE(us.contains(QStringLiteral("2024"))) << us.toStdString();
    EXPECT_EQ(SearchDates::Parse(de, german), day);
    EXPECT_EQ(SearchDates::Parse(us, american), day);
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("5.3.2024"), german), day);
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("3/5/2024"), american), day);
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("13/5/2024"), american), std::nullopt);
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("2024-03-05"), german), day);
    EXPECT_EQ(SearchDates::QueryText(day), QStringLiteral("2024-03-05"));
}

TEST(SearchDates, TwoDigitYearsFallInAWindowAroundToday)
{
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    const QDate today(2026, 6, 1);
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("12/31/98"), american, today), QDate(1998, 12, 31));
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("1/2/03"), american, today), QDate(2003, 1, 2));
    // 20 years ahead still counts forward; 80 years back stays in the past.
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("1/1/45"), american, today), QDate(2045, 1, 1));
    EXPECT_EQ(SearchDates::Parse(QStringLiteral("1/1/46"), american, today), QDate(1946, 1, 1));
}

TEST(SearchDates, RefusesWhatIsNoDate)
{
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    for (const char* text : {"", "   ", "tomorrow", "2/30/2024", "1/1/2024#", "1/1/2024 OR 1=1"})
        EXPECT_EQ(SearchDates::Parse(QString::fromLatin1(text), american), std::nullopt) << text;
}
