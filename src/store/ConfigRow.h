#pragma once

#include <QDateTime>
#include <QString>

namespace zentaro {

// The one row of table Config, as the program reads and edits it.
struct ConfigRow
{
    QString LibraryName;
    QString LibrarianName;
    QString LibrarianEmail;
    QDateTime Created;
    QString Notes;
    bool UseSecurity = false;
    QString BrowsePassword = QStringLiteral(" ");
    QString EditPassword;
    QString AdminPassword;
    bool BrowseExtract = false;
    bool EditDelete = false;
};

} // namespace zentaro
