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

    // The tokens between two stars (or an end of the pattern and a star).
    struct Segment
    {
        size_t begin = 0;
        size_t end = 0;
        // Letters only: found with the failure table (Knuth-Morris-Pratt),
        // so that a long phrase is never compared again from each place.
        bool literal = true;
        std::vector<size_t> failure;
    };

    void makeSegments();
    bool matchesChars(const char32_t* raw, const char32_t* folded, size_t n) const;
    bool matchesAt(const Segment& segment, const char32_t* raw, const char32_t* folded, size_t at) const;
    // The first place from `from` where segment lies wholly before `limit`,
    // or npos.
    size_t find(const Segment& segment, const char32_t* raw, const char32_t* folded, size_t from,
                size_t limit) const;
    bool setMatches(const Token& token, char32_t ch) const;
    bool tokenMatches(const Token& token, char32_t folded, char32_t raw) const;

    QString m_text;
    std::vector<Token> m_tokens;
    std::vector<Segment> m_segments; // more than one when the pattern has a star
    size_t m_minLength = 0;          // characters a matching text has at least
};

} // namespace zentaro
