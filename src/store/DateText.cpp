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

QDateTime DateText::fromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
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
