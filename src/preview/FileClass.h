#pragma once

#include <QString>

namespace zentaro {

// The file type classes by a record's stored extension (FileType). The
// comparison is exact: files are stored with upper-case types, and a type in
// any other case is "Other".
class FileClass
{
public:
    static inline const QString kVideo = QStringLiteral("Video");
    static inline const QString kAudio = QStringLiteral("Audio");
    static inline const QString kImage = QStringLiteral("Image");
    static inline const QString kOther = QStringLiteral("Other");

    // "Video", "Audio", "Image" or "Other".
    static QString CurrentFileClass(const QString& fileType);

    // True when fileType, in any case, is one of the classified types: such a
    // type keeps its class even when it is not in upper case.
    static bool isClassifiedType(const QString& fileType);

    // The previewer's wider reach for an "Other" type: "Video" or "Audio" for
    // common container and codec extensions (in any case), empty otherwise.
    // Classified types in another case are not widened.
    static QString extraMediaClass(const QString& fileType);
};

} // namespace zentaro
