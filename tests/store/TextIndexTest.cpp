#include "StoreTestSupport.h"

#include "store/QueryDialect.h"
#include "store/SchemaUpgrade.h"
#include "store/TextIndex.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <sqlite3.h>

using namespace zentaro;

namespace {

// Letters that fold in unusual ways next to plain ones, and the pattern
// characters, so that the index must never lose a row the LIKE finds.
const QList<char32_t> kAlphabet = {
    'a', 'b', 'c', 'k', 'K', 's', 'S', 'e', 'E', 'i', 'I', ' ', ' ', '"', '*', '?', '#', '[', ']', '1', '2',
    0x00E9 /*é*/, 0x00C9 /*É*/, 0x00DF /*ß*/, 0x017F /*ſ*/, 0x212A /*Kelvin*/, 0x0130 /*İ*/, 0x0131 /*ı*/,
    0x00C4 /*Ä*/, 0x00E4 /*ä*/, 0x1F600 /*emoji*/, 0x0391 /*Α*/, 0x03B1 /*α*/};

QString randomText(QRandomGenerator& random, int length)
{
    std::u32string chars;
    for (int i = 0; i < length; ++i)
        chars.push_back(kAlphabet[int(random.bounded(kAlphabet.size()))]);
    return QString::fromUcs4(chars.data(), qsizetype(chars.size()));
}

// A piece of some stored text as a pattern, with its own characters made
// literal or left as pattern characters.
QString randomPiece(QRandomGenerator& random, const QString& source)
{
    const QList<uint> chars = source.toUcs4();
    const int start = chars.isEmpty() ? 0 : int(random.bounded(chars.size()));
    const int length = 2 + int(random.bounded(5));
    QString piece;
    for (int i = start; i < std::min<int>(int(chars.size()), start + length); ++i) {
        const char32_t c = chars[i];
        const bool literal = random.bounded(3) != 0;
        if (literal && (c == '*' || c == '?' || c == '#' || c == '['))
            piece += QLatin1Char('[') + QString::fromUcs4(&c, 1) + QLatin1Char(']');
        else if (c == ']' || c == '[')
            piece += QStringLiteral("?");
        else
            piece += QString::fromUcs4(&c, 1);
    }
    // Case changed at random: the LIKE ignores it.
    if (random.bounded(2))
        piece = piece.toUpper();
    return piece;
}

// A pattern of the dialect built from pieces of a stored text.
QString randomPattern(QRandomGenerator& random, const QString& source)
{
    const QString piece = randomPiece(random, source);
    switch (random.bounded(5)) {
    case 0: return QLatin1Char('*') + piece + QLatin1Char('*');
    case 1: return piece + QLatin1Char('*');
    case 2: return QLatin1Char('*') + piece;
    case 3: return QLatin1Char('*') + piece + QStringLiteral("*?") + piece + QLatin1Char('*');
    default: return QLatin1Char('*') + piece + QLatin1Char('*') + randomPiece(random, source) + QLatin1Char('*');
    }
}

QString literal(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

class TextIndexTest : public test::FileLibraryTest
{
protected:
    // A copy of the library without the index, opened read-only: the plain scan.
    std::shared_ptr<Database> plainCopy()
    {
        const QString copy = dir.filePath(QStringLiteral("plain.ZNT"));
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(path, copy));
        sqlite3* raw = nullptr;
        sqlite3_open_v2(copy.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        EXPECT_EQ(sqlite3_exec(raw,
                               "DROP TRIGGER MainTextInsert; DROP TRIGGER MainTextDelete; DROP TRIGGER MainTextUpdate;"
                               "DROP TABLE MainText; PRAGMA user_version = 1;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(raw);
        sqlite3_close(raw);
        OpenOptions readOnly;
        readOnly.readOnly = true;
        readOnly.exclusive = false;
        auto db = Database::open(copy, readOnly);
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        EXPECT_FALSE((*db)->hasTextIndex());
        return *db;
    }

    static std::vector<qint64> ids(const std::shared_ptr<Database>& db, const QString& where)
    {
        auto rs = Recordset::open(db, QStringLiteral("SELECT * FROM Main WHERE (") + where +
                                          QStringLiteral(")ORDER BY MainID"));
        EXPECT_TRUE(rs.ok()) << rs.message().toStdString() << " " << where.toStdString();
        std::vector<qint64> out;
        if (!rs.ok())
            return out;
        for (int i = 0; i < (*rs)->recordCount(); ++i)
            out.push_back((*rs)->recordAt(i)->MainID);
        return out;
    }
};

} // namespace

TEST(TextIndex, PicksTheLongestLiteralRunAndSpellsItsTwins)
{
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Title, QStringLiteral("*word*")),
              QStringLiteral("Title : (\"word\")"));
    // The long s and the Kelvin sign fold to s and k for the LIKE.
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Notes, QStringLiteral("*Ask*")),
              QString::fromUtf8("Notes : (\"Ask\" OR \"As\u212A\" OR \"Aſk\" OR \"Aſ\u212A\")"));
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Author, QStringLiteral("ab*cde?fg#h")),
              QStringLiteral("Author : (\"cde\")"));
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Title, QStringLiteral("*a\"b\"*")),
              QStringLiteral("Title : (\"a\"\"b\"\"\")"));
    // A star made literal ends the run; so does a character beyond ASCII.
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Title, QStringLiteral("*ab[*]cd*")), std::nullopt);
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Title, QString::fromUtf8("*abéc*")), std::nullopt);
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::FileName, QStringLiteral("*word*")), std::nullopt);
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Title, QStringLiteral("*ab*")), std::nullopt);
}

TEST(TextIndex, ALongPatternNamesOnlyAFewShortPhrases)
{
    // Runs of every length, each word a run between stars.
    QString words;
    QString typed;
    for (int i = 0; typed.size() < 4000; ++i) {
        const QString word = QStringLiteral("w%1%2").arg(i).arg(QString(i % 23, QLatin1Char('x')));
        words += (words.isEmpty() ? QString() : QStringLiteral("*")) + word;
        typed += (typed.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    for (const QString& pattern : {QLatin1Char('*') + typed + QLatin1Char('*'), words}) {
        const std::optional<QString> match = TextIndex::CandidateMatch(MainField::Notes, pattern);
        ASSERT_TRUE(match.has_value());
        QStringList phrases;
        static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
        for (auto it = quoted.globalMatch(*match); it.hasNext();)
            phrases << it.next().captured(1);
        EXPECT_LE(phrases.size(), 3) << match->toStdString();
        for (const QString& phrase : phrases) {
            EXPECT_LE(phrase.size(), 16) << phrase.toStdString();
            EXPECT_TRUE(pattern.contains(phrase)) << phrase.toStdString();
        }
    }
    // The same phrase twice is looked up once.
    EXPECT_EQ(TextIndex::CandidateMatch(MainField::Title, QStringLiteral("*Moon*?*moon*Pie*")),
              QStringLiteral("Title : ((\"Moon\") AND (\"Pie\"))"));
}

TEST(TextIndex, TranslationUsesItOnlyWhenAskedAndNeverForNotLike)
{
    const QString text = QStringLiteral("SELECT * FROM Main WHERE (Title LIKE \"*word*\")ORDER BY Title");
    const auto plain = QueryDialect::translate(text);
    const auto indexed = QueryDialect::translate(text, true);
    ASSERT_TRUE(plain.ok() && indexed.ok());
    EXPECT_FALSE(plain->where.contains(QStringLiteral("MainText")));
    EXPECT_TRUE(indexed->where.contains(QStringLiteral("MATCH ?"))) << indexed->where.toStdString();
    EXPECT_EQ(indexed->parameters.size(), 2);
    const auto negated = QueryDialect::translate(
        QStringLiteral("SELECT * FROM Main WHERE (Title NOT LIKE \"*word*\")"), true);
    ASSERT_TRUE(negated.ok());
    EXPECT_FALSE(negated->where.contains(QStringLiteral("MainText")));
}

TEST_F(TextIndexTest, FindsExactlyWhatThePlainScanFindsOnRandomData)
{
    QRandomGenerator random(20261208);
    auto db = openLibrary();
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->hasTextIndex());
    std::vector<QString> texts;
    ASSERT_TRUE(db->begin().ok());
    for (int i = 0; i < 300; ++i) {
        MainRecord r;
        r.Title = randomText(random, 4 + int(random.bounded(20)));
        r.Author = randomText(random, int(random.bounded(10)));
        r.Keywords = randomText(random, int(random.bounded(15)));
        r.Notes = randomText(random, int(random.bounded(60)));
        texts.push_back(r.Title);
        texts.push_back(r.Notes);
        ASSERT_TRUE(db->insertRecord(r).ok());
    }
    ASSERT_TRUE(db->commit().ok());

    // Changes after the first filling must reach the index too.
    for (qint64 id = 1; id <= 300; id += 7)
        ASSERT_TRUE(db->updateFields(id, {{QStringLiteral("Title"), randomText(random, 12)},
                                          {QStringLiteral("Notes"), randomText(random, 30)}})
                        .ok());
    for (qint64 id = 3; id <= 300; id += 11)
        ASSERT_TRUE(db->deleteRecord(id).ok());
    ASSERT_TRUE(db->execute(QStringLiteral("DELETE * FROM Main WHERE (Title LIKE \"*a*b*\")")).ok());

    std::shared_ptr<Database> plain = plainCopy();
    int compared = 0;
    int found = 0;
    for (int i = 0; i < 400; ++i) {
        const QString pattern = randomPattern(random, texts[size_t(random.bounded(int(texts.size())))]);
        static const char* const fields[] = {"Title", "Author", "Keywords", "Notes"};
        const QString field = QString::fromLatin1(fields[random.bounded(4)]);
        const QString like = field + QStringLiteral(" LIKE ") + literal(pattern);
        // Alone, in the quick search's OR of four, and combined with NOT.
        const QString wheres[] = {
            like,
            QStringLiteral("Title LIKE %1 OR Author LIKE %1 OR Keywords LIKE %1 OR Notes LIKE %1").arg(literal(pattern)),
            QStringLiteral("NOT (") + like + QStringLiteral(") AND FileSize = 0"),
        };
        for (const QString& where : wheres) {
            const std::vector<qint64> expected = ids(plain, where);
            EXPECT_EQ(ids(db, where), expected) << where.toStdString();
            found += expected.empty() ? 0 : 1;
            ++compared;
        }
    }
    // The patterns come from stored texts, so most of them find something.
    EXPECT_GT(found, compared / 3);
}

TEST_F(TextIndexTest, UpgradeIndexesRecordsStoredBeforeIt)
{
    ASSERT_TRUE(test::makeOldLibrary(path));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "INSERT INTO Main (Title, Notes) VALUES ('Moonlight sonata', 'x'), ('Sunrise', 'moon')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    auto db = openLibrary();
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->hasTextIndex());
    EXPECT_EQ(ids(db, QStringLiteral("Title LIKE \"*MOON*\" OR Notes LIKE \"*moon*\"")),
              (std::vector<qint64>{1, 2}));
    // A record added afterwards through another program's connection is found too.
    db->close();
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "INSERT INTO Main (Title) VALUES ('Half moon')", nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(raw);
    sqlite3_close(raw);
    db = openLibrary();
    EXPECT_EQ(ids(db, QStringLiteral("Title LIKE \"*moon*\"")), (std::vector<qint64>{1, 3}));
}

TEST_F(TextIndexTest, TextAfterANulCharacterIsFoundAsThePlainScanFindsIt)
{
    auto db = openLibrary();
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->hasTextIndex());
    addRecord(*db, QStringLiteral("Moonlight"), QStringLiteral("hidden author"));
    addRecord(*db, QStringLiteral("Sunrise"));
    db->close();
    // As another program may store it.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "UPDATE Main SET Notes = 'seen' || char(0) || 'hidden words' WHERE MainID = 2",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    db = openLibrary();
    std::shared_ptr<Database> plain = plainCopy();
    for (const QString& where : {QStringLiteral("Notes LIKE \"*hidden*\""),
                                 QStringLiteral("Title LIKE \"*hidden*\" OR Author LIKE \"*hidden*\" OR "
                                                "Keywords LIKE \"*hidden*\" OR Notes LIKE \"*hidden*\""),
                                 QStringLiteral("Notes LIKE \"*seen*\"")}) {
        EXPECT_EQ(ids(db, where), ids(plain, where)) << where.toStdString();
    }
    EXPECT_EQ(ids(db, QStringLiteral("Notes LIKE \"*hidden*\"")), (std::vector<qint64>{2}));
}

TEST_F(TextIndexTest, ALibraryWithForeignTriggersStillSearchesButIsNotTrusted)
{
    auto db = openLibrary();
    ASSERT_TRUE(db);
    addRecord(*db, QStringLiteral("Moonlight"));
    db->close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TRIGGER Stranger AFTER INSERT ON Main BEGIN SELECT 1; END;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    db = openLibrary();
    ASSERT_TRUE(db);
    EXPECT_EQ(ids(db, QStringLiteral("Title LIKE \"*moon*\"")), (std::vector<qint64>{1}));
    // Writing needs the index's triggers, which an untrusted schema may not run.
    MainRecord r;
    r.Title = QStringLiteral("refused");
    EXPECT_FALSE(db->insertRecord(r).ok());
}
