#include "archive/ZipReader.h"

#include "archive/PkwareCipher.h"
#include "tests/support/ZipTestArchives.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

const std::string kText = "[Company]\nSoftwareName=Sablewick\nCopyright=(C) Tellurvane\n"
                          "Homepage=https://www.tellurvane.example/\n";
constexpr std::size_t kLocalHeaderSize = 30;

std::string Extracted(ZipReader& reader, int index, std::size_t size, ZipStatus* status)
{
    std::string buffer(size, '\0');
    *status = reader.ExtractItem(index, buffer.data(), buffer.size());
    return buffer;
}

struct ExtractCase
{
    const char* what;
    ZipWriter::MemberOptions written;
    std::string readPassword;
    ZipStatus status;
};

void PrintTo(const ExtractCase& c, std::ostream* os)
{
    *os << c.what;
}

class ZipExtractTest : public testing::TestWithParam<ExtractCase>
{
};

TEST_P(ZipExtractTest, ExtractsOrLeavesTheBufferUntouched)
{
    const ExtractCase& c = GetParam();
    auto image = MakeArchive({ { "info.ini", kText, c.written } });
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), c.readPassword);
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(reader->ItemCount(), 1);
    auto info = reader->ItemInfo(0);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "info.ini");
    EXPECT_EQ(info->size, kText.size());

    ZipStatus status {};
    std::string out = Extracted(*reader, 0, kText.size(), &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(out, c.status == ZipStatus::Ok ? kText : std::string(kText.size(), '\0'));
}

const ExtractCase kExtractCases[] = {
    { "stored", Options(ZipMethod::Stored), "Veldrin", ZipStatus::Ok },
    { "deflated", Options(ZipMethod::Deflated), "", ZipStatus::Ok },
    { "stored, right password", Options(ZipMethod::Stored, "Secrets"), "Secrets", ZipStatus::Ok },
    { "deflated, right password", Options(ZipMethod::Deflated, "Secrets"), "Secrets",
        ZipStatus::Ok },
    { "deflated, wrong password", Options(ZipMethod::Deflated, "Secrets"), "secrets",
        ZipStatus::BadPassword },
    { "stored, no password", Options(ZipMethod::Stored, "Secrets"), "", ZipStatus::BadPassword },
    { "data descriptor, right password", Options(ZipMethod::Deflated, "Secrets", true), "Secrets",
        ZipStatus::Ok },
    { "data descriptor, wrong password", Options(ZipMethod::Deflated, "Secrets", true), "Secretz",
        ZipStatus::BadPassword },
};

INSTANTIATE_TEST_SUITE_P(Members, ZipExtractTest, testing::ValuesIn(kExtractCases),
    [](const testing::TestParamInfo<ExtractCase>& info) { return CaseName(info.param.what); });

TEST(ZipReaderTest, DataDescriptorChecksTheTimeNotTheCrc)
{
    // A writer that put the CRC's high byte in the header would be refused here, and a reader
    // that compared with it would refuse this archive.
    auto options = Options(ZipMethod::Stored, "Secrets", true);
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(kText.data()), static_cast<uInt>(kText.size())));
    ASSERT_NE(crc >> 24, static_cast<std::uint32_t>(options.dosTime >> 8));
    auto image = MakeArchive({ { "info.ini", kText, options } });

    std::uint8_t header[PkwareCipher::kHeaderSize];
    std::copy_n(image.begin() + kLocalHeaderSize + 8, PkwareCipher::kHeaderSize, header);
    PkwareCipher("Secrets").Decrypt(header, sizeof header);
    EXPECT_EQ(header[11], options.dosTime >> 8);

    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "Secrets");
    ASSERT_NE(reader, nullptr);
    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 0, kText.size(), &status), kText);
    EXPECT_EQ(status, ZipStatus::Ok);
}

TEST(ZipReaderTest, WrongPasswordThatPassesTheHeaderCheckStillGivesNothing)
{
    // One wrong password in 256 gets past the check byte; the CRC must stop it.
    auto image = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Deflated, "Secrets") } });
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(kText.data()), static_cast<uInt>(kText.size())));
    std::string lucky;
    for (int i = 0; i < 100000 && lucky.empty(); ++i) {
        std::string candidate = "wrong" + std::to_string(i);
        std::uint8_t header[PkwareCipher::kHeaderSize];
        std::copy_n(image.begin() + kLocalHeaderSize + 8, PkwareCipher::kHeaderSize, header);
        PkwareCipher(candidate).Decrypt(header, sizeof header);
        if (header[11] == (crc >> 24))
            lucky = candidate;
    }
    ASSERT_FALSE(lucky.empty());

    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), lucky);
    ASSERT_NE(reader, nullptr);
    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 0, kText.size(), &status), std::string(kText.size(), '\0'));
    EXPECT_TRUE(status == ZipStatus::DataError || status == ZipStatus::CrcMismatch);
}

TEST(ZipReaderTest, DamagedDataGivesNothing)
{
    auto image = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Stored) } });
    image[kLocalHeaderSize + 8 + 3] ^= 0x20; // a letter of "[Company]" changes case
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 0, kText.size(), &status), std::string(kText.size(), '\0'));
    EXPECT_EQ(status, ZipStatus::CrcMismatch);
}

TEST(ZipReaderTest, DataLongerThanDeclaredIsRefused)
{
    auto image = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Deflated) } });
    std::size_t central = FindSignature(image, 0x02014B50u);
    ASSERT_NE(central, std::string::npos);
    // Uncompressed size one byte short, in the local and the central header alike.
    image[22] -= 1;
    image[central + 24] -= 1;
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    ZipStatus status {};
    std::string out = Extracted(*reader, 0, kText.size() - 1, &status);
    EXPECT_EQ(status, ZipStatus::DataError);
    EXPECT_EQ(out, std::string(kText.size() - 1, '\0'));
}

TEST(ZipReaderTest, OtherCompressionMethodsAreRefused)
{
    auto image = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Stored) } });
    std::size_t central = FindSignature(image, 0x02014B50u);
    ASSERT_NE(central, std::string::npos);
    image[8] = 12; // bzip2, in the local and the central header alike
    image[central + 10] = 12;
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 0, kText.size(), &status), std::string(kText.size(), '\0'));
    EXPECT_EQ(status, ZipStatus::Unsupported);
}

TEST(ZipReaderTest, SmallBufferIsRefusedUntouched)
{
    auto image = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Deflated) } });
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 0, 10, &status), std::string(10, '\0'));
    EXPECT_EQ(status, ZipStatus::BufferTooSmall);
}

TEST(ZipReaderTest, ListsSeveralMembers)
{
    auto image = MakeArchive({ { "info.ini", "[A]\n", Options(ZipMethod::Stored) },
        { "dir/other.txt", "", Options(ZipMethod::Deflated) } });
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(reader->ItemCount(), 2);
    EXPECT_EQ(reader->ItemInfo(0)->name, "info.ini");
    EXPECT_EQ(reader->ItemInfo(1)->name, "dir/other.txt");
    EXPECT_EQ(reader->ItemInfo(1)->size, 0u);
    EXPECT_FALSE(reader->ItemInfo(2));
    EXPECT_FALSE(reader->ItemInfo(-1));

    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 1, 0, &status), "");
    EXPECT_EQ(status, ZipStatus::Ok);
    EXPECT_EQ(Extracted(*reader, 0, 4, &status), "[A]\n");
    EXPECT_EQ(status, ZipStatus::Ok);
    EXPECT_EQ(reader->ExtractItem(2, nullptr, 0), ZipStatus::BadIndex);

    reader->Close();
    EXPECT_EQ(reader->ItemCount(), 0);
    EXPECT_FALSE(reader->ItemInfo(0));
}

TEST(ZipReaderTest, RefusesWhatIsNotAnArchive)
{
    auto good = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Deflated) } });
    std::vector<std::vector<std::uint8_t>> images = {
        {}, std::vector<std::uint8_t>(kText.begin(), kText.end()),
        std::vector<std::uint8_t>(4096, 0),
        std::vector<std::uint8_t>(good.begin(), good.end() - 10), // end record cut off
        std::vector<std::uint8_t>(good.begin(), good.begin() + 40), // only a local header
    };
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ZipReader::OpenFromMemory(images[i].data(), images[i].size(), ""), nullptr);
    }
    EXPECT_EQ(ZipReader::OpenFromMemory(nullptr, 10, ""), nullptr);
}

TEST(ZipReaderTest, KeepsItsOwnCopyOfTheImage)
{
    auto image = MakeArchive({ { "info.ini", kText, Options(ZipMethod::Deflated) } });
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    std::fill(image.begin(), image.end(), 0);
    image.clear();
    image.shrink_to_fit();
    ZipStatus status {};
    EXPECT_EQ(Extracted(*reader, 0, kText.size(), &status), kText);
}

TEST(ZipReaderTest, CleansMemberNamesAtTheFront)
{
    const std::pair<const char*, const char*> cases[] = {
        { "info.ini", "info.ini" },
        { "C:info.ini", "info.ini" },
        { "c:\\info.ini", "info.ini" },
        { "/info.ini", "info.ini" },
        { "\\\\/info.ini", "info.ini" },
        { "dir/info.ini", "dir/info.ini" },
        { "a/../info.ini", "info.ini" },
        { "a\\..\\b/../c/info.ini", "c/info.ini" },
        { "/../info.ini", "info.ini" },
        { "C:/../../info.ini", "info.ini" },
        { "../info.ini", "../info.ini" },
        { "a/..b/info.ini", "a/..b/info.ini" },
        { "1:info.ini", "1:info.ini" },
    };
    for (const auto& [raw, clean] : cases)
        EXPECT_EQ(CleanMemberName(raw), clean) << raw;

    auto image = MakeArchive({ { "C:\\x\\..\\INFO.INI", kText, Options(ZipMethod::Stored) } });
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), "");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->ItemInfo(0)->name, "INFO.INI");
}

} // namespace
