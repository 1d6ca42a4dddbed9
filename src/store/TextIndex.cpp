#include "store/TextIndex.h"

#include <QChar>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

namespace zentaro {

namespace {

constexpr int kMinRun = 3;
// Each letter with other characters of the same case folding multiplies the
// alternatives of a phrase; beyond this a shorter run is used.
constexpr int kMaxAlternatives = 8;
// A phrase this long already finds next to nothing, and a longer one only
// makes the index read more; so does every phrase beyond the first few.
constexpr size_t kMaxPhrase = 16;
constexpr int kMaxPhrases = 3;

// For each ASCII character, the characters beyond ASCII that the dialect's
// LIKE takes for it (the Kelvin sign for k, the long s for s).
const std::array<std::vector<char32_t>, 128>& foreignTwins()
{
    static const std::array<std::vector<char32_t>, 128> twins = [] {
        std::array<std::vector<char32_t>, 128> out;
        for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const char32_t folded = QChar::toCaseFolded(c);
            if (folded < 128)
                out[folded].push_back(c);
        }
        return out;
    }();
    return twins;
}

// The spellings of an ASCII character the index must look for.
const std::vector<char32_t>& twinsOf(char32_t c)
{
    return foreignTwins()[QChar::toCaseFolded(c)];
}

int spellings(char32_t c)
{
    return 1 + int(twinsOf(c).size());
}

// The runs of plain ASCII characters between the pattern's wildcards and
// character lists; characters beyond ASCII end a run, since the index may
// fold their case otherwise than the LIKE does.
QList<std::u32string> literalRuns(const QString& pattern)
{
    QList<std::u32string> runs;
    std::u32string run;
    const QList<uint> chars = pattern.toUcs4();
    auto close = [&] {
        if (run.size() >= size_t(kMinRun))
            runs.push_back(run);
        run.clear();
    };
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i];
        if (c == '*' || c == '?' || c == '#') {
            close();
        } else if (c == '[') {
            close();
            while (i < chars.size() && chars[i] != ']')
                ++i;
        } else if (c >= 128 || c < 32) {
            close();
        } else {
            run.push_back(c);
        }
    }
    close();
    return runs;
}

QString phrase(const std::u32string& chars)
{
    QString text = QString::fromUcs4(chars.data(), qsizetype(chars.size()));
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The longest window of run, up to kMaxPhrase characters, whose
// alternatives stay few; the first of equals. One pass over the run.
std::u32string bestWindow(const std::u32string& run)
{
    size_t bestStart = 0;
    size_t bestLength = 0;
    size_t start = 0;
    int alternatives = 1;
    for (size_t end = 0; end < run.size(); ++end) {
        alternatives *= spellings(run[end]);
        while (alternatives > kMaxAlternatives || end + 1 - start > kMaxPhrase)
            alternatives /= spellings(run[start++]);
        if (end + 1 - start > bestLength) {
            bestStart = start;
            bestLength = end + 1 - start;
        }
    }
    return run.substr(bestStart, bestLength);
}

// The phrase and every other spelling of it, joined with OR.
QString spelledOut(const std::u32string& window)
{
    std::vector<std::u32string> phrases{std::u32string()};
    for (const char32_t c : window) {
        std::vector<std::u32string> grown;
        for (const std::u32string& head : phrases) {
            grown.push_back(head + c);
            for (const char32_t twin : twinsOf(c))
                grown.push_back(head + twin);
        }
        phrases = std::move(grown);
    }
    QStringList alternatives;
    for (const std::u32string& p : phrases)
        alternatives << phrase(p);
    return alternatives.join(QStringLiteral(" OR "));
}

} // namespace

std::optional<QString> TextIndex::CandidateMatch(MainField field, const QString& pattern)
{
    if (field != MainField::Title && field != MainField::Author && field != MainField::Keywords &&
        field != MainField::Notes)
        return std::nullopt;

    // The best window of each literal run; a text holds all of them, so the
    // longest few, each once, pick the candidates.
    std::vector<std::u32string> windows;
    for (const std::u32string& run : literalRuns(pattern)) {
        std::u32string window = bestWindow(run);
        if (window.size() >= size_t(kMinRun))
            windows.push_back(std::move(window));
    }
    std::stable_sort(windows.begin(), windows.end(),
                     [](const std::u32string& a, const std::u32string& b) { return a.size() > b.size(); });
    QStringList groups;
    QSet<QString> seen;
    for (const std::u32string& window : windows) {
        if (groups.size() == kMaxPhrases)
            break;
        const QString key = QString::fromUcs4(window.data(), qsizetype(window.size())).toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        groups << spelledOut(window);
    }
    if (groups.isEmpty())
        return std::nullopt;
    QString match = groups.size() == 1 ? groups.front()
                                       : QStringLiteral("(") + groups.join(QStringLiteral(") AND (")) +
                                             QStringLiteral(")");
    return MainRecord::fieldName(field) + QStringLiteral(" : (") + match + QStringLiteral(")");
}

} // namespace zentaro
