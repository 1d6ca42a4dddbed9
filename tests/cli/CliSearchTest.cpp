#include "CliTestSupport.h"

#include "search/SearchQuery.h"
#include "store/Recordset.h"

#include <QDateTime>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

// A library whose records differ in every field a search looks at, with
// the rows the window's search would show computed in this process.
class CliSearchTest : public test::ZntTest
{
protected:
    void SetUp() override
    {
        library = newLibrary();
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok());
        struct Row
        {
            const char* title;
            const char* author;
            const char* type;
            qint64 size;
            QDate date;
            const char* notes;
        };
        const Row rows[] = {
            {"Annual report", "Smith", "JPG", 400, {1998, 6, 15}, ""},
            {"Beach", "Smithers", "GIF", 900, {1998, 1, 1}, "report draft"},
            {"Concert", "Lee", "MP3", 5000, {1998, 12, 31}, ""},
            {"Dinner report", "Ann Lee", "JPEG", 600, {1999, 2, 1}, ""},
            {"Essay", "Smith", "DOC", 501, {1997, 3, 3}, "quoted \"report\""},
            {"50*off [sale] #1", "Shop", "TXT", 10, {2000, 1, 1}, ""},
        };
        for (const Row& row : rows) {
            MainRecord r;
            r.Title = QString::fromUtf8(row.title);
            r.Author = QString::fromUtf8(row.author);
            r.FileName = r.Title;
            r.FileType = QString::fromUtf8(row.type);
            r.FileSize = row.size;
            r.FileDate = QDateTime(row.date, QTime(0, 0));
            r.Notes = QString::fromUtf8(row.notes);
            ASSERT_TRUE((*db)->insertRecord(r).ok());
        }
        (*db)->close();
    }

    // What the search dialog's OK and the list's requery would show.
    QList<qint64> windowRows(const SearchQuery::Request& request, const QString& where = QString())
    {
        Result<QString> built = SearchQuery::ApplySearch(where, request);
        EXPECT_TRUE(built.ok()) << built.message().toStdString();
        lastWhere = built.ok() ? *built : QString();
        Result<std::shared_ptr<Database>> db = Database::open(library);
        EXPECT_TRUE(db.ok());
        Result<std::unique_ptr<Recordset>> list =
            Recordset::open(*db, QStringLiteral("SELECT * FROM Main ") + lastWhere + QStringLiteral("ORDER BY Title"));
        EXPECT_TRUE(list.ok()) << list.message().toStdString();
        QList<qint64> out;
        for (int i = 0; list.ok() && i < (*list)->recordCount(); ++i)
            out << (*list)->recordAt(i)->MainID;
        (*db)->close();
        return out;
    }

    ZntRun search(const QStringList& arguments)
    {
        return znt(QStringList{QStringLiteral("search"), library, QStringLiteral("--json")} + arguments);
    }

    QString library;
    QString lastWhere;
};

TEST_F(CliSearchTest, CustomSearchesGiveTheRowsOfTheWindowsSearch)
{
    struct Case
    {
        QStringList arguments;
        SearchQuery::Custom custom;
        int expectedRows;
    };
    auto custom = [](const QString& field, auto setup) {
        SearchQuery::Custom c;
        c.Field = field;
        setup(c);
        return c;
    };
    const QList<Case> cases = {
        {{"--field", "Author", "--op", "start", "--value", "Smi"},
         custom("Author", [](SearchQuery::Custom& c) { c.Text = SearchQuery::TextMatch::StartWith; c.Phrase = "Smi"; }), 3},
        {{"--field", "Author", "--op", "contain", "--value", "lee"},
         custom("Author", [](SearchQuery::Custom& c) { c.Text = SearchQuery::TextMatch::Contain; c.Phrase = "lee"; }), 2},
        {{"--field", "Author", "--op", "exact", "--value", "smith"},
         custom("Author", [](SearchQuery::Custom& c) { c.Text = SearchQuery::TextMatch::ExactMatch; c.Phrase = "smith"; }), 2},
        {{"--field", "Title", "--op", "end", "--value", "report"},
         custom("Title", [](SearchQuery::Custom& c) { c.Text = SearchQuery::TextMatch::EndWith; c.Phrase = "report"; }), 2},
        {{"--field", "FileSize", "--op", "greater", "--value", "500"},
         custom("FileSize", [](SearchQuery::Custom& c) { c.Value = SearchQuery::ValueMatch::GreaterThan; c.Number = "500"; }), 4},
        {{"--field", "FileSize", "--op", "equal", "--value", "600"},
         custom("FileSize", [](SearchQuery::Custom& c) { c.Value = SearchQuery::ValueMatch::EqualTo; c.Number = "600"; }), 1},
        {{"--field", "FileDate", "--op", "between", "--value", "1/1/98", "--value2", "12/31/98"},
         custom("FileDate", [](SearchQuery::Custom& c) { c.Date = SearchQuery::DateMatch::Between; c.After = "1/1/98"; c.Before = "12/31/98"; }), 1},
        {{"--field", "FileDate", "--op", "before", "--value", "1/1/98"},
         custom("FileDate", [](SearchQuery::Custom& c) { c.Date = SearchQuery::DateMatch::Before; c.Before = "1/1/98"; }), 1},
    };
    for (const Case& c : cases) {
        SearchQuery::Request request;
        request.ShownTab = SearchQuery::Tab::CustomSearch;
        request.CustomSearch = c.custom;
        const QList<qint64> expected = windowRows(request);
        const ZntRun run = search(c.arguments);
        ASSERT_EQ(run.exitCode, 0) << c.arguments.join(' ').toStdString() << run.describe();
        EXPECT_EQ(ids(run), expected) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(expected.size(), c.expectedRows) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.json().value(QStringLiteral("Query")).toString(),
                  QStringLiteral("SELECT * FROM Main ") + lastWhere + QStringLiteral("ORDER BY Title"));
    }
}

TEST_F(CliSearchTest, QuickSearchesAndNarrowingGiveTheRowsOfTheWindowsSearch)
{
    SearchQuery::Request images;
    images.QuickText = QStringLiteral("report");
    images.Class = SearchQuery::FileClass::Images;
    const QList<qint64> expected = windowRows(images);
    EXPECT_EQ(expected.size(), 3); // Annual report, Beach (notes), Dinner report
    const ZntRun run = search({"--text", "report", "--class", "Images"});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_EQ(ids(run), expected);

    // A custom search within that list: scope "Current List".
    SearchQuery::Request lee;
    lee.ShownTab = SearchQuery::Tab::CustomSearch;
    lee.CustomSearch.Field = QStringLiteral("Author");
    lee.CustomSearch.Phrase = QStringLiteral("Lee");
    lee.SearchScope = SearchQuery::Scope::CurrentList;
    const QString first = *SearchQuery::ApplySearch(QString(), images);
    const QList<qint64> narrowed = windowRows(lee, first);
    EXPECT_EQ(narrowed.size(), 1);
    const ZntRun within = search({"--field", "Author", "--op", "contain", "--value", "Lee", "--where", first});
    ASSERT_EQ(within.exitCode, 0) << within.describe();
    EXPECT_EQ(ids(within), narrowed);

    // "All" with a blank text changes nothing: the whole library.
    const ZntRun all = search({"--text", "   "});
    EXPECT_EQ(ids(all).size(), 6) << all.describe();

    const ZntRun audio = search({"--class", "Audios"});
    EXPECT_EQ(ids(audio).size(), 1) << audio.describe();
}

TEST_F(CliSearchTest, InjectionInTheSearchTextFindsNothingAndChangesNothing)
{
    const QStringList attempts = {
        QStringLiteral("x\" OR Title LIKE \"*"),
        QStringLiteral("\") OR (1=1"),
        QStringLiteral("x\" OR \"1\"=\"1"),
        QStringLiteral("'; DELETE FROM Main; --"),
        QStringLiteral("\"))ORDER BY Title; DELETE * FROM Main WHERE ((\""),
        QStringLiteral("*?#["),
    };
    const ZntRun before = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    for (const QString& attempt : attempts) {
        const ZntRun run = search({QStringLiteral("--text"), attempt});
        EXPECT_EQ(run.exitCode, 0) << attempt.toStdString() << run.describe();
        EXPECT_TRUE(ids(run).isEmpty()) << attempt.toStdString() << run.describe();
        const ZntRun custom = search({"--field", "Title", "--op", "exact", "--value", attempt});
        EXPECT_EQ(custom.exitCode, 0) << attempt.toStdString() << custom.describe();
        EXPECT_TRUE(ids(custom).isEmpty()) << attempt.toStdString();
    }
    // Dates and values cannot carry a condition of their own.
    const ZntRun date = search({"--field", "FileDate", "--op", "after", "--value", "1/1/98# OR 1=1 OR FileDate > #1/1/98"});
    EXPECT_EQ(date.exitCode, 1) << date.describe();
    EXPECT_TRUE(date.out.isEmpty());
    const ZntRun value = search({"--field", "FileSize", "--op", "equal", "--value", "1 OR 1=1"});
    EXPECT_EQ(value.exitCode, 1) << value.describe();
    const ZntRun after = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    EXPECT_EQ(ids(after).size(), 6);
    EXPECT_EQ(after.out, before.out);
}

TEST_F(CliSearchTest, TypedPatternCharactersActAsPatterns)
{
    // A quote inside the text is part of what is looked for.
    EXPECT_EQ(ids(search({"--text", "\"report\""})).size(), 1);
    // A star alone is any text.
    const ZntRun star = search({"--text", "*"});
    ASSERT_EQ(ids(star).size(), 6) << star.describe();
    EXPECT_EQ(ids(search({"--field", "Author", "--op", "exact", "--value", "sm?th*"})).size(), 3);
    EXPECT_EQ(ids(search({"--field", "Title", "--op", "start", "--value", "#[0-9][*]off [[]sale] [#]"})).size(), 1);
    // A "[" never closed is looked for as typed.
    EXPECT_EQ(ids(search({"--field", "Title", "--op", "contain", "--value", "off ["})).size(), 1);
}

TEST_F(CliSearchTest, MisfitOptionsAreUsageErrors)
{
    EXPECT_EQ(search({"--field", "FileSize", "--op", "start", "--value", "1"}).exitCode, 1);
    EXPECT_EQ(search({"--field", "Size", "--op", "equal", "--value", "1"}).exitCode, 1);
    EXPECT_EQ(search({"--field", "FileDate", "--op", "between", "--value", "1/1/98"}).exitCode, 1);
    EXPECT_EQ(search({"--class", "Pictures"}).exitCode, 1);
    EXPECT_EQ(search({"--text", "x", "--field", "Title", "--op", "contain", "--value", "x"}).exitCode, 1);
    EXPECT_EQ(search({"--field", "FileDate", "--op", "after", "--value", "31/31/98"}).exitCode, 1);
}

TEST_F(CliSearchTest, ListTakesAWherePartAndAnOrder)
{
    const ZntRun where = znt({QStringLiteral("list"), library, QStringLiteral("--json"), QStringLiteral("--where"),
                              QStringLiteral("WHERE (Author LIKE \"Smi*\")"), QStringLiteral("--order"),
                              QStringLiteral("FileSize DESC")});
    ASSERT_EQ(where.exitCode, 0) << where.describe();
    QList<qint64> sizes;
    for (const QJsonValue& r : where.json().value(QStringLiteral("Records")).toArray())
        sizes << r.toObject().value(QStringLiteral("FileSize")).toInteger();
    EXPECT_EQ(sizes, (QList<qint64>{900, 501, 400}));

    const ZntRun text = znt({QStringLiteral("list"), library, QStringLiteral("--where"), QStringLiteral("FileSize = 10")});
    ASSERT_EQ(text.exitCode, 0) << text.describe();
    ASSERT_TRUE(text.outText().endsWith(QLatin1Char('\n')));
    const QStringList fields = text.outText().chopped(1).split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 11);
    EXPECT_EQ(fields.at(1), QStringLiteral("50*off [sale] #1"));
    EXPECT_EQ(fields.at(5), QStringLiteral("TXT"));
    EXPECT_EQ(fields.at(6), QStringLiteral("10"));
    EXPECT_EQ(fields.at(7), QStringLiteral("2000-01-01 00:00:00"));

    const ZntRun bad = znt({QStringLiteral("list"), library, QStringLiteral("--where"), QStringLiteral("Nonsense = 1")});
    EXPECT_EQ(bad.exitCode, 1) << bad.describe();
    const ZntRun badOrder = znt({QStringLiteral("list"), library, QStringLiteral("--order"), QStringLiteral("Nope")});
    EXPECT_NE(badOrder.exitCode, 0) << badOrder.describe();
}

TEST_F(CliSearchTest, AQueryBeyondTheEnginesLimitsIsAQueryThatCannotBeUsed)
{
    QStringList terms;
    for (int i = 0; i < 1001; ++i)
        terms << QStringLiteral("FileSize = %1").arg(i);
    const QString where = terms.join(QStringLiteral(" OR "));
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("search"), library, QStringLiteral("--text"), QStringLiteral("a"),
                      QStringLiteral("--where"), where},
          QStringList{QStringLiteral("list"), library, QStringLiteral("--where"), where},
          QStringList{QStringLiteral("delete"), library, QStringLiteral("--where"), where}}) {
        const ZntRun run = znt(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.first().toStdString() << "\n" << run.describe();
        EXPECT_TRUE(run.errText().contains(QStringLiteral("The search cannot be run:"))) << run.describe();
        EXPECT_FALSE(run.errText().contains(QStringLiteral("Expression tree"))) << run.describe();
    }
}

} // namespace
