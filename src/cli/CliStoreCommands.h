#pragma once

#include <QString>

namespace zentaro {

struct CliContext;
class LibrarySession;
class CliOutput;

// The znt commands on a library as a whole and on its list: new, info,
// list, search, delete, compact, copy and verify. Each returns the exit
// status.
class CliStoreCommands
{
public:
    static int newLibrary(CliContext& context);
    static int info(CliContext& context);
    static int list(CliContext& context);
    static int search(CliContext& context);
    static int remove(CliContext& context);
    static int compact(CliContext& context);
    static int copy(CliContext& context);
    static int verify(CliContext& context);
    // znt server init URL.
    static int server(CliContext& context);
    // znt import FILE.ZNT URL.
    static int importLibrary(CliContext& context);

    // A WHERE part from --where: empty stays empty, a bare condition is put
    // into "WHERE (...)", a text starting with WHERE is kept; it ends so that
    // ORDER BY can follow directly.
    static QString wherePart(const QString& typed);
    // An ORDER BY part from --order: "ORDER BY Title" when empty, a bare
    // field list gets "ORDER BY " in front.
    static QString orderPart(const QString& typed);

    // Prints the current list of session, as lines or as JSON.
    static int printList(CliContext& context, LibrarySession& session);
};

} // namespace zentaro
