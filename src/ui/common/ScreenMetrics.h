#pragma once

class QWidget;

namespace zentaro {

// The screen facts the layout needs: logical DPI and width, in twips.
class ScreenMetrics
{
public:
    static double logicalDpiX(const QWidget* widget = nullptr);
    static double logicalDpiY(const QWidget* widget = nullptr);
    static int toPixelsX(double twips, const QWidget* widget = nullptr);
    static int toPixelsY(double twips, const QWidget* widget = nullptr);
    static double screenWidthTwips();
};

} // namespace zentaro
