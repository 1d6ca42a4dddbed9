#pragma once

#include "core/Result.h"

#include <QString>

#include <vector>

namespace zentaro {

// A Jet LIKE pattern: * any run of characters, ? one character, # one digit,
// [abc] [a-z] one of a list, [!abc] one not in it. Letters compare without
// regard to case; every other character stands for itself ([*] matches a star).
class LikePattern
{
public:
    // InvalidQuery with a readable message for an unclosed "[".
    static Result<LikePattern> compile(const QString& pattern);

    bool matches(const QString& text) const;
    // The same for UTF-8 bytes, as SQLite hands them over; no allocation for
    // short texts, since a search calls it once per field and record.
    bool matchesUtf8(const char* text, int length) const;
    const QString& text() const { return m_text; }

private:
    struct Range
    {
        char32_t low;
        char32_t high;
    };
    struct Token
    {
        enum Kind { Literal, AnyRun, AnyOne, Digit, Set } kind = Literal;
        char32_t ch = 0; // Literal, case-folded
        bool negated = false;
        std::vector<Range> ranges; // Set
    };

    bool matchesChars(const char32_t* raw, const char32_t* folded, size_t n) const;
    bool setMatches(const Token& token, char32_t ch) const;
    bool tokenMatches(const Token& token, char32_t folded, char32_t raw) const;

    QString m_text;
    std::vector<Token> m_tokens;
};

} // namespace zentaro
