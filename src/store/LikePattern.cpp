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
    return out;
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

bool LikePattern::matchesChars(const char32_t* raw, const char32_t* folded, size_t n) const
{
    const size_t m = m_tokens.size();
    size_t i = 0;
    size_t j = 0;
    size_t star = m; // no star seen
    size_t mark = 0;
    // Every token but a star takes exactly one character, so a single
    // backtrack point (the last star) is enough.
    while (i < n) {
        if (j < m && m_tokens[j].kind == Token::AnyRun) {
            star = j++;
            mark = i;
            continue;
        }
        if (j < m && tokenMatches(m_tokens[j], folded[i], raw[i])) {
            ++i;
            ++j;
            continue;
        }
        if (star != m) {
            j = star + 1;
            i = ++mark;
            continue;
        }
        return false;
    }
    while (j < m && m_tokens[j].kind == Token::AnyRun)
        ++j;
    return j == m;
}

} // namespace zentaro
