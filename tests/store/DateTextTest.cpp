#include "store/DateText.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <ctime>

using namespace zentaro;

namespace {

QDateTime parsed(const QString& text, const QString& format = QStringLiteral("yyyy-MM-dd HH:mm:ss"))
{
    return QDateTime::fromString(text, format);
}

// The local clock for one test, with summer time or odd offsets.
class LocalZone
{
public:
    explicit LocalZone(const char* zone) : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~LocalZone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        ::tzset();
    }

private:
    QByteArray m_old;
    bool m_had;
};

} // namespace

// The stored form is read by hand, from the last offset of the clock seen;
// it must read exactly as the general parser does, in any zone.
TEST(DateTextTest, TheStoredFormReadsAsTheParserReadsIt)
{
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Kathmandu"}) {
        SCOPED_TRACE(zone);
        LocalZone local(zone);
        QDateTime when(QDate(1969, 12, 28), QTime(0, 0, 0));
        // Every few hours over a span of years: month ends, leap days, clock changes.
        for (int step = 0; step < 20000; ++step) {
            when = when.addSecs(9 * 3600 + 17 * 60 + 13);
            const QString text = DateText::toText(when);
            ASSERT_EQ(DateText::fromText(text), parsed(text)) << qPrintable(text);
            ASSERT_EQ(DateText::toText(DateText::fromText(text)), text);
        }
    }
    const QStringList edges = {
        QStringLiteral("2024-02-29 23:59:59"), QStringLiteral("2023-02-29 10:00:00"),
        QStringLiteral("2024-13-01 10:00:00"), QStringLiteral("2024-12-31 24:00:00"),
        QStringLiteral("2024-12-31 23:60:00"), QStringLiteral("0000-01-01 00:00:00"),
        QStringLiteral("2024-1a-01 10:00:00"), QStringLiteral("2024-01-01 10:00:0x"),
        QStringLiteral("2024/01/01 10:00:00"), QStringLiteral("9999-12-31 23:59:59"),
    };
    for (const QString& text : edges)
        EXPECT_EQ(DateText::fromText(text), parsed(text)) << qPrintable(text);
}

TEST(DateTextTest, OtherFormsStillRead)
{
    EXPECT_EQ(DateText::fromText(QStringLiteral("  2024-03-05 06:07:08 ")),
              QDateTime(QDate(2024, 3, 5), QTime(6, 7, 8)));
    EXPECT_EQ(DateText::fromText(QStringLiteral("2024-03-05T06:07:08")), QDateTime(QDate(2024, 3, 5), QTime(6, 7, 8)));
    EXPECT_EQ(DateText::fromText(QStringLiteral("2024-03-05")), QDate(2024, 3, 5).startOfDay());
    // Digits of another script are the parser's to judge, not a year of -1.
    const QString wide = QStringLiteral("２０２４-03-05 06:07:08");
    EXPECT_EQ(DateText::fromText(wide), parsed(wide));
    EXPECT_FALSE(DateText::fromText(QString()).isValid());
}
