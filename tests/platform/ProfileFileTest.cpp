#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

namespace {

struct FindCase
{
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    bool found;
    const char* value;
};

const FindCase kFindCases[] = {
    {"plain", "[S]\nk=v\n", "S", "k", true, "v"},
    {"names ignore case", "[tellurvaneinfo]\nSTART=5\n", "TellurvaneInfo", "Start", true, "5"},
    {"blanks around key and value", "[S]\n  k  =  v w  \n", "S", "k", true, "v w"},
    {"first key wins", "[S]\nk=1\nk=2\n", "S", "k", true, "1"},
    {"first section wins", "[S]\na=1\n[S]\nk=2\n", "S", "k", false, ""},
    {"key of another section", "[T]\nk=1\n[S]\nx=2\n", "S", "k", false, ""},
    {"key before any section", "k=1\n[S]\n", "S", "k", false, ""},
    {"CR LF", "[S]\r\nk=v\r\n", "S", "k", true, "v"},
    {"value with equals", "[S]\nk=a=b\n", "S", "k", true, "a=b"},
    {"empty value", "[S]\nk=\n", "S", "k", true, ""},
    {"no final line break", "[S]\nk=v", "S", "k", true, "v"},
};

class FindProfileValueTest : public testing::TestWithParam<FindCase>
{
};

TEST_P(FindProfileValueTest, Reads)
{
    const FindCase& c = GetParam();
    bool found = false;
    std::string value = FindProfileValue(c.text, c.section, c.key, &found);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindProfileValueTest, testing::ValuesIn(kFindCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

struct ReplaceCase
{
    const char* before;
    const char* key;
    const char* value;
    const char* after;
};

TEST(ReplaceProfileValue, KeepsEveryOtherLineAndReplacesInPlace)
{
    const ReplaceCase cases[] = {
        {"", "k", "v", "[S]\nk=v\n"},
        {"; note\n[S]\nK = old \nz=1\n", "k", "new", "; note\n[S]\nK = new \nz=1\n"},
        {"[S]\na=1\n\n[T]\nb=2\n", "k", "v", "[S]\na=1\nk=v\n\n[T]\nb=2\n"},
        {"[T]\nb=2", "k", "v", "[T]\nb=2\n[S]\nk=v\n"},
        {"[S]\r\na=1\r\n", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
        {"[s]\nk=\n", "k", "v", "[s]\nk=v\n"},
        {"[S]\na=1", "k", "v", "[S]\na=1\nk=v\n"},
    };
    for (const ReplaceCase& c : cases)
        EXPECT_EQ(ReplaceProfileValue(c.before, "S", c.key, c.value), c.after) << c.before;
}

TEST(ProfileFile, CreatesTheFileOnFirstWriteAndCutsLongValues)
{
    char dir[] = "/tmp/profiletestXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/p.ini";
    EXPECT_EQ(ReadProfileString(path, "S", "k", "ERROR"), "ERROR");
    ASSERT_TRUE(WriteProfileString(path, "S", "k", std::string(150, 'x')));
    EXPECT_EQ(ReadProfileString(path, "S", "k", "ERROR"), std::string(99, 'x'));
    EXPECT_EQ(ReadProfileString(path, "S", "k", "ERROR", 1024), std::string(150, 'x'));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, &text));
    EXPECT_EQ(text, "[S]\nk=" + std::string(150, 'x') + "\n");
    std::remove(path.c_str());
    rmdir(dir);
}

// A folder name with a line break must not plant a section or key of its own.
TEST(ProfileFile, LineBreaksAreRefusedAndTheFileKeepsItsLines)
{
    char dir[] = "/tmp/profiletestXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/p.ini";
    ASSERT_TRUE(WriteProfileString(path, "S", "k", "/old"));
    const struct
    {
        std::string section, key, value;
    } cases[] = {
        { "S", "k", "/new\n[Evil]\nk=1" },
        { "S", "k", "/new\rk=1" },
        { "S", "k\nx", "v" },
        { "S\n[T]", "k", "v" },
        { "S", "k", std::string("/a\0b", 4) },
    };
    for (const auto& c : cases)
        EXPECT_FALSE(WriteProfileString(path, c.section, c.key, c.value)) << c.value;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, &text));
    EXPECT_EQ(text, "[S]\nk=/old\n");
    std::remove(path.c_str());
    rmdir(dir);
}

TEST(ProfileFile, WriteToAnUnwritableFolderFailsAndLeavesNothing)
{
    EXPECT_FALSE(WriteProfileString("/proc/nonexistent/p.ini", "S", "k", "v"));
}

} // namespace
