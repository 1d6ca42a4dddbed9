// LIKE patterns come from the search dialog and from query texts.
#include "store/LikePattern.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace zentaro;

// Input: pattern, a NUL byte, then the text to match (UTF-8, possibly invalid).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = bytes.indexOf('\0');
    const QByteArray patternBytes = split < 0 ? bytes : bytes.left(split);
    const QByteArray textBytes = split < 0 ? QByteArray() : bytes.mid(split + 1);

    const Result<LikePattern> pattern = LikePattern::compile(QString::fromUtf8(patternBytes));
    if (!pattern)
        return 0;
    // The two ways in (Qt text and SQLite's UTF-8) must agree on valid text.
    const QString text = QString::fromUtf8(textBytes);
    const QByteArray utf8 = text.toUtf8();
    const bool viaText = pattern->matches(text);
    const bool viaUtf8 = pattern->matchesUtf8(utf8.constData(), static_cast<int>(utf8.size()));
    if (viaText != viaUtf8)
        std::abort();
    // Raw bytes as a damaged library may hold them: must not crash.
    (void)pattern->matchesUtf8(textBytes.constData(), static_cast<int>(textBytes.size()));
    return 0;
}
