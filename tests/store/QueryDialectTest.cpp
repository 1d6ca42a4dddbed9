#include "StoreTestSupport.h"

#include "store/ListQuery.h"
#include "store/QueryDialect.h"
#include "store/QueryFlavour.h"

using namespace zentaro;
using zentaro::test::LibraryTest;

namespace {

const QString Q = QStringLiteral("\"");

// The quick search of the search dialog, built exactly as the dialog builds it.
QString quickSearch(const QString& text, const QStringList& types)
{
    QString tp;
    for (const QString& e : types)
        tp += (tp.isEmpty() ? QStringLiteral("FileType LIKE ") : QStringLiteral(" OR FileType LIKE ")) + Q + e + Q;
    const QString l = QStringLiteral("LIKE ") + Q + QStringLiteral("*") + text + QStringLiteral("*") + Q;
    const QString xp = QStringLiteral("Title ") + l + QStringLiteral(" OR Author ") + l + QStringLiteral(" OR Keywords ") + l +
                       QStringLiteral(" OR Notes ") + l;
    if (types.isEmpty())
        return xp;
    if (text.trimmed().isEmpty())
        return tp;
    return QStringLiteral("(") + tp + QStringLiteral(") AND (") + xp + QStringLiteral(")");
}

QString listQuery(const QString& where, const QString& order = QStringLiteral("ORDER BY Title"))
{
    return QStringLiteral("SELECT * FROM Main ") + where + order;
}

const QStringList kImages = {QStringLiteral("BMP"), QStringLiteral("GIF"), QStringLiteral("ICO"), QStringLiteral("JPG"),
                             QStringLiteral("JPE"), QStringLiteral("JPEG"), QStringLiteral("WMF")};

class DialectTest : public LibraryTest
{
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        db = openLibrary();
        ASSERT_TRUE(db);
    }

    // Titles the query lists, or the error text.
    QStringList run(const QString& query)
    {
        Result<std::unique_ptr<Recordset>> rs = Recordset::open(db, query);
        if (!rs)
            return {QStringLiteral("error: ") + rs.message()};
        return titles(**rs);
    }

    std::shared_ptr<Database> db;
};

INSTANTIATE_TEST_SUITE_P(Engines, DialectTest, ::testing::Values(test::Engine::File, test::Engine::Server),
                         test::engineName);

} // namespace

TEST_P(DialectTest, TheCompleteSearchExampleRunsAndListsTheRightRecords)
{
    addRecord(*db, QStringLiteral("Annual Report"), {}, QStringLiteral("JPG"));
    addRecord(*db, QStringLiteral("report card"), {}, QStringLiteral("bmp"));
    addRecord(*db, QStringLiteral("Report"), {}, QStringLiteral("DOC"));           // not an image
    addRecord(*db, QStringLiteral("Holiday"), {}, QStringLiteral("GIF"), 0, {}, QStringLiteral("see REPORTS"));
    addRecord(*db, QStringLiteral("Beach"), QStringLiteral("Reporter Lee"), QStringLiteral("JPEG"));
    addRecord(*db, QStringLiteral("Sunset"), {}, QStringLiteral("JPG"));           // no "report"
    addRecord(*db, QStringLiteral("Reports jpeg"), {}, QStringLiteral("PNG"));     // type does not match

    const QString where = QStringLiteral("WHERE (") + quickSearch(QStringLiteral("report"), kImages) + QStringLiteral(")");
    const QString query = listQuery(where);
    ASSERT_TRUE(query.contains(QStringLiteral("))ORDER BY Title")));
    EXPECT_EQ(query,
              QStringLiteral("SELECT * FROM Main WHERE ((FileType LIKE \"BMP\" OR FileType LIKE \"GIF\" OR FileType LIKE \"ICO\" "
                             "OR FileType LIKE \"JPG\" OR FileType LIKE \"JPE\" OR FileType LIKE \"JPEG\" OR FileType LIKE \"WMF\") "
                             "AND (Title LIKE \"*report*\" OR Author LIKE \"*report*\" OR Keywords LIKE \"*report*\" OR Notes "
                             "LIKE \"*report*\"))ORDER BY Title"));
    EXPECT_EQ(run(query), (QStringList{QStringLiteral("Annual Report"), QStringLiteral("Beach"), QStringLiteral("Holiday"),
                                       QStringLiteral("report card")}));

    // Narrowing the current list by author.
    const QString narrowed = listQuery(where + QStringLiteral(" AND (Author LIKE \"*Lee*\")"));
    EXPECT_EQ(run(narrowed), QStringList{QStringLiteral("Beach")});
}

TEST_P(DialectTest, ALiteralEqualToAFieldNameIsOnlyEverText)
{
    addRecord(*db, QStringLiteral("Notes"), QStringLiteral("x"));
    addRecord(*db, QStringLiteral("Other"), QStringLiteral("Title"), {}, 0, {}, QStringLiteral("Other"));
    addRecord(*db, QStringLiteral("Third"), {}, {}, 0, {}, QStringLiteral("Third"));
    // Were "Notes" read as the field, the third record (Title = Notes) would match too.
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (Title LIKE \"Notes\")"))), QStringList{QStringLiteral("Notes")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (Title = \"Notes\")"))), QStringList{QStringLiteral("Notes")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (Author = \"Title\")"))), QStringList{QStringLiteral("Other")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (Author = 'Title')"))), QStringList{QStringLiteral("Other")});

    Result<TranslatedQuery> t = QueryDialect::translate(QStringLiteral("SELECT * FROM Main WHERE (Title = \"Notes\")"));
    ASSERT_TRUE(t.ok());
    EXPECT_FALSE(t->where.contains(QStringLiteral("Notes")));
    EXPECT_EQ(t->parameters, QVariantList{QStringLiteral("Notes")});
    // A field in brackets is the field.
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE ([Title] = [Notes])"))), (QStringList{QStringLiteral("Other"), QStringLiteral("Third")}));
}

TEST_P(DialectTest, TheFourLikePatternKindsIgnoreCase)
{
    for (const char* t : {"Smith", "smythe", "Smithson", "Jameson", "File7", "FileX", "Bat", "cat", "Hat", "ÉCOLE d'été"})
        addRecord(*db, QString::fromUtf8(t));
    auto titlesLike = [&](const char* pattern) {
        return run(listQuery(QStringLiteral("WHERE (Title LIKE \"%1\")").arg(QString::fromUtf8(pattern))));
    };
    EXPECT_EQ(titlesLike("smi*"), (QStringList{QStringLiteral("Smith"), QStringLiteral("Smithson")}));
    EXPECT_EQ(titlesLike("*SON"), (QStringList{QStringLiteral("Jameson"), QStringLiteral("Smithson")}));
    EXPECT_EQ(titlesLike("sm?th*"), (QStringList{QStringLiteral("Smith"), QStringLiteral("Smithson"), QStringLiteral("smythe")}));
    EXPECT_EQ(titlesLike("file#"), QStringList{QStringLiteral("File7")});
    EXPECT_EQ(titlesLike("[bc]at"), (QStringList{QStringLiteral("Bat"), QStringLiteral("cat")}));
    EXPECT_EQ(titlesLike("[a-c]at"), (QStringList{QStringLiteral("Bat"), QStringLiteral("cat")}));
    EXPECT_EQ(titlesLike("[!b]at"), (QStringList{QStringLiteral("cat"), QStringLiteral("Hat")}));
    EXPECT_EQ(titlesLike("*école*"), QStringList{QString::fromUtf8("ÉCOLE d'été")});
    EXPECT_EQ(titlesLike("smith"), QStringList{QStringLiteral("Smith")}); // no wildcard: exact, any case
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (Title NOT LIKE \"*a*\" AND Title LIKE \"s*\")"))),
              (QStringList{QStringLiteral("Smith"), QStringLiteral("Smithson"), QStringLiteral("smythe")}));
}

TEST_P(DialectTest, DateSearchesReadMonthFirstAndBetweenExcludesItsEnds)
{
    addRecord(*db, QStringLiteral("new year"), {}, {}, 0, QDateTime(QDate(1998, 1, 1), QTime(0, 0)));
    addRecord(*db, QStringLiteral("summer"), {}, {}, 0, QDateTime(QDate(1998, 6, 15), QTime(12, 0)));
    addRecord(*db, QStringLiteral("eve"), {}, {}, 0, QDateTime(QDate(1998, 12, 31), QTime(0, 0)));
    addRecord(*db, QStringLiteral("before"), {}, {}, 0, QDateTime(QDate(1997, 12, 31), QTime(23, 0)));
    addRecord(*db, QStringLiteral("undated"));

    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileDate > #1/1/98# AND FileDate < #12/31/98#)"))),
              QStringList{QStringLiteral("summer")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileDate > #1998-01-01# AND FileDate < #1998-12-31#)"))),
              QStringList{QStringLiteral("summer")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileDate < #1/1/98#)"))), QStringList{QStringLiteral("before")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileDate > #6/15/1998 11:59 AM#)"), QStringLiteral("ORDER BY [FileDate]"))),
              (QStringList{QStringLiteral("summer"), QStringLiteral("eve")}));
    // The dialect's own Between includes its ends.
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileDate Between #1/1/98# And #12/31/98#)"), QStringLiteral("ORDER BY FileDate"))),
              (QStringList{QStringLiteral("new year"), QStringLiteral("summer"), QStringLiteral("eve")}));
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileDate IS NULL)"))), QStringList{QStringLiteral("undated")});
}

TEST_P(DialectTest, DateLiteralsFollowTheJetRules)
{
    auto day = [](const char* text) { return QueryDialect::parseDate(QString::fromLatin1(text)); };
    EXPECT_EQ(day("12/31/98"), QDateTime(QDate(1998, 12, 31), QTime(0, 0)));
    EXPECT_EQ(day("1/2/2003"), QDateTime(QDate(2003, 1, 2), QTime(0, 0)));   // month first
    EXPECT_EQ(day("2003-01-02"), QDateTime(QDate(2003, 1, 2), QTime(0, 0))); // ISO
    EXPECT_EQ(day("2003-01-02 13:14:15"), QDateTime(QDate(2003, 1, 2), QTime(13, 14, 15)));
    EXPECT_EQ(day("13/1/98"), QDateTime(QDate(1998, 1, 13), QTime(0, 0)));   // no month 13: day first
    EXPECT_EQ(day("1/1/29"), QDateTime(QDate(2029, 1, 1), QTime(0, 0)));
    EXPECT_EQ(day("1/1/30"), QDateTime(QDate(1930, 1, 1), QTime(0, 0)));
    EXPECT_EQ(day(" 1/1/98 10:30 PM "), QDateTime(QDate(1998, 1, 1), QTime(22, 30)));
    EXPECT_EQ(day("1/1/98 12:00 AM"), QDateTime(QDate(1998, 1, 1), QTime(0, 0)));
    for (const char* bad : {"2/30/98", "13/13/98", "today", "", "1/1", "1/1/98 25:00", "1998-13-01"})
        EXPECT_FALSE(day(bad).isValid()) << bad;
}

TEST_P(DialectTest, NumbersCompareAsNumbers)
{
    addRecord(*db, QStringLiteral("small"), {}, {}, 9);
    addRecord(*db, QStringLiteral("exact"), {}, {}, 500);
    addRecord(*db, QStringLiteral("large"), {}, {}, 10000);
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileSize > 500)"))), QStringList{QStringLiteral("large")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileSize = 500)"))), QStringList{QStringLiteral("exact")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileSize < 500)"))), QStringList{QStringLiteral("small")});
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileSize <> 500 AND FileSize >= -1)"), QStringLiteral("ORDER BY [FileSize] DESC"))),
              (QStringList{QStringLiteral("large"), QStringLiteral("small")}));
    EXPECT_EQ(run(listQuery(QStringLiteral("WHERE (FileSize IN (9, 10000))"), QStringLiteral("ORDER BY FileSize"))),
              (QStringList{QStringLiteral("small"), QStringLiteral("large")}));
}

TEST_P(DialectTest, QueriesTheEngineCannotRunAreErrorsAndLeaveTheListAlone)
{
    addRecord(*db, QStringLiteral("a"), {}, {}, 1);
    addRecord(*db, QStringLiteral("b"), {}, {}, 2);
    Result<std::unique_ptr<Recordset>> opened = Recordset::open(db, listQuery(QString()));
    ASSERT_TRUE(opened.ok());
    Recordset& rs = **opened;
    rs.moveLast();

    const QString strayQuote = QStringLiteral("WHERE (") + quickSearch(QStringLiteral("ab\"c"), {}) + QStringLiteral(")");
    const QString oddQuote = QStringLiteral("WHERE (Title LIKE \"*ab*)");
    for (const QString& where :
         {QStringLiteral("WHERE (FileDate > #13/45/98#)"), QStringLiteral("WHERE (FileDate > #1/1/98# AND FileDate < #soon#)"),
          QStringLiteral("WHERE (FileSize > abc)"), QStringLiteral("WHERE (FileSize > 5x)"), QStringLiteral("WHERE (FileSize > )"),
          QStringLiteral("WHERE (FileSize = \"many\")"), QStringLiteral("WHERE (FileDate > 5)"), strayQuote, oddQuote,
          QStringLiteral("WHERE (Title LIKE \"[abc\")"), QStringLiteral("WHERE (Colour = 1)"), QStringLiteral("WHERE (")}) {
        SCOPED_TRACE(where.toStdString());
        Status s = rs.setSource(listQuery(where));
        EXPECT_EQ(s.code(), ErrorCode::InvalidQuery);
        EXPECT_GT(s.message().size(), 20);
        EXPECT_EQ(rs.source(), listQuery(QString()));
        EXPECT_EQ(rs.recordCount(), 2);
        EXPECT_EQ(rs.absolutePosition(), 1);
    }
    EXPECT_TRUE(rs.setSource(listQuery(QStringLiteral("WHERE (FileSize > 1)"))).ok());
    EXPECT_EQ(rs.recordCount(), 1);
}

TEST_P(DialectTest, SearchTextCannotReachConfigOrChangeAnything)
{
    addRecord(*db, QStringLiteral("only"), {}, {}, 0, {}, QStringLiteral("secret? no"));
    ConfigRow config;
    config.UseSecurity = true;
    config.AdminPassword = QStringLiteral("hunter2");
    ASSERT_TRUE(db->saveConfig(config).ok());

    const QStringList attacks = {
        QStringLiteral("x\" OR (SELECT AdminPassword FROM Config) LIKE \"*"),
        QStringLiteral("x*\") OR EXISTS (SELECT 1 FROM Config WHERE AdminPassword LIKE \"h*"),
        QStringLiteral("\") OR 1=1 UNION SELECT AdminPassword FROM Config --"),
        QStringLiteral("\"); DELETE FROM Main; --"),
        QStringLiteral("x\" OR Config.AdminPassword LIKE \"*"),
        QStringLiteral("x\" OR AdminPassword LIKE \"*"),
        QStringLiteral("x\" OR sqlite_version() LIKE \"*"),
    };
    for (const QString& text : attacks) {
        SCOPED_TRACE(text.toStdString());
        const QString query = listQuery(QStringLiteral("WHERE (") + quickSearch(text, {}) + QStringLiteral(")"));
        Result<std::unique_ptr<Recordset>> rs = Recordset::open(db, query);
        if (rs.ok())
            EXPECT_EQ((*rs)->recordCount(), 0); // a search for that text, nothing more
        else
            EXPECT_EQ(rs.code(), ErrorCode::InvalidQuery);
    }
    for (const char* direct : {"SELECT * FROM Config", "SELECT AdminPassword FROM Config", "SELECT * FROM Main, Config",
                               "Config", "SELECT * FROM sqlite_master", "SELECT * FROM OLE",
                               "DELETE * FROM Main", "SELECT * FROM Main; DROP TABLE Main"}) {
        Result<std::unique_ptr<Recordset>> rs = Recordset::open(db, QString::fromLatin1(direct));
        EXPECT_FALSE(rs.ok()) << direct;
        EXPECT_EQ(rs.code(), ErrorCode::InvalidQuery) << direct;
    }
    EXPECT_EQ(*db->countMain(), 1);
    EXPECT_EQ(db->loadConfig()->AdminPassword, QStringLiteral("hunter2"));
}

TEST_P(DialectTest, TheProgramsQueryShapesTranslate)
{
    auto ok = [](const char* text) {
        Result<TranslatedQuery> t = QueryDialect::translate(QString::fromLatin1(text));
        EXPECT_TRUE(t.ok()) << text << ": " << t.message().toStdString();
        return t.ok() ? *t : TranslatedQuery();
    };
    TranslatedQuery t = ok("SELECT * FROM Main ORDER BY Title");
    EXPECT_TRUE(t.where.isEmpty());
    EXPECT_EQ(t.keysetSql(), QStringLiteral("SELECT MainID FROM Main ORDER BY Title COLLATE NOCASE, MainID"));
    t = ok("select * from main order by [FileSize] desc");
    EXPECT_EQ(t.orderBy, QStringLiteral("FileSize DESC"));
    t = ok("Main");
    EXPECT_EQ(t.keysetSql(), QStringLiteral("SELECT MainID FROM Main ORDER BY MainID"));
    t = ok("DELETE * FROM Main ");
    EXPECT_EQ(t.kind, TranslatedQuery::Kind::Delete);
    EXPECT_EQ(t.deleteSql(), QStringLiteral("DELETE FROM Main"));
    t = ok("DELETE * FROM Main WHERE (Title LIKE \"a\"\"b\")");
    EXPECT_EQ(t.parameters, QVariantList{QStringLiteral("a\"b")});
    ok("SELECT * FROM Main WHERE (FileSize > 500)ORDER BY Title");
    ok("SELECT Title, Main.Author FROM [Main] WHERE (Main.FileType LIKE \"JPG\")ORDER BY Main.Title ASC, FileDate DESC");
    ok("SELECT * FROM Main WHERE ((Title LIKE \"a\") AND (NOT (Author LIKE \"b\")))ORDER BY Title;");
}

TEST_P(DialectTest, TextSortsWithoutRegardToCase)
{
    for (const char* t : {"beta", "Alpha", "alpha2", "Gamma", "delta"})
        addRecord(*db, QString::fromLatin1(t));
    EXPECT_EQ(run(listQuery(QString())), (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha2"), QStringLiteral("beta"),
                                                      QStringLiteral("delta"), QStringLiteral("Gamma")}));
}

// Found by fuzzing: a "." before a digit of another script (U+06F9) looked
// like the start of a number that the number pattern then did not read, and
// the reader stood still on it for ever.
TEST(QueryDialect, DigitsOfOtherScriptsAreNoNumbers)
{
    const QString otherNine = QString(QChar(0x06F9));
    for (const QString& text : {QStringLiteral("SELECT * FROM Main WHERE (FileSize > .") + otherNine + QStringLiteral(")"),
                                QStringLiteral("i.") + otherNine + QStringLiteral("......n."),
                                QStringLiteral("SELECT * FROM Main WHERE (FileSize > ") + otherNine + QStringLiteral(")")}) {
        SCOPED_TRACE(text.toStdString());
        const Result<TranslatedQuery> translated = QueryDialect::translate(text);
        EXPECT_EQ(translated.code(), ErrorCode::InvalidQuery);
    }
    // ASCII numbers with a leading point still read as numbers.
    const Result<TranslatedQuery> point = QueryDialect::translate(QStringLiteral("SELECT * FROM Main WHERE (FileSize > .5)"));
    ASSERT_TRUE(point.ok()) << point.message().toStdString();
    EXPECT_EQ(point->parameters.size(), 1);
}

// Found by fuzzing: a text of a few thousand "(" or NOTs ran the parser's
// stack out. Deep nesting is refused as an error instead.
TEST(QueryDialect, NestingTooDeepIsAnErrorNotACrash)
{
    const int deep = 100000;
    for (const QString& where : {QString(deep, QLatin1Char('(')) + QStringLiteral("MainID = 1") + QString(deep, QLatin1Char(')')),
                                 QStringLiteral("NOT ").repeated(deep) + QStringLiteral("MainID = 1")}) {
        const Result<TranslatedQuery> translated =
            QueryDialect::translate(QStringLiteral("SELECT * FROM Main WHERE ") + where);
        EXPECT_EQ(translated.code(), ErrorCode::InvalidQuery);
        EXPECT_TRUE(translated.message().contains(QStringLiteral("deep"))) << translated.message().toStdString();
    }
    // Nesting a search would use still works.
    const Result<TranslatedQuery> usual = QueryDialect::translate(
        QStringLiteral("SELECT * FROM Main WHERE ") + QString(20, QLatin1Char('(')) + QStringLiteral("NOT NOT MainID = 1")
        + QString(20, QLatin1Char(')')));
    EXPECT_TRUE(usual.ok()) << usual.message().toStdString();
}

TEST(ListQueryTest, PartsJoinWithoutSeparators)
{
    zentaro::ListQuery query;
    EXPECT_EQ(query.text(), QStringLiteral("SELECT * FROM Main ORDER BY Title"));
    query.where = QStringLiteral("WHERE (FileSize > 5)");
    EXPECT_EQ(query.text(), QStringLiteral("SELECT * FROM Main WHERE (FileSize > 5)ORDER BY Title"));
}

namespace {

// Another engine's spelling: numbered marks, its own caseless forms and LIKE.
class NumberedFlavour : public QueryFlavour
{
public:
    QString placeholder() const override { return QStringLiteral("?"); }
    QString finishPlaceholders(const QString& condition) const override
    {
        QString out;
        int n = 0;
        for (const QChar c : condition)
            out += c == QLatin1Char('?') ? QStringLiteral("$%1").arg(++n) : QString(c);
        return out;
    }
    QString caselessCompare(const QString& column) const override { return QStringLiteral("lower(%1)").arg(column); }
    QString caselessOrder(const QString& column) const override { return QStringLiteral("lower(%1)").arg(column); }
    QString like(const QString& pattern, const QString& value) const override
    {
        return QStringLiteral("jet_like_ci(%1, %2)").arg(pattern, value);
    }
    QVariant dateParameter(const QDateTime& when) const override { return when; }
    std::optional<QString> textIndexCandidates(MainField, const QString& pattern, QVariantList& parameters) const override
    {
        parameters.push_back(pattern);
        return QStringLiteral("MainID IN (SELECT id FROM words WHERE w = ?)");
    }
};

} // namespace

TEST(QueryDialect, AnotherFlavourSpellsTheSameQueryInItsOwnWords)
{
    const NumberedFlavour flavour;
    const Result<TranslatedQuery> t = QueryDialect::translate(
        QStringLiteral("SELECT * FROM Main WHERE Title = \"a\" AND Notes LIKE \"*b*\" AND FileDate > #1/2/2003# "
                       "ORDER BY Author"),
        flavour, true);
    ASSERT_TRUE(t.ok()) << t.message().toStdString();
    EXPECT_EQ(t->where, QStringLiteral("(lower(Title) = $1) AND (MainID IN (SELECT id FROM words WHERE w = $2) AND "
                                       "jet_like_ci($3, Notes)) AND (FileDate > $4)"));
    EXPECT_EQ(t->orderBy, QStringLiteral("lower(Author)"));
    ASSERT_EQ(t->parameters.size(), 4);
    EXPECT_EQ(t->parameters[3], QVariant(QDateTime(QDate(2003, 1, 2), QTime(0, 0))));
}

namespace {

// The same records in a library file and in a server library.
class BothEnginesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ZENTARO_MAKE_LIBRARY(file, test::Engine::File);
        ZENTARO_MAKE_LIBRARY(server, test::Engine::Server);
        for (test::EngineLibrary* library : {&file, &server}) {
            Result<std::shared_ptr<Database>> db = Database::open(library->address());
            ASSERT_TRUE(db.ok()) << db.message().toStdString();
            dbs.push_back(*db);
        }
        struct Row
        {
            const char* title;
            const char* author;
            const char* type;
            qint64 size;
            QDateTime date;
        };
        const Row rows[] = {
            {"apple", "Lee", "JPG", 10, QDateTime({1998, 1, 1}, {})},
            {"Banana split", "lee", "jpg", 200, QDateTime({1998, 6, 1}, {12, 30})},
            {"cherry 2021", "", "DOC", 3000, QDateTime({1998, 12, 31}, {})},
            {"100% pure_juice", "O'Brien", "TXT", 0, QDateTime()},
            {"[draft] *star* #1?", "Smith", "PDF", 55, QDateTime({2001, 2, 3}, {23, 59, 59})},
            {"Zebra back\\slash", "smithers", "MP3", 55, QDateTime({1999, 5, 5}, {})},
            {"apple pie", "LEE", "TXT", 7, QDateTime({2030, 1, 1}, {})},
        };
        for (const std::shared_ptr<Database>& db : dbs) {
            for (const Row& row : rows) {
                MainRecord r;
                r.Title = QString::fromUtf8(row.title);
                r.Author = QString::fromUtf8(row.author);
                r.FileName = r.Title;
                r.FileType = QString::fromUtf8(row.type);
                r.FileSize = row.size;
                r.FileDate = row.date;
                ASSERT_TRUE(db->insertRecord(r).ok());
            }
        }
    }

    // Titles in list order, or the error.
    static QStringList listed(const std::shared_ptr<Database>& db, const QString& query)
    {
        Result<std::unique_ptr<Recordset>> rs = Recordset::open(db, query);
        if (!rs)
            return {QStringLiteral("error: ") + rs.message()};
        QStringList out;
        for (int i = 0; i < (*rs)->recordCount(); ++i)
            out << (*rs)->recordAt(i)->Title;
        return out;
    }

    test::EngineLibrary file;
    test::EngineLibrary server;
    std::vector<std::shared_ptr<Database>> dbs;
};

} // namespace

TEST_F(BothEnginesTest, TheSameQueryTextsListTheSameRecordsInTheSameOrder)
{
    const char* const conditions[] = {
        // Pattern characters, literal brackets and what is no pattern character to Jet.
        "Title LIKE \"*apple*\"", "Title LIKE \"APPLE\"", "Title LIKE \"?anana*\"", "Title LIKE \"*20#1\"",
        "Title LIKE \"[a-c]*\"", "Title LIKE \"[!a-c]*\"", "Title LIKE \"[[]draft]*\"", "Title LIKE \"*[*]star[*]*\"",
        "Title LIKE \"*[#]1[?]\"", "Title LIKE \"100% pure_juice\"", "Title LIKE \"100_ *\"", "Title LIKE \"*\\*\"",
        "Title LIKE \"*back\\slash\"", "Author LIKE \"o'b*\"", "Title NOT LIKE \"*a*\"", "Author LIKE \"\"",
        // Caseless comparison.
        "Author = \"LEE\"", "Author <> \"lee\"", "Author > \"l\"", "FileType IN (\"jpg\", \"txt\")",
        "Title = Title", "Author < Title",
        // Dates, ranges, NULL and NOT.
        "FileDate > #1/1/98#", "FileDate >= #1998-01-01#", "FileDate BETWEEN #1/1/98# AND #12/31/98#",
        "FileDate NOT BETWEEN #1/1/98# AND #12/31/98#", "FileDate = #6/1/1998 12:30:00#", "FileDate IS NULL",
        "FileDate IS NOT NULL AND NOT FileSize > 50", "FileSize BETWEEN 10 AND 200", "FileSize IN (55, 7)",
        "NOT (FileSize = 55 OR FileType LIKE \"j*\")", "FileSize >= \"55\"",
    };
    for (const char* condition : conditions) {
        const QString query = QStringLiteral("SELECT * FROM Main WHERE ") + QString::fromUtf8(condition) +
                              QStringLiteral(" ORDER BY Title");
        const QStringList onFile = listed(dbs[0], query);
        EXPECT_FALSE(onFile.join(QString()).startsWith(QStringLiteral("error"))) << condition;
        EXPECT_EQ(listed(dbs[1], query), onFile) << condition;
    }
    // Orders with case, several keys and descending.
    for (const char* order : {"ORDER BY Title", "ORDER BY Author DESC, Title", "ORDER BY FileType, FileSize DESC",
                              "ORDER BY FileDate, Title DESC"}) {
        const QString query = QStringLiteral("SELECT * FROM Main ") + QString::fromUtf8(order);
        EXPECT_EQ(listed(dbs[1], query), listed(dbs[0], query)) << order;
    }
}
