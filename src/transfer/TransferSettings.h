#pragma once

#include <QString>

#include <QtGlobal>

namespace zentaro {

// The few values of the program and the open library that moving files in
// and out needs; the window and znt fill it from their own state.
struct TransferSettings
{
    qint64 chunkSize = 64000;
    QString newLine = QStringLiteral("\r\n");
    QString extractFolder;
    QString libraryPath;
    QString accessLevel;
    bool libraryReadOnly = false;
};

} // namespace zentaro
