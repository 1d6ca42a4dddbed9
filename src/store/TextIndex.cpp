#include "store/TextIndex.h"

#include <QChar>
#include <QStringList>

#include <array>
#include <vector>

namespace zentaro {

namespace {

constexpr int kMinRun = 3;
// Each letter with other characters of the same case folding multiplies the
// alternatives of a phrase; beyond this a shorter run is used.
constexpr int kMaxAlternatives = 8;

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

std::vector<char32_t> variantsOf(char32_t c)
{
    std::vector<char32_t> out{c};
    const char32_t folded = QChar::toCaseFolded(c);
    if (folded < 128) {
        for (char32_t twin : foreignTwins()[folded])
            out.push_back(twin);
    }
    return out;
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

} // namespace

std::optional<QString> TextIndex::CandidateMatch(MainField field, const QString& pattern)
{
    if (field != MainField::Title && field != MainField::Author && field != MainField::Keywords &&
        field != MainField::Notes)
        return std::nullopt;

    // The longest window of a run whose alternatives stay few.
    std::u32string best;
    for (const std::u32string& run : literalRuns(pattern)) {
        for (size_t start = 0; start + kMinRun <= run.size(); ++start) {
            int alternatives = 1;
            size_t end = start;
            while (end < run.size()) {
                const int n = int(variantsOf(run[end]).size());
                if (alternatives * n > kMaxAlternatives)
                    break;
                alternatives *= n;
                ++end;
            }
            if (end - start > best.size())
                best = run.substr(start, end - start);
        }
    }
    if (best.size() < size_t(kMinRun))
        return std::nullopt;

    std::vector<std::u32string> phrases{std::u32string()};
    for (const char32_t c : best) {
        std::vector<std::u32string> grown;
        for (const std::u32string& head : phrases) {
            for (const char32_t v : variantsOf(c))
                grown.push_back(head + v);
        }
        phrases = std::move(grown);
    }
    QStringList alternatives;
    for (const std::u32string& p : phrases)
        alternatives << phrase(p);
    return MainRecord::fieldName(field) + QStringLiteral(" : (") + alternatives.join(QStringLiteral(" OR ")) +
           QStringLiteral(")");
}

} // namespace zentaro
