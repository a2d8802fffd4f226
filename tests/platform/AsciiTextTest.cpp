#include "platform/AsciiText.h"

#include <gtest/gtest.h>

namespace {

struct CaseRow
{
    const char* a;
    const char* b;
    bool equal;
    bool less; // LessIgnoringCase(a, b)
};

// Only ASCII letters fold: bytes above 0x7f and the punctuation between 'Z' and 'a' compare
// as they are, and such bytes order as unsigned.
const CaseRow kCaseRows[] = {
    { "Settings", "sETTINGS", true, false }, { "", "", true, false },
    { "file:", "FILE:", true, false }, { "abc", "abd", false, true },
    { "ABD", "abc", false, false }, { "ab", "abc", false, true },
    { "[", "{", false, true }, // '[' is not a folded '{'
    { "_", "a", false, true }, // '_' (0x5f) sorts before every letter, either case
    { "\xc3\x84", "\xc3\xa4", false, true }, // "Ä" and "ä" in UTF-8 stay different
    { "\xe9", "e", false, false }, // a byte above 0x7f sorts after ASCII
};

TEST(AsciiText, CaseTable)
{
    for (const CaseRow& row : kCaseRows) {
        SCOPED_TRACE(std::string(row.a) + " / " + row.b);
        EXPECT_EQ(EqualsIgnoringCase(row.a, row.b), row.equal);
        EXPECT_EQ(LessIgnoringCase()(row.a, row.b), row.less);
        if (row.equal) {
            EXPECT_FALSE(LessIgnoringCase()(row.b, row.a));
        }
    }
}

TEST(AsciiText, StartsWithIgnoringCase)
{
    EXPECT_TRUE(StartsWithIgnoringCase("Video.dll", "video"));
    EXPECT_TRUE(StartsWithIgnoringCase("video", ""));
    EXPECT_FALSE(StartsWithIgnoringCase("vid", "video"));
    EXPECT_FALSE(StartsWithIgnoringCase("xvideo", "video"));
}

struct TrimRow
{
    std::string_view text;
    std::string_view trimmed;
    std::string_view expected;
};

TEST(AsciiText, TrimTable)
{
    const TrimRow rows[] = {
        { " \tkey \t", kBlanksAndTabs, "key" },
        { "key\r", kBlanksAndTabs, "key\r" }, // INI text keeps a carriage return
        { "key \r", kBlanksTabsAndReturns, "key" },
        { " a b ", kBlanksAndTabs, "a b" }, // inner blanks stay
        { "   ", kBlanksAndTabs, "" },
        { "", kAsciiWhiteSpace, "" },
        { "\n\v\f firefox.desktop\r\n", kAsciiWhiteSpace, "firefox.desktop" },
        { "\xa0x\xa0", kAsciiWhiteSpace, "\xa0x\xa0" }, // no locale's idea of a space
        { std::string_view("\0x\0", 3), kBlanksAndTabs, std::string_view("\0x\0", 3) },
    };
    for (const TrimRow& row : rows) {
        SCOPED_TRACE(std::string(row.text));
        EXPECT_EQ(TrimView(row.text, row.trimmed), row.expected);
    }
    EXPECT_EQ(TrimBlanksAndTabs("\t name \t"), "name");
}

} // namespace
