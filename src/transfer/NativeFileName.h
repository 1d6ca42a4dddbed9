#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

class QFile;

namespace zentaro {

// File names as the file system holds them: bytes. Qt reads names as UTF-8
// and turns bytes that are not into U+FFFD, after which the file cannot be
// found again. These keep the bytes for reaching the file, and give the
// text that is shown and recorded for it.
class NativeFileName
{
public:
    static bool IsUtf8(QByteArrayView bytes);
    // The name as text: UTF-8 when it is, else Windows-1252, in which every
    // byte has a character (older systems wrote names in it).
    static QString ToText(QByteArrayView name);

    struct Listed
    {
        QString Name;      // as ToText gives it
        QByteArray Native; // the name's own bytes
    };
    // The files of folder that can be read as files (links to files too;
    // hidden ones left out, as a file manager does), by name without regard
    // to case.
    static QList<Listed> ListFiles(const QString& folder);

    // folder (as text) and a name's own bytes, joined with one "/".
    static QByteArray Join(const QString& folder, QByteArrayView name);
    // The bytes of a path given as text.
    static QByteArray FromText(const QString& path);

    // Opens a regular file for raw reading by its bytes; a folder, device or
    // pipe is refused without waiting on it. fileDate: its creation date,
    // or its last change where the file system keeps no creation date.
    static bool OpenForReading(QFile& file, const QByteArray& native, QDateTime* fileDate = nullptr);
    // -1 when there is no such file.
    static qint64 Size(const QByteArray& native);
    static bool Remove(const QByteArray& native);
};

} // namespace zentaro
