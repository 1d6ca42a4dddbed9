// Search and sort speed on a library of 100,000 records with realistic texts
// (Title about 30 characters, Author 15, Keywords 30, Notes 200, some of
// them beyond ASCII), and searches for a text as long as the search box
// takes over 20,000 such records. Prints one "name: value" line per figure.
//
// usage: bench_search WORK_FOLDER

#include "BenchSupport.h"

#include "store/Database.h"
#include "store/Recordset.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zentaro;
using bench::fail;

namespace {

constexpr int kRecords = 100000;
constexpr int kLongSearchRecords = 20000;
constexpr int kLongSearchChars = 32767; // the search box's limit
constexpr int kRepeats = 5;

void check(const Status& status, const char* doing)
{
    if (!status.ok())
        fail(std::string(doing) + ": " + status.message().toStdString());
}

// Pronounceable words of 3 to 9 letters; every tenth one carries a letter
// beyond ASCII.
QStringList vocabulary(QRandomGenerator& random)
{
    static const char* const onsets[] = {"b", "c", "d", "f", "g", "h", "k", "l", "m", "n", "p", "r",
                                         "s", "t", "v", "w", "br", "st", "tr", "gr", "ch", "sh"};
    static const char* const vowels[] = {"a", "e", "i", "o", "u", "ai", "ea", "ou"};
    static const QString foreign[] = {QStringLiteral("é"), QStringLiteral("ü"), QStringLiteral("ß"),
                                      QStringLiteral("ø"), QStringLiteral("ж"), QStringLiteral("ñ")};
    QStringList words;
    while (words.size() < 3000) {
        QString w;
        const int syllables = 1 + int(random.bounded(3));
        for (int s = 0; s < syllables; ++s)
            w += QLatin1String(onsets[random.bounded(int(std::size(onsets)))]) +
                 QLatin1String(vowels[random.bounded(int(std::size(vowels)))]);
        if (random.bounded(10) == 0)
            w.insert(int(random.bounded(int(w.size()))), foreign[random.bounded(6)]);
        if (w.size() >= 3 && w.size() <= 9)
            words << w;
    }
    return words;
}

QString textOf(QRandomGenerator& random, const QStringList& words, int length, bool capitalize)
{
    QString out;
    while (out.size() < length) {
        QString w = words[int(random.bounded(int(words.size())))];
        if (capitalize || random.bounded(8) == 0)
            w[0] = w[0].toUpper();
        if (!out.isEmpty())
            out += QLatin1Char(' ');
        out += w;
    }
    return out;
}

void createLibrary(const QString& path, const QStringList& words, int records)
{
    check(Database::compactFile(QStringLiteral(ZENTARO_TEST_TEMPLATE), path), "creating the library");
    auto db = Database::open(path);
    if (!db)
        fail("opening the new library: " + db.message().toStdString());
    QRandomGenerator random(42);
    check((*db)->begin(), "starting the transaction");
    static const char* const types[] = {"PDF", "JPG", "MP3", "DOC", "TXT", "AVI", "GIF"};
    for (int i = 0; i < records; ++i) {
        MainRecord r;
        r.Title = textOf(random, words, 30, true);
        r.Author = textOf(random, words, 15, true);
        r.Keywords = textOf(random, words, 30, false);
        r.Notes = textOf(random, words, 200, false);
        r.FileType = QLatin1String(types[random.bounded(7)]);
        r.FileName = r.Title.left(12) + QLatin1Char('.') + r.FileType.toLower();
        r.FileSize = random.bounded(50000000);
        if (random.bounded(20) != 0)
            r.FileDate = QDateTime(QDate(1990, 1, 1).addDays(random.bounded(12000)), QTime(12, 0));
        if (!(*db)->insertRecord(r))
            fail("adding a record");
    }
    check((*db)->commit(), "saving the records");
    (*db)->close();
}

// Best of repeats, in milliseconds.
double best(const std::function<void()>& work, int repeats = kRepeats)
{
    double out = 1e100;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        out = std::min(out, clock.nsecsElapsed() / 1e6);
    }
    return out;
}

// Runs a list query and reads its first page of rows, as the grid does.
int openList(const std::shared_ptr<Database>& db, const QString& query)
{
    auto rs = Recordset::open(db, query);
    if (!rs)
        fail("running " + query.toStdString() + ": " + rs.message().toStdString());
    for (int row = 0; row < std::min(40, (*rs)->recordCount()); ++row) {
        if (!(*rs)->recordAt(row))
            fail("reading a row");
    }
    return (*rs)->recordCount();
}

int nativeLike(const QString& path, const QString& word)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fail("opening the library with SQLite");
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT MainID FROM Main WHERE Title LIKE ?1 OR Author LIKE ?1 OR Keywords LIKE ?1 "
                      "OR Notes LIKE ?1 ORDER BY Title COLLATE NOCASE";
    if (sqlite3_prepare_v2(raw, sql, -1, &st, nullptr) != SQLITE_OK)
        fail(sqlite3_errmsg(raw));
    const QByteArray pattern = (QLatin1Char('%') + word + QLatin1Char('%')).toUtf8();
    sqlite3_bind_text(st, 1, pattern.constData(), int(pattern.size()), SQLITE_TRANSIENT);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        ++rows;
    sqlite3_finalize(st);
    sqlite3_close(raw);
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_search";
    if (argc < 2)
        fail("usage: bench_search WORK_FOLDER");
    const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/search.ZNT");
    QRandomGenerator random(7);
    const QStringList words = vocabulary(random);
    createLibrary(path, words, kRecords);

    OpenOptions shared;
    shared.exclusive = false;
    auto opened = Database::open(path, shared);
    if (!opened)
        fail("opening the library: " + opened.message().toStdString());
    std::shared_ptr<Database> db = *opened;

    // A 4-letter word of the texts, searched as the quick search with "All" does.
    QString word;
    for (const QString& w : words) {
        if (w.size() == 4 && w.at(0).unicode() < 128 && w.at(3).unicode() < 128) {
            word = w;
            break;
        }
    }
    const QString like = QStringLiteral("LIKE \"*%1*\"").arg(word);
    const QString quick = QStringLiteral("SELECT * FROM Main WHERE (Title %1 OR Author %1 OR Keywords %1 OR Notes %1)"
                                         "ORDER BY Title")
                              .arg(like);
    int ours = 0;
    int native = 0;
    const double quickMs = best([&] { ours = openList(db, quick); });
    const double nativeMs = best([&] { native = nativeLike(path, word); });
    if (ours != native)
        std::fprintf(stderr, "note: %d records found, SQLite's LIKE found %d (it folds only ASCII case)\n", ours,
                     native);
    std::printf("quick_search_word: %s (%d records)\n", word.toUtf8().constData(), ours);
    std::printf("quick_search_ms: %.1f\n", quickMs);
    std::printf("native_like_ms: %.1f\n", nativeMs);
    std::printf("quick_search_vs_native_like: %.3f\n", quickMs / nativeMs);

    const double openMs = best([&] { openList(db, QStringLiteral("SELECT * FROM Main ORDER BY Title")); });
    double worst = 0;
    QString worstField;
    for (const char* field : {"Title", "Author", "Keywords", "FileName", "FileType", "FileDate", "FileSize",
                              "InsertionDate", "LastUpdatedDate"}) {
        for (const char* form : {"ORDER BY %1", "ORDER BY [%1]", "ORDER BY [%1] DESC"}) {
            const QString query = QStringLiteral("SELECT * FROM Main ") + QString::fromLatin1(form).arg(QLatin1String(field));
            const double ms = best([&] { openList(db, query); });
            if (ms > worst) {
                worst = ms;
                worstField = QString::fromLatin1(form).arg(QLatin1String(field));
            }
        }
    }
    std::printf("open_100k_ms: %.1f\n", openMs);
    std::printf("sort_100k_worst_ms: %.1f (%s)\n", worst, worstField.toUtf8().constData());
    std::printf("sort_100k_vs_open_100k: %.3f\n", worst / openMs);
    db->close();

    // A search text of the search box's whole length, of the words the
    // index reads as one run (ASCII, and no s or k, which have spellings
    // beyond ASCII): as typed (one field, and the quick search's four), and
    // with a star between its words.
    const QString smallPath = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/search20k.ZNT");
    createLibrary(smallPath, words, kLongSearchRecords);
    auto small = Database::open(smallPath, shared);
    if (!small)
        fail("opening the library: " + small.message().toStdString());
    QStringList plainWords;
    for (const QString& w : words) {
        if (std::all_of(w.begin(), w.end(), [](QChar c) {
                return c.unicode() < 128 && c.toLower() != QLatin1Char('s') && c.toLower() != QLatin1Char('k');
            }))
            plainWords << w;
    }
    QRandomGenerator textRandom(11);
    const QString longText = textOf(textRandom, plainWords, kLongSearchChars, false).left(kLongSearchChars);
    QString starred = longText;
    starred.replace(QLatin1Char(' '), QLatin1Char('*'));
    auto quickOf = [](const QString& text) {
        return QStringLiteral("SELECT * FROM Main WHERE (Title %1 OR Author %1 OR Keywords %1 OR Notes %1)"
                              "ORDER BY Title")
            .arg(QStringLiteral("LIKE \"*%1*\"").arg(text));
    };
    const QString oneField = QStringLiteral("SELECT * FROM Main WHERE (Notes LIKE \"*%1*\")ORDER BY Title").arg(longText);
    const double oneFieldMs = best([&] { openList(*small, oneField); }, 3);
    const double quickLongMs = best([&] { openList(*small, quickOf(longText)); }, 3);
    const double starredMs = best([&] { openList(*small, quickOf(starred)); }, 3);
    std::printf("long_search_chars: %d\n", int(longText.size()));
    std::printf("long_search_one_field_20k_ms: %.1f\n", oneFieldMs);
    std::printf("long_quick_search_20k_ms: %.1f\n", quickLongMs);
    std::printf("long_starred_quick_search_20k_ms: %.1f\n", starredMs);
    return 0;
}
