#pragma once

#include <QStringList>

namespace zentaro {

// The classes of files by their stored extension (FileType, upper case):
// one table for the search's "File Type" buttons and the previewer.
class FileTypeClasses
{
public:
    enum class Kind { Video, Audio, Image };

    // The extensions of a class in upper case: the long-standing ones first,
    // in the order the search's condition names them, then today's formats.
    static const QStringList& Extensions(Kind kind);
};

} // namespace zentaro
