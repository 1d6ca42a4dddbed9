#pragma once

#include <QString>

#include <cstdint>

namespace zentaro {

// Name rules and fixed texts of a library file.
class LibraryFile
{
public:
    static inline const QString kExtension = QStringLiteral(".ZNT");
    static inline const QString kTemplateName = QStringLiteral("Struct10.qdb");
    static inline const QString kDefaultLibraryName = QStringLiteral("Main Library.ZNT");
    // Texts the bindings and compaction calls pass; the store keeps them for
    // callers that show or compare them, SQLite needs no password.
    static inline const QString kConnectString = QStringLiteral("MS Access;pwd=MarnaBelle");
    static inline const QString kSourcePassword = QStringLiteral(";pwd=MarnaBelle");
    static inline const QString kTargetLocale =
        QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=MarnaBelle");

    // 'ZNT1' in PRAGMA application_id.
    static constexpr std::int32_t kApplicationId = 0x5A4E5431;
    // PRAGMA user_version of the first structure, schema/library.sql;
    // SchemaUpgrade takes it further (the template is built at its latest).
    static constexpr int kSchemaVersion = 1;
    // Size of one stored piece of a file.
    static constexpr int kPieceSize = 64000;

    // True when the last four characters, in upper case, are ".ZNT".
    static bool IsLibraryPath(const QString& path);
    // The file name without folder and extension, trimmed ("Photos 1999").
    static QString DisplayName(const QString& path);
    // name trimmed, with ".ZNT" appended unless it already ends in it.
    static QString WithLibraryExtension(const QString& name);
};

} // namespace zentaro
