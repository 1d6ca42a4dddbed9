#pragma once

#include "store/Database.h"
#include "store/Recordset.h"
#include "support/EngineLibrary.h"
#include "support/TestPaths.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace zentaro::test {

// A fresh empty library on the engine of the test's parameter: a copy of
// the template in a temporary folder, or a database on the test server.
// path is what Database::open takes.
class LibraryTest : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ZENTARO_MAKE_LIBRARY(library, engine());
        path = library.address();
    }

    virtual Engine engine() const { return GetParam(); }
    bool onFile() const { return engine() == Engine::File; }

    std::shared_ptr<Database> openLibrary(OpenOptions options = {})
    {
        Result<std::shared_ptr<Database>> db = Database::open(path, options);
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        return db.ok() ? *db : nullptr;
    }

    static qint64 addRecord(Database& db, const QString& title, const QString& author = {},
                            const QString& fileType = {}, qint64 size = 0,
                            const QDateTime& fileDate = {}, const QString& notes = {})
    {
        MainRecord r;
        r.Title = title;
        r.Author = author;
        r.FileType = fileType;
        r.FileName = title;
        r.FileSize = size;
        r.FileDate = fileDate;
        r.Notes = notes;
        Result<qint64> id = db.insertRecord(r);
        EXPECT_TRUE(id.ok()) << id.message().toStdString();
        return id.ok() ? *id : 0;
    }

    // Titles of a recordset in list order.
    static QStringList titles(Recordset& rs)
    {
        QStringList out;
        for (int i = 0; i < rs.recordCount(); ++i) {
            Result<MainRecord> r = rs.recordAt(i);
            out << (r.ok() ? r->Title : QStringLiteral("<missing>"));
        }
        return out;
    }

    // Bytes that differ from position to position, so that a misplaced piece shows.
    static QByteArray pattern(qint64 size, int seed = 1)
    {
        QByteArray out(size, Qt::Uninitialized);
        quint32 x = 2463534242u + static_cast<quint32>(seed);
        for (qint64 i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            out[i] = static_cast<char>(x & 0xff);
        }
        return out;
    }

    QTemporaryDir dir;
    EngineLibrary library;
    QString path;
};

// What only a library file has: its bytes on disk, journal, permissions,
// file locks and copies.
class FileLibraryTest : public LibraryTest
{
protected:
    Engine engine() const override { return Engine::File; }
};

} // namespace zentaro::test
