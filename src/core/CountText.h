#pragma once

#include <QString>

namespace zentaro {

// Counts and sizes as the windows and messages show them, grouped by
// thousands with commas whatever the system's language.
class CountText
{
public:
    // 12345678 -> "12,345,678".
    static QString Grouped(qint64 count);
    // "1 record", "1,234 records".
    static QString Of(qint64 count, const QString& singular, const QString& plural);
    // "512 bytes", "12.3 MB (12,345,678 bytes)": decimal units, one decimal.
    static QString Bytes(qint64 bytes);
};

} // namespace zentaro
