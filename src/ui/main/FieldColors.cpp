#include "ui/main/FieldColors.h"

#include <QPalette>
#include <QWidget>

namespace zentaro {

QColor FieldColors::fromSetting(std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

std::int32_t FieldColors::toSetting(const QColor& color)
{
    return std::int32_t(std::uint32_t(color.red()) | (std::uint32_t(color.green()) << 8)
                        | (std::uint32_t(color.blue()) << 16));
}

void FieldColors::setTextColors(QWidget* widget, const QColor& text, const QColor& base)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Base, base);
    widget->setPalette(pal);
}

} // namespace zentaro
