#pragma once

#include <QString>

namespace zentaro {

// The parts of a stored file's name taken from its path.
struct FileNameParts
{
    QString Extension; // after the last "." of the file name, as written
    QString FileType;  // the extension in capitals, without the dot
    QString BaseName;  // the file name without the dot and extension
};

// How a file's path becomes FileName, FileType and Title, and how they turn
// back into a name on disk. Paths use "/"; a "." in a folder name never counts.
class FileNameRules
{
public:
    static FileNameParts Split(const QString& path);

    // Every word's first letter in capitals and the rest in lower case.
    // Words are separated by blanks (space, tab, line feed, vertical tab,
    // form feed, carriage return) and NUL; anything else belongs to a word.
    static QString ProperCase(const QString& text);

    // The Title a new record takes: the base name, proper-cased on request.
    static QString TitleFor(const QString& baseName, bool autoCapitalize);

    // The name a record is extracted under: FileName "." FileType. Without a
    // FileType there is no dot, so the file comes back under its own name.
    static QString StoredName(const QString& fileName, const QString& fileType);

    // folder joined with StoredName, never doubling a "/".
    static QString TargetPath(const QString& folder, const QString& fileName, const QString& fileType);
};

} // namespace zentaro
