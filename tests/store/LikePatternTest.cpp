#include "store/LikePattern.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zentaro;

namespace {

bool like(const char* text, const char* pattern)
{
    Result<LikePattern> p = LikePattern::compile(QString::fromUtf8(pattern));
    EXPECT_TRUE(p.ok()) << pattern;
    if (!p.ok())
        return false;
    // The text as SQLite hands it over must match exactly as the QString does.
    const bool viaText = p->matches(QString::fromUtf8(text));
    EXPECT_EQ(p->matchesUtf8(text, static_cast<int>(std::strlen(text))), viaText) << text << " / " << pattern;
    return viaText;
}

} // namespace

TEST(LikePattern, StarsAndQuestionMarks)
{
    EXPECT_TRUE(like("", "*"));
    EXPECT_TRUE(like("", ""));
    EXPECT_FALSE(like("a", ""));
    EXPECT_TRUE(like("abc", "a*"));
    EXPECT_TRUE(like("abc", "*c"));
    EXPECT_TRUE(like("abc", "*b*"));
    EXPECT_TRUE(like("abc", "a**c"));
    EXPECT_FALSE(like("abc", "*d*"));
    EXPECT_TRUE(like("abc", "???"));
    EXPECT_FALSE(like("abc", "??"));
    EXPECT_FALSE(like("ab", "???"));
    // Backtracking: the first "ab" is not the one that lets the rest match.
    EXPECT_TRUE(like("xabyabz", "*ab?"));
    EXPECT_TRUE(like("aaaaaaaaaaaaaaaaaaab", "*a*a*a*a*b"));
    EXPECT_FALSE(like("aaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*b"));
    // The parts between stars neither overlap each other nor the ends.
    EXPECT_TRUE(like("aXa", "a*a"));
    EXPECT_TRUE(like("aa", "a*a"));
    EXPECT_FALSE(like("a", "a*a"));
    EXPECT_FALSE(like("abc", "*bc*c"));
    EXPECT_TRUE(like("abcc", "*bc*c"));
    // A part that starts again inside a near miss.
    EXPECT_TRUE(like("abababc", "*ababc*"));
    EXPECT_FALSE(like("abababd", "*ababc*"));
    EXPECT_TRUE(like("xaaab", "*aab"));
    EXPECT_TRUE(like("xaAaBy", "*aab?"));
    const std::string many(5000, 'a');
    EXPECT_TRUE(like((many + "b" + many).c_str(), ("*" + many + "b*").c_str()));
    EXPECT_FALSE(like((many + many).c_str(), ("*" + many + "b*").c_str()));
}

TEST(LikePattern, DigitsListsAndNegatedLists)
{
    EXPECT_TRUE(like("a1", "a#"));
    EXPECT_FALSE(like("ab", "a#"));
    EXPECT_TRUE(like("b", "[abc]"));
    EXPECT_FALSE(like("d", "[abc]"));
    EXPECT_TRUE(like("m", "[a-z]"));
    EXPECT_TRUE(like("M", "[a-z]"));
    EXPECT_TRUE(like("-", "[-a]"));
    EXPECT_TRUE(like("d", "[!abc]"));
    EXPECT_FALSE(like("B", "[!abc]"));
    EXPECT_TRUE(like("*", "[*]"));
    EXPECT_FALSE(like("x", "[*]"));
    EXPECT_TRUE(like("a?", "a[?]"));
    EXPECT_FALSE(like("ab", "a[?]"));
    EXPECT_TRUE(like("#", "[#]"));
    EXPECT_TRUE(like("[", "[[]"));
    EXPECT_TRUE(like("a]", "a]"));
}

TEST(LikePattern, CaseIsIgnoredBeyondAscii)
{
    EXPECT_TRUE(like("REPORT", "*report*"));
    EXPECT_TRUE(like("Straße", "STRASSE") == false); // one character never matches two
    EXPECT_TRUE(like("ÄRGER", "ärger"));
    EXPECT_TRUE(like("ΣΟΦΙΑ", "σοφια"));
    EXPECT_TRUE(like("😀x", "?X")); // a character outside the BMP is one character
    const std::string longText = std::string(300, 'a') + "\xc3\x89";
    EXPECT_TRUE(like(longText.c_str(), "*é"));
}

TEST(LikePattern, BrokenPatternsAreErrors)
{
    EXPECT_FALSE(LikePattern::compile(QStringLiteral("[abc")).ok());
    EXPECT_FALSE(LikePattern::compile(QStringLiteral("[z-a]")).ok());
    EXPECT_EQ(LikePattern::compile(QStringLiteral("ab[")).code(), ErrorCode::InvalidQuery);
}
