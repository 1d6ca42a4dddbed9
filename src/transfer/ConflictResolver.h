#pragma once

#include <QString>

namespace zentaro {

// What becomes of a record whose name, in a folder the user chose, is taken
// by a file with other bytes.
enum class ConflictChoice {
    Replace,  // the record's file takes the name
    KeepBoth, // the record's file goes to the first free "name (n).ext"
    Skip,     // the record is not written; the file there stays untouched
    Cancel,   // as the progress window's Cancel: nothing more is written
};

// One such file, as found.
struct ExtractConflict
{
    QString path;         // the file in the way
    QString keepBothPath; // where KeepBoth would write the record
    qint64 mainId = 0;
    bool inRun = false;   // one of many records: an answer may stand for the rest
};

struct ConflictAnswer
{
    ConflictChoice choice = ConflictChoice::Skip;
    // In a run: the same choice for every later conflict of it, unasked.
    bool forAll = false;
};

// Decides what to do with a conflict: the window asks the user, znt follows
// its options. The extractor never replaces such a file without it.
class ConflictResolver
{
public:
    virtual ~ConflictResolver() = default;
    virtual ConflictAnswer Resolve(const ExtractConflict& conflict) = 0;
};

} // namespace zentaro
