#include "app/BrandingInfo.h"

#include "app/BrandingPassword.h"
#include "platform/ProgramFolder.h"
#include "tests/support/ZipTestArchives.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const std::string kPassword = BrandingPassword();

const std::string kGoodText = "[Company]\n"
                              "SoftwareName=Sablewick Video to GIF Converter\n"
                              "Copyright=Copyright (C) 2025 Tellurvane Software\n"
                              "Homepage=https://www.tellurvane.example/\n"
                              "Email=support@tellurvane.example\n"
                              "Version=1.0.0\n";

ZipWriter::MemberOptions Encrypted(ZipMethod method = ZipMethod::Deflated)
{
    return Options(method, kPassword);
}

struct ArchiveCase
{
    const char* what;
    std::vector<TestMember> members;
    bool loads;
};

void PrintTo(const ArchiveCase& c, std::ostream* os)
{
    *os << c.what;
}

class BrandingArchiveTest : public testing::TestWithParam<ArchiveCase>
{
};

TEST_P(BrandingArchiveTest, LoadsOnlyACompleteRecord)
{
    const ArchiveCase& c = GetParam();
    auto image = MakeArchive(c.members);
    auto info = ReadBrandingArchive(image, kPassword);
    ASSERT_EQ(info.has_value(), c.loads);
    if (c.loads) {
        EXPECT_EQ(info->SoftwareName, "Sablewick Video to GIF Converter");
        EXPECT_EQ(info->Copyright, "Copyright (C) 2025 Tellurvane Software");
        EXPECT_EQ(info->Homepage, "https://www.tellurvane.example/");
        EXPECT_EQ(info->Email, "support@tellurvane.example");
        EXPECT_EQ(info->Version, "1.0.0");
    }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

const ArchiveCase kArchiveCases[] = {
    { "one encrypted deflated member", { { "info.ini", kGoodText, Encrypted() } }, true },
    { "encrypted stored", { { "info.ini", kGoodText, Encrypted(ZipMethod::Stored) } }, true },
    { "not encrypted", { { "info.ini", kGoodText, Options(ZipMethod::Deflated) } }, true },
    { "data descriptor",
        { { "info.ini", kGoodText, Options(ZipMethod::Deflated, kPassword, true) } }, true },
    { "name in capitals", { { "INFO.INI", kGoodText, Encrypted() } }, true },
    { "name behind a slash", { { "/info.ini", kGoodText, Encrypted() } }, true },
    { "name in a folder", { { "dir/info.ini", kGoodText, Encrypted() } }, false },
    { "other name", { { "info.txt", kGoodText, Encrypted() } }, false },
    { "two members", { { "info.ini", kGoodText, Encrypted() }, { "readme.txt", "x", Encrypted() } },
        false },
    { "no member", {}, false },
    { "empty member", { { "info.ini", "", Encrypted() } }, false },
    { "wrong password", { { "info.ini", kGoodText, Options(ZipMethod::Deflated, "Wrongpw") } },
        false },
    { "lower-case names",
        { { "info.ini",
            "[company]\nsoftwarename=Sablewick Video to GIF Converter\n"
            "COPYRIGHT=Copyright (C) 2025 Tellurvane "
            "Software\nhomepage=https://www.tellurvane.example/\n"
            "email=support@tellurvane.example\nversion=1.0.0\n",
            Encrypted() } },
        true },
    { "CR LF line ends", { { "info.ini", WithCrLf(kGoodText), Encrypted() } }, true },
    { "keys before the header",
        { { "info.ini", Replaced(kGoodText, "[Company]\n", "") + "[Company]\n", Encrypted() } },
        false },
    { "key without value",
        { { "info.ini", Replaced(kGoodText, "Version=1.0.0", "Version="), Encrypted() } }, false },
    { "key missing", { { "info.ini", Replaced(kGoodText, "Email=", "Mail="), Encrypted() } },
        false },
    { "section split in two, later value wins",
        { { "info.ini",
            Replaced(kGoodText, "Version=1.0.0\n",
                "Version=0.9\n[Other]\nVersion=2\n[COMPANY]\n"
                "Version=1.0.0\n"),
            Encrypted() } },
        true },
    { "another section only",
        { { "info.ini", Replaced(kGoodText, "[Company]", "[Compan]"), Encrypted() } }, false },
};

INSTANTIATE_TEST_SUITE_P(Archives, BrandingArchiveTest, testing::ValuesIn(kArchiveCases),
    [](const testing::TestParamInfo<ArchiveCase>& info) { return CaseName(info.param.what); });

TEST(BrandingArchiveTest, RefusesWhatIsNotAZip)
{
    std::vector<std::uint8_t> text(kGoodText.begin(), kGoodText.end());
    EXPECT_FALSE(ReadBrandingArchive(text, kPassword));
    EXPECT_FALSE(ReadBrandingArchive({}, kPassword));
}

TEST(BrandingArchiveTest, ValuesKeepTheirBlanks)
{
    auto image = MakeArchive({ { "info.ini",
        Replaced(kGoodText, "Version=1.0.0", "  Version \t=  1.0 = beta "), Encrypted() } });
    auto info = ReadBrandingArchive(image, kPassword);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Version, "  1.0 = beta ");
}

TEST(BrandingArchiveTest, LongValuesAreCutTo1023Bytes)
{
    std::string longName(1500, 'n');
    // A two-byte character straddling byte 1023 is dropped whole.
    std::string longCopyright = std::string(1022, 'c') + "\xC2\xA9 Tellurvane";
    auto image = MakeArchive({ { "info.ini",
        Replaced(Replaced(kGoodText, "Sablewick Video to GIF Converter", longName),
            "Copyright (C) 2025 Tellurvane Software", longCopyright),
        Encrypted() } });
    auto info = ReadBrandingArchive(image, kPassword);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->SoftwareName, std::string(1023, 'n'));
    EXPECT_EQ(info->Copyright, std::string(1022, 'c'));
}

TEST(BrandingInfoTest, CutTextKeepsWholeCharacters)
{
    EXPECT_EQ(CutText("abc", 3), "abc");
    EXPECT_EQ(CutText("abcd", 3), "abc");
    EXPECT_EQ(CutText("ab\xC3\xA9", 3), "ab"); // é cut after its first byte
    EXPECT_EQ(CutText("a\xC3\xA9z", 3), "a\xC3\xA9"); // é ends at the cut
    EXPECT_EQ(CutText("a\xF0\x9F\x98\x80", 4), "a"); // four-byte character
    EXPECT_EQ(CutText(std::string(10, '\xA0'), 5), std::string(2, '\xA0')); // not UTF-8
}

class LoadBrandingInfoTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "branding-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern + "/";
        SetProgramFolderForTesting(m_folder);
    }

    void TearDown() override
    {
        SetProgramFolderForTesting("");
        std::filesystem::remove_all(m_folder);
    }

    void WriteInfoDat(const std::vector<std::uint8_t>& image)
    {
        std::ofstream out(m_folder + "info.dat", std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
    }

    std::string m_folder;
};

TEST_F(LoadBrandingInfoTest, FillsTheRecordFromTheProgramFolder)
{
    WriteInfoDat(MakeArchive({ { "info.ini", kGoodText, Encrypted() } }));
    ASSERT_TRUE(LoadBrandingInfo());
    EXPECT_EQ(TheBrandingInfo().SoftwareName, "Sablewick Video to GIF Converter");
    EXPECT_EQ(TheBrandingInfo().Email, "support@tellurvane.example");
}

TEST_F(LoadBrandingInfoTest, FailsWithoutInfoDatAndLeavesTheRecordEmpty)
{
    WriteInfoDat(MakeArchive({ { "info.ini", kGoodText, Encrypted() } }));
    ASSERT_TRUE(LoadBrandingInfo());
    std::filesystem::remove(m_folder + "info.dat");
    EXPECT_FALSE(LoadBrandingInfo());
    EXPECT_EQ(TheBrandingInfo().SoftwareName, "");
}

TEST_F(LoadBrandingInfoTest, FailsOnAFolderOrPipeNamedInfoDat)
{
    std::filesystem::create_directory(m_folder + "info.dat");
    EXPECT_FALSE(LoadBrandingInfo());
    std::filesystem::remove(m_folder + "info.dat");
    // Opening a pipe nobody writes to would wait for ever.
    ASSERT_EQ(mkfifo((m_folder + "info.dat").c_str(), 0600), 0);
    EXPECT_FALSE(LoadBrandingInfo());
}

TEST_F(LoadBrandingInfoTest, FailsOnAnIncompleteRecord)
{
    WriteInfoDat(
        MakeArchive({ { "info.ini", Replaced(kGoodText, "Homepage=", "Home="), Encrypted() } }));
    EXPECT_FALSE(LoadBrandingInfo());
}

TEST(BuiltBrandingArchiveTest, LoadsWithTheProductName)
{
    SetProgramFolderForTesting(SABLEWICK_BIN_DIR);
    bool loaded = LoadBrandingInfo();
    SetProgramFolderForTesting("");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(TheBrandingInfo().SoftwareName, "Sablewick Video to GIF Converter");
    EXPECT_FALSE(TheBrandingInfo().Copyright.empty());
    EXPECT_FALSE(TheBrandingInfo().Homepage.empty());
    EXPECT_FALSE(TheBrandingInfo().Email.empty());
    EXPECT_FALSE(TheBrandingInfo().Version.empty());

    // The shipped archive is encrypted: without the password there is nothing to read.
    std::ifstream in(std::string(SABLEWICK_BIN_DIR) + "info.dat", std::ios::binary);
    std::vector<std::uint8_t> image(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(ReadBrandingArchive(image, BrandingPassword()));
    EXPECT_FALSE(ReadBrandingArchive(image, ""));
}

TEST(BrandingPasswordTest, IsSevenAsciiLetters)
{
    std::string password = BrandingPassword();
    ASSERT_EQ(password.size(), 7u);
    for (char c : password)
        EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << c;
}

} // namespace
