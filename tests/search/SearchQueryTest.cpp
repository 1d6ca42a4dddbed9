#include "search/SearchQuery.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/EngineLibrary.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentaro;

namespace {

using Q = SearchQuery;

Q::Custom custom(const QString& field)
{
    Q::Custom c;
    c.Field = field;
    return c;
}

QString built(const Q::Custom& c)
{
    Result<QString> r = Q::CustomSearch(c);
    EXPECT_TRUE(r.ok()) << r.message().toStdString();
    return r.ok() ? *r : QStringLiteral("<failed>");
}

// The long-standing types come first, in their order; today's follow.
QString typesAfter(const char* longStanding, Q::FileClass fileClass)
{
    QString out = QString::fromLatin1(longStanding);
    for (const QString& extension : Q::Extensions(fileClass).mid(7))
        out += QStringLiteral(" OR FileType LIKE \"") + extension + QStringLiteral("\"");
    return out;
}

const QString kReportImages =
    QStringLiteral("(") +
    typesAfter("FileType LIKE \"BMP\" OR FileType LIKE \"GIF\" OR FileType LIKE \"ICO\" OR FileType LIKE \"JPG\" OR "
               "FileType LIKE \"JPE\" OR FileType LIKE \"JPEG\" OR FileType LIKE \"WMF\"",
               Q::FileClass::Images) +
    QStringLiteral(") AND (Title LIKE \"*report*\" OR Author LIKE \"*report*\" OR Keywords LIKE \"*report*\" OR "
                   "Notes LIKE \"*report*\")");

TEST(SearchQueryTest, TheDocumentedExamples)
{
    Q::Custom author = custom(QStringLiteral("Author"));
    author.Text = Q::TextMatch::StartWith;
    author.Phrase = QStringLiteral("Smi");
    EXPECT_EQ(built(author), QStringLiteral("Author LIKE \"Smi*\""));

    Q::Custom dates = custom(QStringLiteral("FileDate"));
    dates.Date = Q::DateMatch::Between;
    dates.After = QStringLiteral("1/1/98");
    dates.Before = QStringLiteral("12/31/98");
    EXPECT_EQ(built(dates), QStringLiteral("FileDate > #1/1/98# AND FileDate < #12/31/98#"));

    Q::Custom size = custom(QStringLiteral("FileSize"));
    size.Value = Q::ValueMatch::GreaterThan;
    size.Number = QStringLiteral("500");
    EXPECT_EQ(built(size), QStringLiteral("FileSize > 500"));

    // The complete example, then a narrowing custom search on the current list.
    Q::Request quick;
    quick.QuickText = QStringLiteral("report");
    quick.Class = Q::FileClass::Images;
    const QString where = *Q::ApplySearch(QString(), quick);
    EXPECT_EQ(QStringLiteral("SELECT * FROM Main ") + where + QStringLiteral("ORDER BY Title"),
              QStringLiteral("SELECT * FROM Main WHERE (") + kReportImages + QStringLiteral(")ORDER BY Title"));

    Q::Request lee;
    lee.ShownTab = Q::Tab::CustomSearch;
    lee.CustomSearch = custom(QStringLiteral("Author"));
    lee.CustomSearch.Phrase = QStringLiteral("Lee");
    lee.SearchScope = Q::Scope::CurrentList;
    EXPECT_EQ(*Q::ApplySearch(where, lee),
              QStringLiteral("WHERE (") + kReportImages + QStringLiteral(") AND (Author LIKE \"*Lee*\")"));
}

TEST(SearchQueryTest, EveryTextDateAndValueKind)
{
    Q::Custom t = custom(QStringLiteral("Keywords"));
    t.Phrase = QStringLiteral("x");
    t.Text = Q::TextMatch::Contain;
    EXPECT_EQ(built(t), QStringLiteral("Keywords LIKE \"*x*\""));
    t.Text = Q::TextMatch::EndWith;
    EXPECT_EQ(built(t), QStringLiteral("Keywords LIKE \"*x\""));
    t.Text = Q::TextMatch::ExactMatch;
    EXPECT_EQ(built(t), QStringLiteral("Keywords LIKE \"x\""));

    Q::Custom d = custom(QStringLiteral("LastUpdatedDate"));
    d.After = QStringLiteral("2/3/2001");
    d.Before = QStringLiteral("not used");
    d.Date = Q::DateMatch::After;
    EXPECT_EQ(built(d), QStringLiteral("LastUpdatedDate > #2/3/2001#"));
    d.Date = Q::DateMatch::Before;
    d.Before = QStringLiteral("2001-02-03");
    d.After = QStringLiteral("not used");
    EXPECT_EQ(built(d), QStringLiteral("LastUpdatedDate < #2001-02-03#"));

    Q::Custom v = custom(QStringLiteral("FileSize"));
    v.Number = QStringLiteral("12");
    v.Value = Q::ValueMatch::EqualTo;
    EXPECT_EQ(built(v), QStringLiteral("FileSize = 12"));
    v.Value = Q::ValueMatch::LessThan;
    EXPECT_EQ(built(v), QStringLiteral("FileSize < 12"));
}

TEST(SearchQueryTest, QuickSearchShapes)
{
    EXPECT_EQ(Q::QuickSearch(QStringLiteral("   "), Q::FileClass::All), QString());
    EXPECT_EQ(Q::QuickSearch(QStringLiteral("a"), Q::FileClass::All),
              QStringLiteral("Title LIKE \"*a*\" OR Author LIKE \"*a*\" OR Keywords LIKE \"*a*\" OR Notes LIKE \"*a*\""));
    // Blanks around the text stay inside the wildcards.
    EXPECT_TRUE(Q::QuickSearch(QStringLiteral(" a "), Q::FileClass::All).startsWith(QStringLiteral("Title LIKE \"* a *\"")));
    // A class with a blank text: the alternatives alone, without parentheses.
    EXPECT_EQ(Q::QuickSearch(QString(), Q::FileClass::Videos),
              typesAfter("FileType LIKE \"AVI\" OR FileType LIKE \"M1V\" OR FileType LIKE \"MOV\" OR FileType LIKE "
                         "\"MPE\" OR FileType LIKE \"MPEG\" OR FileType LIKE \"MPG\" OR FileType LIKE \"QT\"",
                         Q::FileClass::Videos));
    EXPECT_EQ(Q::Extensions(Q::FileClass::Audios).mid(0, 7),
              (QStringList{"AIF", "AIFF", "MID", "RA", "MP3", "SND", "WAV"}));
    EXPECT_TRUE(Q::Extensions(Q::FileClass::All).isEmpty());
}

TEST(SearchQueryTest, ScopeAndNothingToBuild)
{
    const QString existing = QStringLiteral("WHERE (Author LIKE \"*x*\")");
    Q::Request none; // Quick Search, All, blank
    none.QuickText = QStringLiteral("  ");
    none.SearchScope = Q::Scope::EntireLibrary;
    EXPECT_EQ(*Q::ApplySearch(existing, none), existing);

    Q::Request images;
    images.Class = Q::FileClass::Images;
    images.SearchScope = Q::Scope::CurrentList;
    // Current List with no filter in force starts a WHERE part.
    EXPECT_TRUE(Q::ApplySearch(QString(), images)->startsWith(QStringLiteral("WHERE (FileType LIKE \"BMP\"")));
    EXPECT_TRUE(Q::ApplySearch(existing, images)->startsWith(existing + QStringLiteral(" AND (FileType")));
    images.SearchScope = Q::Scope::EntireLibrary;
    EXPECT_TRUE(Q::ApplySearch(existing, images)->startsWith(QStringLiteral("WHERE (FileType")));
    EXPECT_EQ(Q::MergeWhere(existing, QString(), Q::Scope::CurrentList), existing);
}

TEST(SearchQueryTest, FieldsBringTheirFrames)
{
    EXPECT_EQ(Q::FieldNames().size(), 10);
    for (const QString& field : Q::FieldNames())
        EXPECT_TRUE(Q::FrameFor(field).has_value()) << field.toStdString();
    EXPECT_EQ(Q::FrameFor(QStringLiteral("FileName")), Q::Frame::Text);
    EXPECT_EQ(Q::FrameFor(QStringLiteral("FileType")), Q::Frame::Text);
    EXPECT_EQ(Q::FrameFor(QStringLiteral("InsertionDate")), Q::Frame::Date);
    EXPECT_EQ(Q::FrameFor(QStringLiteral("FileSize")), Q::Frame::Value);
    EXPECT_FALSE(Q::FrameFor(QStringLiteral("filesize")).has_value()); // names compare exactly
    EXPECT_FALSE(Q::FrameFor(QStringLiteral("MainID")).has_value());
    EXPECT_EQ(Q::TextMatchCaptions().at(3), QStringLiteral("That EXACTLY match"));
    EXPECT_EQ(Q::ValueMatchCaptions().at(1), QStringLiteral("Greater than"));
}

TEST(SearchQueryTest, TypedTextStaysData)
{
    Q::Custom t = custom(QStringLiteral("Title"));
    t.Text = Q::TextMatch::ExactMatch;
    t.Phrase = QStringLiteral("a\"b");
    EXPECT_EQ(built(t), QStringLiteral("Title LIKE \"a\"\"b\""));
    t.Phrase = QStringLiteral("5*[x]?#");
    EXPECT_EQ(built(t), QStringLiteral("Title LIKE \"5*[x]?#\""));
    // A "[" that opens no list is matched as typed.
    t.Phrase = QStringLiteral("a[b*");
    EXPECT_EQ(built(t), QStringLiteral("Title LIKE \"a[[]b*\""));
    t.Phrase = QStringLiteral("[z-a?]x[");
    EXPECT_EQ(built(t), QStringLiteral("Title LIKE \"[[]z-a[?]]x[[]\""));

    Q::Custom d = custom(QStringLiteral("FileDate"));
    d.Date = Q::DateMatch::After;
    for (const QString& bad : {QStringLiteral("today"), QStringLiteral("1/1/98# OR 1=1 OR FileDate > #1/1/98"),
                               QStringLiteral("13/13/98"), QString()}) {
        d.After = bad;
        Result<QString> r = Q::CustomSearch(d);
        EXPECT_EQ(r.code(), ErrorCode::InvalidArgument) << bad.toStdString();
    }
    Q::Custom v = custom(QStringLiteral("FileSize"));
    for (const QString& bad : {QStringLiteral("5 OR 1=1"), QStringLiteral("ten"), QStringLiteral("")}) {
        v.Number = bad;
        EXPECT_EQ(Q::CustomSearch(v).code(), ErrorCode::InvalidArgument) << bad.toStdString();
    }
    EXPECT_EQ(Q::CustomSearch(custom(QStringLiteral("Size"))).code(), ErrorCode::InvalidArgument);

    Q::Request failing;
    failing.ShownTab = Q::Tab::CustomSearch;
    failing.CustomSearch = v;
    EXPECT_FALSE(Q::ApplySearch(QStringLiteral("WHERE (x)"), failing).ok());
}

// The texts run through the engine as the list would run them.
class SearchQueryEngineTest : public ::testing::TestWithParam<test::Engine>
{
protected:
    void SetUp() override
    {
        ZENTARO_MAKE_LIBRARY(library, GetParam());
        Result<std::shared_ptr<Database>> opened = Database::open(library.address());
        ASSERT_TRUE(opened.ok());
        db = *opened;
    }

    qint64 add(const QString& title, const QString& type, qint64 size, const QDateTime& date,
               const QString& notes = QString())
    {
        MainRecord r;
        r.Title = title;
        r.FileName = title;
        r.FileType = type;
        r.FileSize = size;
        r.FileDate = date;
        r.Notes = notes;
        Result<qint64> id = db->insertRecord(r);
        EXPECT_TRUE(id.ok());
        return id.ok() ? *id : 0;
    }

    QList<qint64> rows(const QString& condition)
    {
        Result<std::unique_ptr<Recordset>> list = Recordset::open(
            db, QStringLiteral("SELECT * FROM Main ") + Q::MergeWhere(QString(), condition, Q::Scope::EntireLibrary) +
                    QStringLiteral("ORDER BY Title"));
        EXPECT_TRUE(list.ok()) << list.message().toStdString() << " for " << condition.toStdString();
        QList<qint64> out;
        for (int i = 0; list.ok() && i < (*list)->recordCount(); ++i)
            out << (*list)->recordAt(i)->MainID;
        return out;
    }

    test::EngineLibrary library;
    std::shared_ptr<Database> db;
};

INSTANTIATE_TEST_SUITE_P(Engines, SearchQueryEngineTest, ::testing::Values(test::Engine::File, test::Engine::Server),
                         test::engineName);

TEST_P(SearchQueryEngineTest, ConditionsSelectTheRightRows)
{
    const qint64 photo = add(QStringLiteral("Holiday report"), QStringLiteral("JPG"), 100, QDateTime({1998, 1, 1}, {}));
    const qint64 song = add(QStringLiteral("Song"), QStringLiteral("mp3"), 600, QDateTime({1998, 6, 1}, {}),
                            QStringLiteral("a REPORT of sorts"));
    const qint64 odd = add(QStringLiteral("Say \"hi\" *now* [1] #2"), QStringLiteral("TXT"), 5,
                           QDateTime({1998, 12, 31}, {}));

    EXPECT_EQ(rows(Q::QuickSearch(QStringLiteral("report"), Q::FileClass::All)), (QList<qint64>{photo, song}));
    EXPECT_EQ(rows(Q::QuickSearch(QStringLiteral("report"), Q::FileClass::Images)), QList<qint64>{photo});
    // The class match ignores case: "mp3" is an audio file.
    EXPECT_EQ(rows(Q::QuickSearch(QString(), Q::FileClass::Audios)), QList<qint64>{song});

    Q::Custom between = custom(QStringLiteral("FileDate"));
    between.After = QStringLiteral("1/1/98");
    between.Before = QStringLiteral("12/31/98");
    // Both ends are excluded.
    EXPECT_EQ(rows(built(between)), QList<qint64>{song});

    Q::Custom size = custom(QStringLiteral("FileSize"));
    size.Value = Q::ValueMatch::LessThan;
    size.Number = QStringLiteral("100");
    EXPECT_EQ(rows(built(size)), QList<qint64>{odd});

    EXPECT_EQ(rows(Q::QuickSearch(QStringLiteral("\"hi\""), Q::FileClass::All)), QList<qint64>{odd});
    EXPECT_TRUE(rows(Q::QuickSearch(QStringLiteral("\" OR Title LIKE \"*"), Q::FileClass::All)).isEmpty());
}

TEST_P(SearchQueryEngineTest, PatternCharactersOfTypedTextActAsPatterns)
{
    const qint64 report = add(QStringLiteral("Annual report"), QStringLiteral("DOC"), 1, {});
    const qint64 rapport = add(QStringLiteral("Rapport 2021"), QStringLiteral("DOC"), 1, {});
    const qint64 odd = add(QStringLiteral("Odd [1 bracket"), QStringLiteral("TXT"), 1, {});

    auto quick = [&](const char* typed) { return rows(Q::QuickSearch(QString::fromUtf8(typed), Q::FileClass::All)); };
    EXPECT_EQ(quick("rep*rt"), QList<qint64>{report});
    EXPECT_EQ(quick("r?port"), QList<qint64>{report});
    EXPECT_EQ(quick("r[ae]p"), (QList<qint64>{report, rapport}));
    EXPECT_EQ(quick("r[!e]p"), QList<qint64>{rapport});
    EXPECT_EQ(quick("20#1"), QList<qint64>{rapport});
    EXPECT_EQ(quick("[1 br"), QList<qint64>{odd});
    EXPECT_EQ(quick("?"), (QList<qint64>{report, odd, rapport}));

    Q::Custom starts = custom(QStringLiteral("Title"));
    starts.Text = Q::TextMatch::StartWith;
    starts.Phrase = QStringLiteral("[a-o]*[");
    EXPECT_EQ(rows(built(starts)), QList<qint64>{odd});
    starts.Text = Q::TextMatch::ExactMatch;
    starts.Phrase = QStringLiteral("R*#");
    EXPECT_EQ(rows(built(starts)), QList<qint64>{rapport});
}

TEST_P(SearchQueryEngineTest, ClassesFindTodaysFormatsAfterTheLongStandingOnes)
{
    const qint64 png = add(QStringLiteral("a"), QStringLiteral("PNG"), 1, {});
    const qint64 svg = add(QStringLiteral("b"), QStringLiteral("SVG"), 1, {});
    const qint64 webp = add(QStringLiteral("c"), QStringLiteral("WEBP"), 1, {});
    const qint64 tiff = add(QStringLiteral("d"), QStringLiteral("TIFF"), 1, {});
    const qint64 mp4 = add(QStringLiteral("e"), QStringLiteral("MP4"), 1, {});
    const qint64 webm = add(QStringLiteral("f"), QStringLiteral("WEBM"), 1, {});
    const qint64 mkv = add(QStringLiteral("g"), QStringLiteral("MKV"), 1, {});
    const qint64 flac = add(QStringLiteral("h"), QStringLiteral("FLAC"), 1, {});
    const qint64 opus = add(QStringLiteral("i"), QStringLiteral("OPUS"), 1, {});
    add(QStringLiteral("j"), QStringLiteral("TXT"), 1, {});

    EXPECT_EQ(rows(Q::QuickSearch(QString(), Q::FileClass::Images)), (QList<qint64>{png, svg, webp, tiff}));
    EXPECT_EQ(rows(Q::QuickSearch(QString(), Q::FileClass::Videos)), (QList<qint64>{mp4, webm, mkv}));
    EXPECT_EQ(rows(Q::QuickSearch(QString(), Q::FileClass::Audios)), (QList<qint64>{flac, opus}));
    EXPECT_EQ(Q::Extensions(Q::FileClass::Images).mid(0, 7),
              (QStringList{"BMP", "GIF", "ICO", "JPG", "JPE", "JPEG", "WMF"}));
    EXPECT_EQ(Q::Extensions(Q::FileClass::Videos).mid(0, 7),
              (QStringList{"AVI", "M1V", "MOV", "MPE", "MPEG", "MPG", "QT"}));
}

} // namespace
