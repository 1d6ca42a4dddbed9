#pragma once

#include <QByteArray>

namespace zentaro {

// The desktop's trash (the freedesktop one: the user's own, or the one of
// the drive a file is on), where an original goes once it is stored, so that
// a user who did not mean to part with it can get it back.
class Trash
{
public:
    enum class Disposal {
        Trashed, // in the trash
        Deleted, // no trash would take it, so it was deleted
        Kept,    // neither could be done; the file is still there
    };

    // native: the file's name as the file system holds it.
    static Disposal Discard(const QByteArray& native);
};

} // namespace zentaro
