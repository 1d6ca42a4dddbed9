#pragma once

#include <QColor>

#include <cstdint>

class QWidget;

namespace zentaro {

// Colours as the settings keep them (0x00BBGGRR) and as text fields show them.
class FieldColors
{
public:
    static QColor fromSetting(std::int32_t value);
    static std::int32_t toSetting(const QColor& color);
    static void setTextColors(QWidget* widget, const QColor& text, const QColor& base);
};

} // namespace zentaro
