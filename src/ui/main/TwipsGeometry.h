#pragma once

#include "ui/main/MainLayout.h"

class QWidget;

namespace zentaro {

// Twips to pixels and back for the widgets of the main window, and placing
// a widget at a rectangle given in twips.
class TwipsGeometry
{
public:
    static int pixelsX(const QWidget* widget, double twips);
    static int pixelsY(const QWidget* widget, double twips);
    static double twipsX(const QWidget* widget, int pixels);
    static double twipsY(const QWidget* widget, int pixels);
    // A width in twips for pixels; the saved value when it still maps to them,
    // so a width does not creep by a twip on every run through the rounding.
    static double keptTwips(const QWidget* widget, int pixels, double saved);
    static void place(QWidget* widget, const TwipsRect& rect, int minimumHeight = 0);
};

} // namespace zentaro
