#include "platform/ProfileFile.h"
#include "tests/support/CaseName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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
    [](const auto& info) { return CaseName(info.param.name); });

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

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        char dir[] = "/tmp/profiletestXXXXXX";
        if (mkdtemp(dir))
            m_path = dir;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string FileText(const std::string& path)
{
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
    return text;
}

TEST(ProfileFile, ReadOnlyFileStaysByteForByte)
{
    // No write bit for the owner: root could write it, but the user made it read-only.
    for (const mode_t mode : {0444, 0400, 0466}) {
        SCOPED_TRACE(mode);
        ScratchFolder dir;
        const std::string path = dir / "p.ini";
        const std::string before = "; mine\r\n[S]\r\nk=old\r\n";
        ASSERT_TRUE(WriteFileAtomically(path, before));
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        struct stat was = {};
        ASSERT_EQ(stat(path.c_str(), &was), 0);

        EXPECT_FALSE(WriteProfileString(path, "S", "k", "new"));
        EXPECT_FALSE(WriteFileAtomically(path, "replaced"));

        struct stat now = {};
        ASSERT_EQ(stat(path.c_str(), &now), 0);
        EXPECT_EQ(FileText(path), before);
        EXPECT_EQ(now.st_ino, was.st_ino); // the very same file, not a copy
        EXPECT_EQ(now.st_mode & 07777, mode);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""),
                                std::filesystem::directory_iterator()),
                  1); // no temporary file left beside it
    }
}

// A profile that is not a regular file reads as missing at once and is not replaced; one
// larger than any profile is neither read nor cut down to the one key a write brings.
TEST(ProfileFile, AFifoOrAnOversizedFileReadsAsMissingAndIsLeftAlone)
{
    ScratchFolder dir;
    const std::string fifo = dir / "fifo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadProfileString(fifo, "S", "k", "none"), "none");
    EXPECT_FALSE(WriteProfileString(fifo, "S", "k", "v"));
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);

    const std::string big = dir / "big.ini";
    const std::string before
        = "[S]\nk=old\n; padding\n" + std::string(kMaxProfileFileSize, ';') + "\n";
    ASSERT_TRUE(WriteFileAtomically(big, before));
    EXPECT_EQ(ReadProfileString(big, "S", "k", "none"), "none");
    EXPECT_FALSE(WriteProfileString(big, "S", "k", "new"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(big, &text));
    EXPECT_EQ(text, before);

    // No profile folder at all: nothing is read, and nothing lands in the current folder.
    EXPECT_EQ(ReadProfileString("", "S", "k", "none"), "none");
    EXPECT_FALSE(WriteProfileString("", "S", "k", "v"));
}

TEST(ProfileFile, WritableFileKeepsItsMode)
{
    ScratchFolder dir;
    const std::string path = dir / "p.ini";
    ASSERT_TRUE(WriteProfileString(path, "S", "k", "old"));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteProfileString(path, "S", "k", "new"));
    struct stat now = {};
    ASSERT_EQ(stat(path.c_str(), &now), 0);
    EXPECT_EQ(now.st_mode & 07777, 0640u);
    EXPECT_EQ(FileText(path), "[S]\nk=new\n");
}

struct LinkCase
{
    const char* name;
    const char* link;   // where the profile is named, in the scratch folder
    const char* points; // what the link holds; "{dir}" stands for the scratch folder
    const char* target; // the file that must change
};

const LinkCase kLinkCases[] = {
    {"absolute", "p.ini", "{dir}/real/p.ini", "real/p.ini"},
    {"relative into another folder", "p.ini", "real/p.ini", "real/p.ini"},
    {"link to a link", "p.ini", "q.ini", "real/p.ini"}, // q.ini -> real/p.ini is made below
    {"link in a folder, relative upwards", "sub/p.ini", "../real/p.ini", "real/p.ini"},
};

class ProfileLinkTest : public testing::TestWithParam<LinkCase>
{
};

std::string Filled(std::string text, const std::string& dir)
{
    const std::size_t at = text.find("{dir}");
    if (at != std::string::npos)
        text.replace(at, 5, dir);
    return text;
}

TEST_P(ProfileLinkTest, WritesThroughToTheTargetAndKeepsTheLink)
{
    const LinkCase& c = GetParam();
    ScratchFolder dir;
    const std::string base = dir / "";
    std::filesystem::create_directories(base + "real");
    std::filesystem::create_directories(base + "sub");
    ASSERT_TRUE(WriteFileAtomically(base + "real/p.ini", "; kept\n[S]\nk=old\n"));
    ASSERT_EQ(symlink("real/p.ini", (base + "q.ini").c_str()), 0);
    const std::string link = base + c.link;
    const std::string points = Filled(c.points, base.substr(0, base.size() - 1));
    ASSERT_EQ(symlink(points.c_str(), link.c_str()), 0);

    ASSERT_TRUE(WriteProfileString(link, "S", "k", "new"));

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), points);
    EXPECT_EQ(FileText(base + c.target), "; kept\n[S]\nk=new\n");
    EXPECT_EQ(ReadProfileString(link, "S", "k", "ERROR"), "new");
    // The temporary file was made beside the target and renamed onto it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(base + "real"),
                            std::filesystem::directory_iterator()),
              1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileLinkTest, testing::ValuesIn(kLinkCases),
    [](const auto& info) { return CaseName(info.param.name); });

TEST(ProfileFile, DanglingLinkCreatesItsTarget)
{
    ScratchFolder dir;
    const std::string link = dir / "p.ini";
    ASSERT_EQ(symlink("made.ini", link.c_str()), 0);
    ASSERT_TRUE(WriteProfileString(link, "S", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileText(dir / "made.ini"), "[S]\nk=v\n");
}

TEST(ProfileFile, LinkToAReadOnlyFileOrALoopChangesNothing)
{
    ScratchFolder dir;
    const std::string target = dir / "real.ini";
    ASSERT_TRUE(WriteFileAtomically(target, "[S]\nk=old\n"));
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(symlink("real.ini", (dir / "p.ini").c_str()), 0);
    EXPECT_FALSE(WriteProfileString(dir / "p.ini", "S", "k", "new"));
    EXPECT_EQ(FileText(target), "[S]\nk=old\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "p.ini"));

    ASSERT_EQ(symlink("b.ini", (dir / "a.ini").c_str()), 0);
    ASSERT_EQ(symlink("a.ini", (dir / "b.ini").c_str()), 0);
    EXPECT_FALSE(WriteProfileString(dir / "a.ini", "S", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "a.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "b.ini"));
}

} // namespace
