#include "StoreTestSupport.h"

#include "store/LibraryFile.h"

using namespace zentaro;
using zentaro::test::LibraryTest;

namespace {

const QString kByTitle = QStringLiteral("SELECT * FROM Main ORDER BY Title");

std::unique_ptr<Recordset> openSet(const std::shared_ptr<Database>& db, const QString& source)
{
    Result<std::unique_ptr<Recordset>> rs = Recordset::open(db, source);
    EXPECT_TRUE(rs.ok()) << rs.message().toStdString();
    return rs.ok() ? std::move(*rs) : nullptr;
}

} // namespace

TEST_P(LibraryTest, EmptySetHasNoCurrentRecordAndMovesDoNothing)
{
    auto db = openLibrary();
    auto rs = openSet(db, kByTitle);
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_TRUE(rs->bof());
    EXPECT_TRUE(rs->eof());
    rs->moveNext();
    rs->movePrevious();
    rs->moveLast();
    rs->moveFirst();
    EXPECT_TRUE(rs->bof());
    EXPECT_TRUE(rs->eof());
    EXPECT_FALSE(rs->hasCurrent());
    EXPECT_FALSE(rs->bookmark().has_value());
    EXPECT_EQ(rs->absolutePosition(), -1);
    EXPECT_FALSE(rs->value(QStringLiteral("Title")).isValid());
    EXPECT_EQ(rs->edit().code(), ErrorCode::NotFound);
    EXPECT_EQ(rs->deleteCurrent().code(), ErrorCode::NotFound);
    EXPECT_FALSE(rs->setAbsolutePosition(0).ok());
    EXPECT_FALSE(rs->recordAt(0).ok());
    char buffer[4];
    EXPECT_FALSE(rs->getChunk(0, 4, buffer).ok());
    Result<bool> found = rs->findFirst(QStringLiteral("MainID = 1"));
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(*found);
    EXPECT_TRUE(rs->eof());
}

TEST_P(LibraryTest, KeysetMovesStopAtBothEndsAndBookmarksAreMainIds)
{
    auto db = openLibrary();
    const qint64 b = addRecord(*db, QStringLiteral("banana"));
    const qint64 a = addRecord(*db, QStringLiteral("Apple"));
    const qint64 c = addRecord(*db, QStringLiteral("cherry"));
    auto rs = openSet(db, kByTitle);
    ASSERT_TRUE(rs);
    EXPECT_EQ(titles(*rs), (QStringList{QStringLiteral("Apple"), QStringLiteral("banana"), QStringLiteral("cherry")}));
    EXPECT_EQ(rs->bookmark(), a);
    EXPECT_FALSE(rs->bof());

    rs->moveNext();
    rs->moveNext();
    EXPECT_EQ(rs->bookmark(), c);
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_FALSE(rs->hasCurrent());
    rs->moveNext(); // stays past the end
    EXPECT_TRUE(rs->eof());
    rs->moveLast();
    EXPECT_EQ(rs->bookmark(), c);

    rs->moveFirst();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_FALSE(rs->eof());
    rs->moveNext();
    EXPECT_EQ(rs->bookmark(), a);

    ASSERT_TRUE(rs->setBookmark(b).ok());
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_EQ(rs->value(QStringLiteral("title")).toString(), QStringLiteral("banana"));
    EXPECT_EQ(rs->setBookmark(9999).code(), ErrorCode::NotFound);
    EXPECT_EQ(rs->bookmark(), b);
    ASSERT_TRUE(rs->setAbsolutePosition(2).ok());
    EXPECT_EQ(rs->bookmark(), c);
    EXPECT_FALSE(rs->setAbsolutePosition(3).ok());
}

TEST_P(LibraryTest, FindFirstLocatesARecordOrLeavesTheSetAtItsEnd)
{
    auto db = openLibrary();
    addRecord(*db, QStringLiteral("one"));
    const qint64 two = addRecord(*db, QStringLiteral("two"), QStringLiteral("Lee"));
    addRecord(*db, QStringLiteral("three"), QStringLiteral("Lee"));
    auto rs = openSet(db, kByTitle); // one, three, two
    ASSERT_TRUE(rs);
    Result<bool> found = rs->findFirst(QStringLiteral("MainID = %1").arg(two));
    ASSERT_TRUE(found.ok());
    EXPECT_TRUE(*found);
    EXPECT_EQ(rs->bookmark(), two);
    // Several matches: the first in list order.
    found = rs->findFirst(QStringLiteral("Author LIKE \"lee\""));
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(rs->value(QStringLiteral("Title")).toString(), QStringLiteral("three"));

    found = rs->findFirst(QStringLiteral("MainID = 777"));
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(*found);
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(rs->findFirst(QStringLiteral("MainID = ")).code(), ErrorCode::InvalidQuery);
}

TEST_P(LibraryTest, RequeryingSeesOtherChangesAndAFailedQueryKeepsTheList)
{
    auto db = openLibrary();
    addRecord(*db, QStringLiteral("a"));
    const qint64 b = addRecord(*db, QStringLiteral("b"));
    auto rs = openSet(db, kByTitle);
    ASSERT_TRUE(rs);
    ASSERT_TRUE(rs->setBookmark(b).ok());
    addRecord(*db, QStringLiteral("c"));
    EXPECT_EQ(rs->recordCount(), 2); // keyset: new rows wait for the requery

    const QString bad = QStringLiteral("SELECT * FROM Main WHERE (FileSize > abc)ORDER BY Title");
    Status failed = rs->setSource(bad);
    EXPECT_EQ(failed.code(), ErrorCode::InvalidQuery);
    EXPECT_EQ(rs->source(), kByTitle);
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->bookmark(), b);

    ASSERT_TRUE(rs->requery().ok());
    EXPECT_EQ(rs->recordCount(), 3);
    EXPECT_EQ(rs->absolutePosition(), 0);
    ASSERT_TRUE(rs->setSource(QStringLiteral("SELECT * FROM Main ORDER BY [Title] DESC")).ok());
    EXPECT_EQ(titles(*rs), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_P(LibraryTest, AddNewSavesFieldsAndBytesInOneGoAndKeepsTheCurrentRecord)
{
    auto db = openLibrary();
    const qint64 first = addRecord(*db, QStringLiteral("existing"));
    auto rs = openSet(db, QStringLiteral("Main"));
    ASSERT_TRUE(rs);
    ASSERT_TRUE(rs->addNew().ok());
    EXPECT_EQ(rs->editMode(), Recordset::EditMode::AddNew);
    ASSERT_TRUE(rs->setValue(QStringLiteral("Title"), QStringLiteral("new file")).ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("FileSize"), 64001).ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("FileDate"), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))).ok());
    const QByteArray bytes = pattern(64001, 9);
    ASSERT_TRUE(rs->appendChunk(bytes.constData(), 64000).ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("Author"), QStringLiteral("set after the bytes")).ok());
    ASSERT_TRUE(rs->appendChunk(bytes.constData() + 64000, 1).ok());
    EXPECT_EQ(rs->appendChunk(bytes.constData(), 64001).code(), ErrorCode::InvalidArgument);
    ASSERT_TRUE(rs->update().ok());

    ASSERT_TRUE(rs->lastModified().has_value());
    const qint64 added = *rs->lastModified();
    EXPECT_EQ(rs->bookmark(), first);
    EXPECT_EQ(rs->recordCount(), 2);
    ASSERT_TRUE(rs->setBookmark(added).ok());
    EXPECT_EQ(rs->value(QStringLiteral("Author")).toString(), QStringLiteral("set after the bytes"));
    EXPECT_EQ(rs->value(QStringLiteral("FileSize")).toLongLong(), 64001);
    EXPECT_EQ(rs->value(QStringLiteral("FileDate")).toDateTime(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    EXPECT_TRUE(rs->value(QStringLiteral("InsertionDate")).toDateTime().isValid());
    EXPECT_EQ(*rs->storedSize(), 64001);
    std::vector<char> buffer(64000);
    QByteArray back;
    for (qint64 offset = 0;; offset += 64000) {
        Result<qint64> got = rs->getChunk(offset, 64000, buffer.data());
        ASSERT_TRUE(got.ok());
        back.append(buffer.data(), *got);
        if (*got < 64000)
            break;
    }
    EXPECT_EQ(back, bytes);
}

TEST_P(LibraryTest, CancelledAddOrEditLeavesNoTrace)
{
    auto db = openLibrary();
    const qint64 id = addRecord(*db, QStringLiteral("original"));
    ASSERT_TRUE(db->appendChunk(id, "old bytes", 9).ok());
    auto rs = openSet(db, QStringLiteral("Main"));
    ASSERT_TRUE(rs);

    ASSERT_TRUE(rs->addNew().ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("Title"), QStringLiteral("half built")).ok());
    ASSERT_TRUE(rs->appendChunk("abc", 3).ok());
    rs->cancelUpdate();
    EXPECT_EQ(rs->editMode(), Recordset::EditMode::None);
    EXPECT_EQ(*db->countMain(), 1);
    EXPECT_FALSE(db->inTransaction());

    ASSERT_TRUE(rs->edit().ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("Title"), QStringLiteral("changed")).ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("OLE"), QByteArray()).ok());
    ASSERT_TRUE(rs->appendChunk("new", 3).ok());
    EXPECT_EQ(rs->value(QStringLiteral("Title")).toString(), QStringLiteral("changed"));
    rs->moveFirst(); // leaving the record drops the edit
    EXPECT_EQ(rs->value(QStringLiteral("Title")).toString(), QStringLiteral("original"));
    char buffer[16];
    EXPECT_EQ(*db->readChunk(id, 0, 16, buffer), 9);
    EXPECT_EQ(QByteArray(buffer, 9), QByteArray("old bytes"));

    // An addNew that is dropped by destroying the set is undone as well.
    {
        auto other = openSet(db, QStringLiteral("Main"));
        ASSERT_TRUE(other->addNew().ok());
        ASSERT_TRUE(other->appendChunk("zz", 2).ok());
    }
    EXPECT_EQ(*db->countMain(), 1);
    EXPECT_FALSE(db->inTransaction());
}

TEST_P(LibraryTest, EditWritesOnlyValidValuesAndReinsertReplacesTheBytes)
{
    auto db = openLibrary();
    const qint64 id = addRecord(*db, QStringLiteral("doc"), QStringLiteral("Ann"));
    ASSERT_TRUE(db->appendChunk(id, "0123456789", 10).ok());
    auto rs = openSet(db, kByTitle);
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->setValue(QStringLiteral("Title"), QStringLiteral("x")).code(), ErrorCode::InvalidArgument);
    ASSERT_TRUE(rs->edit().ok());
    EXPECT_EQ(rs->setValue(QStringLiteral("FileSize"), QStringLiteral("ten")).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(rs->setValue(QStringLiteral("MainID"), 7).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(rs->setValue(QStringLiteral("Colour"), 7).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(rs->setValue(QStringLiteral("FileDate"), QStringLiteral("yesterday")).code(), ErrorCode::InvalidArgument);

    const QByteArray bytes = pattern(200000, 4);
    const QDateTime now = QDateTime(QDate(2025, 5, 6), QTime(7, 8, 9));
    ASSERT_TRUE(rs->setValue(QStringLiteral("FileSize"), 200000).ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("LastUpdatedDate"), now).ok());
    ASSERT_TRUE(rs->setValue(QStringLiteral("OLE"), QByteArray()).ok());
    for (qint64 at = 0; at < bytes.size(); at += 64000)
        ASSERT_TRUE(rs->appendChunk(bytes.constData() + at, std::min<qint64>(64000, bytes.size() - at)).ok());
    ASSERT_TRUE(rs->appendChunk(nullptr, 0).ok());
    ASSERT_TRUE(rs->update().ok());
    EXPECT_EQ(rs->lastModified(), id);

    Result<MainRecord> saved = db->loadRecord(id);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved->FileSize, 200000);
    EXPECT_EQ(saved->LastUpdatedDate, now);
    EXPECT_EQ(saved->Author, QStringLiteral("Ann"));
    EXPECT_EQ(*db->storedSize(id), 200000);
    std::vector<char> back(200000);
    EXPECT_EQ(*db->readChunk(id, 0, 200000, back.data()), 200000);
    EXPECT_EQ(QByteArray(back.data(), 200000), bytes);
    // The list shows the saved values, not a stale cached row.
    EXPECT_EQ(rs->value(QStringLiteral("FileSize")).toLongLong(), 200000);
}

TEST_P(LibraryTest, DeletingMovesOnTheWayTheListCommandsExpect)
{
    auto db = openLibrary();
    for (const char* t : {"a", "b", "c", "d", "e"})
        addRecord(*db, QString::fromLatin1(t));
    auto rs = openSet(db, kByTitle);
    ASSERT_TRUE(rs);

    // Delete the middle record, then Next reaches the one that followed it.
    ASSERT_TRUE(rs->setAbsolutePosition(2).ok());
    ASSERT_TRUE(rs->deleteCurrent().ok());
    EXPECT_FALSE(rs->hasCurrent());
    EXPECT_EQ(rs->recordCount(), 4);
    rs->moveNext();
    EXPECT_EQ(rs->value(QStringLiteral("Title")).toString(), QStringLiteral("d"));

    // Delete the last: Next passes the end, Last gives the new last record.
    rs->moveLast();
    ASSERT_TRUE(rs->deleteCurrent().ok());
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    rs->moveLast();
    EXPECT_EQ(rs->value(QStringLiteral("Title")).toString(), QStringLiteral("d"));
    EXPECT_EQ(titles(*rs), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("d")}));

    // Deleting every record leaves an empty set and no error.
    rs->moveFirst();
    while (rs->recordCount() > 0) {
        ASSERT_TRUE(rs->deleteCurrent().ok());
        rs->moveNext();
    }
    EXPECT_TRUE(rs->bof() && rs->eof());
    EXPECT_EQ(*db->countMain(), 0);
}

TEST_P(LibraryTest, RowsArriveByPageAndFollowChangesMadeElsewhere)
{
    auto db = openLibrary();
    ASSERT_TRUE(db->begin().ok());
    std::vector<qint64> ids;
    for (int i = 0; i < 300; ++i)
        ids.push_back(addRecord(*db, QStringLiteral("t%1").arg(i, 3, 10, QLatin1Char('0')), {}, {}, i));
    ASSERT_TRUE(db->commit().ok());
    auto rs = openSet(db, kByTitle);
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->recordCount(), 300);
    for (int i : {299, 0, 64, 63, 128, 200, 150}) {
        Result<MainRecord> r = rs->recordAt(i);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r->FileSize, i);
    }
    ASSERT_TRUE(db->updateFields(ids[5], {{QStringLiteral("Author"), QStringLiteral("changed")}}).ok());
    EXPECT_EQ(rs->recordAt(5)->Author, QStringLiteral("changed"));
    ASSERT_TRUE(db->deleteRecord(ids[6]).ok());
    EXPECT_EQ(rs->recordAt(6).code(), ErrorCode::NotFound);
    EXPECT_TRUE(rs->recordAt(7).ok());
    EXPECT_FALSE(rs->recordAt(300).ok());
}

TEST_P(LibraryTest, FieldValuesHaveTheirTypes)
{
    auto db = openLibrary();
    addRecord(*db, QStringLiteral("t"), QStringLiteral("a"), QStringLiteral("JPG"), 42);
    auto rs = openSet(db, QStringLiteral("Main"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->value(QStringLiteral("MainID")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->value(QStringLiteral("FileSize")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->value(QStringLiteral("FileType")).typeId(), QMetaType::QString);
    EXPECT_EQ(rs->value(QStringLiteral("InsertionDate")).typeId(), QMetaType::QDateTime);
    EXPECT_FALSE(rs->value(QStringLiteral("FileDate")).isValid()); // NULL
    EXPECT_FALSE(rs->value(QStringLiteral("OLE")).isValid());      // bytes only by chunk
    EXPECT_FALSE(rs->value(QStringLiteral("Nonsense")).isValid());
}

TEST_P(LibraryTest, ReadOnlySetRefusesChanges)
{
    {
        auto db = openLibrary();
        addRecord(*db, QStringLiteral("t"));
    }
    auto db = openLibrary({.exclusive = false, .readOnly = true, .busyTimeoutMs = 50});
    auto rs = openSet(db, QStringLiteral("Main"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->addNew().code(), ErrorCode::ReadOnly);
    EXPECT_EQ(rs->edit().code(), ErrorCode::ReadOnly);
    EXPECT_EQ(rs->deleteCurrent().code(), ErrorCode::ReadOnly);
    EXPECT_EQ(rs->recordCount(), 1);
}
