#include "ui/main/TwipsGeometry.h"

#include "core/Twips.h"
#include "ui/common/ScreenMetrics.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace zentaro {

int TwipsGeometry::pixelsX(const QWidget* widget, double twips)
{
    return ScreenMetrics::toPixelsX(twips, widget);
}

int TwipsGeometry::pixelsY(const QWidget* widget, double twips)
{
    return ScreenMetrics::toPixelsY(twips, widget);
}

double TwipsGeometry::twipsX(const QWidget* widget, int pixels)
{
    return Twips::fromPixels(pixels, ScreenMetrics::logicalDpiX(widget));
}

double TwipsGeometry::twipsY(const QWidget* widget, int pixels)
{
    return Twips::fromPixels(pixels, ScreenMetrics::logicalDpiY(widget));
}

double TwipsGeometry::keptTwips(const QWidget* widget, int pixels, double saved)
{
    if (saved > 0 && pixelsX(widget, saved) == pixels)
        return saved;
    return std::round(twipsX(widget, pixels));
}

void TwipsGeometry::place(QWidget* widget, const TwipsRect& rect, int minimumHeight)
{
    widget->setGeometry(pixelsX(widget, rect.left), pixelsY(widget, rect.top), pixelsX(widget, rect.width),
                        std::max(pixelsY(widget, rect.height), minimumHeight));
}

} // namespace zentaro
