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

// Where a record is extracted to, and whether its own name had to give way.
struct ExtractTarget
{
    QString path;
    bool replaced = false; // written as "record MainID.FileType"
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

    // FileName and FileType come from the library, which anyone may have
    // edited: they are data, never path syntax. A part is usable when it has
    // no separator, no NUL or other control character, and is not "." or "..".
    static bool IsUsablePart(const QString& part);
    // A whole name on disk: a usable part that is not empty and fits the
    // file system's limit on a name's length.
    static bool IsUsableName(const QString& name);
    // The safe stand-in for a record whose name cannot be used.
    static QString ReplacementName(qint64 mainId, const QString& fileType);
    // path names an entry of folder itself (not of a subfolder or above).
    static bool LiesDirectlyIn(const QString& path, const QString& folder);
    // name with " (n)" before its extension: "name (2).ext", "name (2)"
    // without one. A leading dot does not start an extension.
    static QString NumberedName(const QString& name, int n);

    // The one way a record's file is placed in folder: StoredName when both
    // parts are usable, else ReplacementName; never outside folder, and
    // joined without doubling a "/".
    static ExtractTarget TargetFor(const QString& folder, qint64 mainId, const QString& fileName,
                                   const QString& fileType);
};

} // namespace zentaro
