#include "store/file/SqliteFlavour.h"

#include "store/DateText.h"
#include "store/TextIndex.h"

namespace zentaro {

const SqliteFlavour& SqliteFlavour::instance()
{
    static const SqliteFlavour flavour;
    return flavour;
}

QString SqliteFlavour::placeholder() const
{
    return QStringLiteral("?");
}

QString SqliteFlavour::finishPlaceholders(const QString& condition) const
{
    return condition;
}

QString SqliteFlavour::caselessCompare(const QString& column) const
{
    return column + QStringLiteral(" COLLATE NOCASE");
}

QString SqliteFlavour::caselessOrder(const QString& column) const
{
    return column + QStringLiteral(" COLLATE NOCASE");
}

QString SqliteFlavour::like(const QString& pattern, const QString& value) const
{
    return QString::fromLatin1(kLikeFunction) + QStringLiteral("(") + pattern + QStringLiteral(", ") + value +
           QStringLiteral(")");
}

QVariant SqliteFlavour::dateParameter(const QDateTime& when) const
{
    return DateText::toText(when);
}

std::optional<QString> SqliteFlavour::textIndexCandidates(MainField field, const QString& pattern,
                                                          QVariantList& parameters) const
{
    const std::optional<QString> match = TextIndex::CandidateMatch(field, pattern);
    if (!match)
        return std::nullopt;
    parameters.push_back(*match);
    // The rows the index cannot see are candidates too.
    return QStringLiteral("MainID IN (SELECT rowid FROM ") + QString::fromLatin1(TextIndex::kTable) +
           QStringLiteral(" WHERE ") + QString::fromLatin1(TextIndex::kTable) + QStringLiteral(" MATCH ? UNION ") +
           QString::fromLatin1(TextIndex::kUnseenRows) + QStringLiteral(")");
}

} // namespace zentaro
