#include "core/CountText.h"

#include <QLocale>

#include <array>

namespace zentaro {

QString CountText::Grouped(qint64 count)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(count);
}

QString CountText::Of(qint64 count, const QString& singular, const QString& plural)
{
    return Grouped(count) + QLatin1Char(' ') + (count == 1 ? singular : plural);
}

QString CountText::Bytes(qint64 bytes)
{
    const QString exact = Of(bytes, QStringLiteral("byte"), QStringLiteral("bytes"));
    if (bytes < 1000 && bytes > -1000)
        return exact;
    static const std::array<const char*, 5> units{"kB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1000.0;
    std::size_t unit = 0;
    // Rounded to one decimal, 999.96 kB reads 1000.0 kB: take the next unit then.
    while (unit + 1 < units.size() && (value >= 999.95 || value <= -999.95)) {
        value /= 1000.0;
        ++unit;
    }
    return QString::number(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[unit]) + QStringLiteral(" (")
           + exact + QLatin1Char(')');
}

} // namespace zentaro
