#pragma once

#include <QString>

namespace zentaro {

// What the program knows of the library in use: its path, the one open
// before it, the level and read-only flag it opened with, and the query of
// its current list. The library session works on it; znt's session owns one.
struct LibraryState
{
    QString CurrentLibraryPath;
    QString PreviousLibraryPath;
    QString AccessLevel;
    bool LibraryReadOnly = false;
    bool SuppressReposition = false;

    // List query.
    QString QuerySelect = QStringLiteral("SELECT * FROM Main ");
    QString QueryWhere;
    QString QueryOrder = QStringLiteral("ORDER BY Title");
    QString DefaultQuery = QStringLiteral("SELECT * FROM Main ORDER BY Title");
    QString CurrentQuery = DefaultQuery;
};

} // namespace zentaro
