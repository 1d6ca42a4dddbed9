#pragma once

#include <QDateTime>
#include <QString>

namespace zentaro {

// Dates live in the library as local-time text 'YYYY-MM-DD HH:MM:SS', which
// sorts and compares correctly as text; this is the one place that converts.
class DateText
{
public:
    // The stored form of a date; an invalid date gives an empty text (stored as NULL).
    static QString toText(const QDateTime& when);
    // A stored text back to a local date and time; also accepts 'YYYY-MM-DD'
    // and the ISO 'T' separator. Anything else gives an invalid QDateTime.
    static QDateTime fromText(const QString& text);
};

} // namespace zentaro
