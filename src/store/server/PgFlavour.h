#pragma once

#include "store/QueryFlavour.h"

namespace zentaro {

// The SQL of the server engine (PostgreSQL): "$n" marks; text compared and
// sorted as lower(column) COLLATE "C" (the order of the file engine's
// NOCASE, served by the Main text columns' indexes); a Jet pattern given as
// text becomes an ILIKE pattern, or a case-free regular expression (~*)
// where it holds "#" or a list in brackets. The trigram index serves both,
// so no candidate clause is needed. Empty (NULL) values sort first, as in a
// library file.
class PgFlavour : public QueryFlavour
{
public:
    // The one instance; it holds no state.
    static const PgFlavour& instance();

    // A Jet pattern as an ILIKE pattern ("\" escapes), or nothing when only
    // a regular expression can say it.
    static std::optional<QString> ilikePattern(const QString& jetPattern);
    // A Jet pattern as a whole-text regular expression for ~*.
    static QString regularExpression(const QString& jetPattern);

    QString placeholder() const override;
    QString finishPlaceholders(const QString& condition) const override;
    QString caselessCompare(const QString& column) const override;
    QString caselessValue(const QString& mark) const override;
    QString caselessOrder(const QString& column) const override;
    QString nullsOrder(bool descending) const override;
    QString like(const QString& pattern, const QString& value) const override;
    QString likeText(const QString& pattern, const QString& value, QVariantList& parameters) const override;
    QVariant dateParameter(const QDateTime& when) const override;
    std::optional<QString> textIndexCandidates(MainField field, const QString& pattern,
                                               QVariantList& parameters) const override;
};

} // namespace zentaro
