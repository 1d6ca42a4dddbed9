#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace zentaro {

// The toolbar's pictures: SVG files in the program's resources
// (src/ui/icons), so they stay sharp at any scale.
class ToolIcons
{
public:
    // The picture of a toolbar button by the button's name
    // ("ViewButton"); a null icon for a name without one.
    static QIcon forButton(const QString& buttonName);
    // The program's emblem (a card drawer marked Z), size pixels square.
    static QPixmap emblem(int size, qreal devicePixelRatio = 1.0);
};

} // namespace zentaro
