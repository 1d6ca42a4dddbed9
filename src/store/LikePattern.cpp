#include "store/LikePattern.h"

#include <QChar>
#include <QList>

namespace zentaro {

namespace {

char32_t fold(char32_t ch)
{
    return QChar::toCaseFolded(ch);
}

} // namespace

Result<LikePattern> LikePattern::compile(const QString& pattern)
{
    LikePattern out;
    out.m_text = pattern;
    const QList<uint> chars = pattern.toUcs4();
    const qsizetype n = chars.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t ch = chars[i];
        Token token;
        if (ch == U'*') {
            // Runs of stars behave as one.
            if (!out.m_tokens.empty() && out.m_tokens.back().kind == Token::AnyRun)
                continue;
            token.kind = Token::AnyRun;
        } else if (ch == U'?') {
            token.kind = Token::AnyOne;
        } else if (ch == U'#') {
            token.kind = Token::Digit;
        } else if (ch == U'[') {
            qsizetype close = i + 1;
            // A "]" right after "[" or "[!" would make an empty list; Jet reads
            // the first "]" as the end, so do we.
            while (close < n && chars[close] != U']')
                ++close;
            if (close >= n) {
                return Result<LikePattern>::failure(
                    ErrorCode::InvalidQuery,
                    QStringLiteral("The search pattern \"%1\" has a \"[\" without its closing \"]\".")
                        .arg(pattern));
            }
            qsizetype j = i + 1;
            token.kind = Token::Set;
            if (j < close && chars[j] == U'!') {
                token.negated = true;
                ++j;
            }
            if (j == close) {
                // "[]" stands for nothing (an empty string), "[!]" for any one character.
                i = close;
                if (!token.negated)
                    continue;
                token.kind = Token::AnyOne;
                out.m_tokens.push_back(token);
                continue;
            }
            while (j < close) {
                const char32_t low = chars[j];
                if (j + 2 < close && chars[j + 1] == U'-') {
                    const char32_t high = chars[j + 2];
                    if (high < low) {
                        return Result<LikePattern>::failure(
                            ErrorCode::InvalidQuery,
                            QStringLiteral("The search pattern \"%1\" has a range that runs backwards.")
                                .arg(pattern));
                    }
                    token.ranges.push_back({low, high});
                    j += 3;
                } else {
                    token.ranges.push_back({low, low});
                    ++j;
                }
            }
            i = close;
        } else {
            token.kind = Token::Literal;
            token.ch = fold(ch);
        }
        out.m_tokens.push_back(std::move(token));
    }
    out.makeSegments();
    return out;
}

void LikePattern::makeSegments()
{
    m_segments.clear();
    m_minLength = 0;
    Segment current;
    for (size_t k = 0; k < m_tokens.size(); ++k) {
        if (m_tokens[k].kind == Token::AnyRun) {
            current.end = k;
            m_segments.push_back(std::move(current));
            current = Segment();
            current.begin = k + 1;
            continue;
        }
        ++m_minLength;
        if (m_tokens[k].kind != Token::Literal)
            current.literal = false;
    }
    current.end = m_tokens.size();
    m_segments.push_back(std::move(current));

    for (Segment& segment : m_segments) {
        const size_t length = segment.end - segment.begin;
        if (!segment.literal || length == 0)
            continue;
        const Token* t = m_tokens.data() + segment.begin;
        segment.failure.assign(length, 0);
        size_t k = 0;
        for (size_t q = 1; q < length; ++q) {
            while (k > 0 && t[q].ch != t[k].ch)
                k = segment.failure[k - 1];
            if (t[q].ch == t[k].ch)
                ++k;
            segment.failure[q] = k;
        }
    }
}

bool LikePattern::setMatches(const Token& token, char32_t ch) const
{
    const char32_t forms[] = {ch, fold(ch), QChar::toLower(ch), QChar::toUpper(ch)};
    for (const Range& range : token.ranges) {
        for (char32_t form : forms) {
            if (form >= range.low && form <= range.high)
                return true;
        }
    }
    return false;
}

bool LikePattern::tokenMatches(const Token& token, char32_t folded, char32_t raw) const
{
    switch (token.kind) {
    case Token::Literal: return token.ch == folded;
    case Token::AnyOne: return true;
    case Token::Digit: return raw >= U'0' && raw <= U'9';
    case Token::Set: return setMatches(token, raw) != token.negated;
    case Token::AnyRun: return false;
    }
    return false;
}

bool LikePattern::matches(const QString& text) const
{
    const QList<uint> ucs4 = text.toUcs4();
    const size_t n = static_cast<size_t>(ucs4.size());
    std::vector<char32_t> raw(n);
    std::vector<char32_t> folded(n);
    for (size_t k = 0; k < n; ++k) {
        raw[k] = ucs4[static_cast<qsizetype>(k)];
        folded[k] = fold(raw[k]);
    }
    return matchesChars(raw.data(), folded.data(), n);
}

bool LikePattern::matchesUtf8(const char* text, int length) const
{
    constexpr size_t kStack = 256;
    char32_t rawStack[kStack];
    char32_t foldedStack[kStack];
    std::vector<char32_t> rawHeap;
    std::vector<char32_t> foldedHeap;
    char32_t* raw = rawStack;
    char32_t* folded = foldedStack;
    const size_t bytes = length > 0 ? static_cast<size_t>(length) : 0;
    // Each character takes one byte at least.
    if (bytes < m_minLength)
        return false;
    if (bytes > kStack) {
        rawHeap.resize(bytes);
        foldedHeap.resize(bytes);
        raw = rawHeap.data();
        folded = foldedHeap.data();
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + bytes;
    size_t n = 0;
    while (p < end) {
        char32_t c = *p++;
        if (c < 0x80) {
            raw[n] = c;
            folded[n] = (c >= U'A' && c <= U'Z') ? c + 32 : c;
            ++n;
            continue;
        }
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= more == 3 ? 0x07 : more == 2 ? 0x0F : 0x1F;
        if (more == 0)
            c = 0xFFFD; // a stray continuation byte
        while (more-- > 0 && p < end && (*p & 0xC0) == 0x80)
            c = (c << 6) | (*p++ & 0x3F);
        raw[n] = c;
        folded[n] = fold(c);
        ++n;
    }
    return matchesChars(raw, folded, n);
}

bool LikePattern::matchesAt(const Segment& segment, const char32_t* raw, const char32_t* folded, size_t at) const
{
    for (size_t k = segment.begin; k < segment.end; ++k, ++at) {
        if (!tokenMatches(m_tokens[k], folded[at], raw[at]))
            return false;
    }
    return true;
}

size_t LikePattern::find(const Segment& segment, const char32_t* raw, const char32_t* folded, size_t from,
                         size_t limit) const
{
    constexpr size_t npos = static_cast<size_t>(-1);
    const size_t length = segment.end - segment.begin;
    if (limit < from || limit - from < length)
        return npos;
    if (length == 0)
        return from;
    if (segment.literal) {
        const Token* t = m_tokens.data() + segment.begin;
        size_t q = 0;
        for (size_t i = from; i < limit; ++i) {
            while (q > 0 && folded[i] != t[q].ch)
                q = segment.failure[q - 1];
            if (folded[i] == t[q].ch && ++q == length)
                return i + 1 - length;
        }
        return npos;
    }
    for (size_t at = from; at + length <= limit; ++at) {
        if (matchesAt(segment, raw, folded, at))
            return at;
    }
    return npos;
}

bool LikePattern::matchesChars(const char32_t* raw, const char32_t* folded, size_t n) const
{
    if (n < m_minLength)
        return false;
    const Segment& first = m_segments.front();
    if (m_segments.size() == 1)
        return n == first.end - first.begin && matchesAt(first, raw, folded, 0);
    // The text between the stars: the first segment at the start, the last
    // at the end, and each one between at its first place after the one
    // before it. Every token but a star takes one character, so an earlier
    // place never leaves less room for the rest.
    const Segment& last = m_segments.back();
    const size_t lastAt = n - (last.end - last.begin);
    if (!matchesAt(first, raw, folded, 0) || !matchesAt(last, raw, folded, lastAt))
        return false;
    size_t at = first.end - first.begin;
    for (size_t k = 1; k + 1 < m_segments.size(); ++k) {
        const Segment& segment = m_segments[k];
        const size_t found = find(segment, raw, folded, at, lastAt);
        if (found == static_cast<size_t>(-1))
            return false;
        at = found + (segment.end - segment.begin);
    }
    return true;
}

} // namespace zentaro
