// LIKE patterns come from the search dialog and from query texts.
#include "store/LikePattern.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace zentaro;

namespace {

// The pattern as a row of one-character parts (nothing for a star), each
// compiled alone, so that a plain table of which part takes which
// character checks the matcher's way of placing the parts between stars.
std::optional<std::vector<std::optional<LikePattern>>> parts(const QList<uint>& pattern)
{
    std::vector<std::optional<LikePattern>> out;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        qsizetype end = i + 1;
        if (pattern[i] == '[') {
            while (end < pattern.size() && pattern[end] != ']')
                ++end;
            ++end;
        }
        const QString text = QString::fromUcs4(reinterpret_cast<const char32_t*>(pattern.data() + i), end - i);
        i = end - 1;
        if (text == QLatin1String("*")) {
            out.push_back(std::nullopt);
            continue;
        }
        Result<LikePattern> part = LikePattern::compile(text);
        if (!part)
            return std::nullopt;
        if (text == QLatin1String("[]"))
            continue; // stands for nothing
        out.push_back(std::move(*part));
    }
    return out;
}

bool reference(const std::vector<std::optional<LikePattern>>& parts, const QList<uint>& text)
{
    const size_t m = parts.size();
    const size_t n = static_cast<size_t>(text.size());
    // fits[j][i]: parts from j on take the text from i on.
    std::vector<std::vector<char>> fits(m + 1, std::vector<char>(n + 1, 0));
    fits[m][n] = 1;
    for (size_t j = m; j-- > 0;) {
        for (size_t i = n + 1; i-- > 0;) {
            if (!parts[j]) {
                fits[j][i] = fits[j + 1][i] || (i < n && fits[j][i + 1]);
            } else if (i < n) {
                const char32_t c = text[static_cast<qsizetype>(i)];
                fits[j][i] = fits[j + 1][i + 1] && parts[j]->matches(QString::fromUcs4(&c, 1));
            }
        }
    }
    return fits[0][0];
}

} // namespace

// Input: pattern, a NUL byte, then the text to match (UTF-8, possibly invalid).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = bytes.indexOf('\0');
    const QByteArray patternBytes = split < 0 ? bytes : bytes.left(split);
    const QByteArray textBytes = split < 0 ? QByteArray() : bytes.mid(split + 1);

    const QString patternText = QString::fromUtf8(patternBytes);
    const Result<LikePattern> pattern = LikePattern::compile(patternText);
    if (!pattern)
        return 0;
    // The two ways in (Qt text and SQLite's UTF-8) must agree on valid text.
    const QString text = QString::fromUtf8(textBytes);
    const QByteArray utf8 = text.toUtf8();
    const bool viaText = pattern->matches(text);
    const bool viaUtf8 = pattern->matchesUtf8(utf8.constData(), static_cast<int>(utf8.size()));
    if (viaText != viaUtf8)
        std::abort();
    // And with the plain table, for short inputs.
    const QList<uint> patternChars = patternText.toUcs4();
    const QList<uint> textChars = text.toUcs4();
    if (patternChars.size() <= 64 && textChars.size() <= 256) {
        const auto row = parts(patternChars);
        if (row && reference(*row, textChars) != viaText)
            std::abort();
    }
    // Raw bytes as a damaged library may hold them: must not crash.
    (void)pattern->matchesUtf8(textBytes.constData(), static_cast<int>(textBytes.size()));
    return 0;
}
