#include "store/DateText.h"

namespace zentaro {

namespace {
const QString kStoredFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
} // namespace

QString DateText::toText(const QDateTime& when)
{
    if (!when.isValid())
        return {};
    return when.toLocalTime().toString(kStoredFormat);
}

namespace {

// The digits of text from at, length long; -1 unless every one is a digit.
int digits(const QString& text, int at, int length)
{
    int value = 0;
    for (int i = at; i < at + length; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The stored form read by hand: the general parser costs most of the time of
// loading a page of records. Anything else is left to it.
QDateTime fromStoredForm(const QString& text)
{
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':' ||
        text[16] != u':')
        return {};
    const int parts[] = {digits(text, 0, 4),  digits(text, 5, 2),  digits(text, 8, 2),
                         digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2)};
    // -1 would be a valid year (1 BC).
    for (const int part : parts) {
        if (part < 0)
            return {};
    }
    const QDate day(parts[0], parts[1], parts[2]);
    const QTime time(parts[3], parts[4], parts[5]);
    if (!day.isValid() || !time.isValid())
        return {};
    const QDateTime when(day, time);
    // A time the clock skipped is the parser's to decide.
    return when.date() == day && when.time() == time ? when : QDateTime();
}

} // namespace

QDateTime DateText::fromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (QDateTime quick = fromStoredForm(trimmed); quick.isValid())
        return quick;
    QDateTime when = QDateTime::fromString(trimmed, kStoredFormat);
    if (!when.isValid())
        when = QDateTime::fromString(trimmed, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!when.isValid()) {
        const QDate day = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
        if (day.isValid())
            when = day.startOfDay();
    }
    return when;
}

} // namespace zentaro
