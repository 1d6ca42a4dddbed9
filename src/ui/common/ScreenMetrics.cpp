#include "ui/common/ScreenMetrics.h"

#include "core/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zentaro {

namespace {
QScreen* screenOf(const QWidget* widget)
{
    if (widget && widget->screen())
        return widget->screen();
    return QGuiApplication::primaryScreen();
}
} // namespace

double ScreenMetrics::logicalDpiX(const QWidget* widget)
{
    QScreen* screen = screenOf(widget);
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double ScreenMetrics::logicalDpiY(const QWidget* widget)
{
    QScreen* screen = screenOf(widget);
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int ScreenMetrics::toPixelsX(double twips, const QWidget* widget)
{
    return Twips::toPixels(twips, logicalDpiX(widget));
}

int ScreenMetrics::toPixelsY(double twips, const QWidget* widget)
{
    return Twips::toPixels(twips, logicalDpiY(widget));
}

double ScreenMetrics::screenWidthTwips()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return Twips::fromPixels(1024, 96.0);
    return Twips::fromPixels(screen->geometry().width(), screen->logicalDotsPerInchX());
}

} // namespace zentaro
