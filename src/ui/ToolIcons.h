#pragma once

#include <QIcon>
#include <QPixmap>

namespace zentaro {

// The toolbar's pictures, drawn rather than shipped, so they stay sharp at
// any scale.
class ToolIcons
{
public:
    static QIcon openLibrary();
    static QIcon reLogin();
    static QIcon listOnly();
    static QIcon centerSplit();
    static QIcon recordOnly();
    static QIcon addFiles();
    static QIcon extractToDisk();
    static QIcon extractAndOpen();
    static QIcon printList();
    // The program's emblem (a stack of cards with a Z), size pixels square.
    static QPixmap emblem(int size, qreal devicePixelRatio = 1.0);
};

} // namespace zentaro
