#include "store/ListQuery.h"

namespace zentaro {

QString ListQuery::selectPart()
{
    return QStringLiteral("SELECT * FROM Main ");
}

QString ListQuery::defaultOrder()
{
    return QStringLiteral("ORDER BY Title");
}

QString ListQuery::text() const
{
    return selectPart() + where + order;
}

} // namespace zentaro
