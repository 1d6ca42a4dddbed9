#pragma once

#include <QString>

namespace zentaro {

// The query of the current list: its WHERE part (empty, or "WHERE (...)"
// with optional " AND (...)" parts, built by a search) and its ORDER BY part
// (built by a sort), in the query dialect. A value: the library session keeps
// the one in force.
class ListQuery
{
public:
    // "SELECT * FROM Main ", the fixed first part.
    static QString selectPart();
    // "ORDER BY Title", the order of a newly opened library.
    static QString defaultOrder();

    QString where;
    QString order = defaultOrder();

    // The three parts joined without separators, as the engine takes them.
    QString text() const;
    bool isFiltered() const { return !where.isEmpty(); }

    bool operator==(const ListQuery& other) const = default;
};

} // namespace zentaro
