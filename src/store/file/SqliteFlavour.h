#pragma once

#include "store/QueryFlavour.h"

namespace zentaro {

// The SQL of the file engine (SQLite): "?" marks, COLLATE NOCASE, the LIKE
// function the engine registers on each connection, dates as their stored
// text, and the trigram index MainText (TextIndex).
class SqliteFlavour : public QueryFlavour
{
public:
    // Name of the case-insensitive LIKE function the translated SQL calls:
    // jet_like(pattern, value). The file engine registers it on every connection.
    static constexpr const char* kLikeFunction = "jet_like";

    // The one instance; it holds no state.
    static const SqliteFlavour& instance();

    QString placeholder() const override;
    QString finishPlaceholders(const QString& condition) const override;
    QString caselessCompare(const QString& column) const override;
    QString caselessOrder(const QString& column) const override;
    QString like(const QString& pattern, const QString& value) const override;
    QVariant dateParameter(const QDateTime& when) const override;
    std::optional<QString> textIndexCandidates(MainField field, const QString& pattern,
                                               QVariantList& parameters) const override;
};

} // namespace zentaro
