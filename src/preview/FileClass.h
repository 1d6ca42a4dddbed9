#pragma once

#include <QString>

namespace zentaro {

// The file type classes by a record's stored extension (FileType), from the
// table the search shares. The comparison is exact: files are stored with
// upper-case types, and a type in any other case is "Other".
class FileClass
{
public:
    static inline const QString kVideo = QStringLiteral("Video");
    static inline const QString kAudio = QStringLiteral("Audio");
    static inline const QString kImage = QStringLiteral("Image");
    static inline const QString kOther = QStringLiteral("Other");

    // "Video", "Audio", "Image" or "Other".
    static QString CurrentFileClass(const QString& fileType);

    // True when fileType, in any case, is one of the classified types. In
    // another case than upper such a type is "Other" all the same, and is
    // not drawn as a picture by what the platform can decode either.
    static bool isClassifiedType(const QString& fileType);
};

} // namespace zentaro
