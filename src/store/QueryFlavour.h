#pragma once

#include "store/MainRecord.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>

#include <optional>

namespace zentaro {

// How one engine spells the SQL that QueryDialect writes. The parser decides
// what a query means; a flavour only writes the pieces whose spelling differs
// between engines. Columns are passed as their names in Main.
class QueryFlavour
{
public:
    virtual ~QueryFlavour() = default;

    // The mark of one bound value, as the parser writes it. The values are
    // bound in the order their marks stand in the finished text.
    virtual QString placeholder() const = 0;
    // A finished condition with its marks as the engine takes them (numbered,
    // say); the parser's marks otherwise appear nowhere in it.
    virtual QString finishPlaceholders(const QString& condition) const = 0;
    // A text column as it compares without regard to case.
    virtual QString caselessCompare(const QString& column) const = 0;
    // A bound text compared with a caselessCompare() column.
    virtual QString caselessValue(const QString& mark) const { return mark; }
    // A text column as it sorts without regard to case (an ORDER BY term).
    virtual QString caselessOrder(const QString& column) const = 0;
    // What follows an order term (after DESC when descending) so that empty
    // values come first, as in the file engine: nothing there.
    virtual QString nullsOrder(bool descending) const
    {
        Q_UNUSED(descending);
        return {};
    }
    // The dialect's LIKE (a Jet pattern, no case) of two SQL operands. The
    // pattern's marks must come before the value's in the text it writes.
    virtual QString like(const QString& pattern, const QString& value) const = 0;
    // The LIKE of a pattern given as text: its values are appended to
    // parameters, the pattern's first. By default the pattern is bound as it
    // is and tested by like().
    virtual QString likeText(const QString& pattern, const QString& value, QVariantList& parameters) const
    {
        parameters.push_back(pattern);
        return like(placeholder(), value);
    }
    // The value bound for a date literal compared with a date (or another literal).
    virtual QVariant dateParameter(const QDateTime& when) const = 0;
    // A condition on MainID that keeps at least every row where column LIKE
    // pattern holds, taken from the engine's text index, with its values
    // appended to parameters; nothing when the index cannot narrow it.
    virtual std::optional<QString> textIndexCandidates(MainField field, const QString& pattern,
                                                       QVariantList& parameters) const = 0;
};

} // namespace zentaro
