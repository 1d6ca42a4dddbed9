#pragma once

#include "core/ContentHash.h"
#include "library/LibraryVerifier.h"
#include "store/Database.h"
#include "transfer/TransferTestSupport.h"

#include <QMap>

#include <iostream>

namespace zentaro::test {

// What a library holds, to compare before and after an operation.
struct StoredLibrary
{
    QMap<qint64, QString> records; // MainID -> "title|size|hash of the bytes"
    QString libraryName;
    bool operator==(const StoredLibrary&) const = default;
};

inline StoredLibrary stateOf(Database& db)
{
    StoredLibrary state;
    Result<qint64> count = db.countMain();
    for (qint64 id = 1; count && state.records.size() < *count && id < 10000; ++id) {
        Result<MainRecord> r = db.loadRecord(id);
        if (!r)
            continue;
        state.records.insert(id, QStringLiteral("%1|%2|%3")
                                     .arg(r->Title)
                                     .arg(r->FileSize)
                                     .arg(QString::fromLatin1(ContentHash::of(storedBytes(db, id)).toHex())));
    }
    if (Result<ConfigRow> config = db.loadConfig())
        state.libraryName = config->LibraryName;
    return state;
}

// Empty when the library at path checks out (engine, pieces, checksums).
inline QString damageIn(const QString& path)
{
    NullProgress quiet;
    Result<LibraryVerifier::Findings> report = LibraryVerifier::Verify(path, quiet);
    if (!report)
        return report.message();
    if (report->ok())
        return {};
    QString text = report->Integrity.join(QStringLiteral("; "));
    for (const auto& bad : report->BadRecords)
        text += QStringLiteral(" record %1: %2").arg(bad.MainID).arg(bad.Problem);
    return text;
}

} // namespace zentaro::test
