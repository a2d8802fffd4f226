// The ZIP reader with its PKWARE decryption on any archive image, the branding loader on top
// of it, and the writer and reader together on any member content.

#include "app/BrandingInfo.h"
#include "app/BrandingPassword.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kFill = 0xA5;
constexpr std::size_t kMaxMemberSize = 1u << 20;
constexpr int kMaxItems = 16;

bool AllFill(const std::vector<std::uint8_t>& buffer)
{
    return std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == kFill; });
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// What the name cleaning promises: no leading separator, no ".." step between separators.
void CheckCleanName(const std::string& name)
{
    FUZZ_CHECK(name.empty() || !IsSeparator(name.front()));
    for (std::size_t p = 0; p + 4 <= name.size(); ++p)
        FUZZ_CHECK(!(IsSeparator(name[p]) && name[p + 1] == '.' && name[p + 2] == '.'
            && IsSeparator(name[p + 3])));
}

void ReadEveryItem(const std::uint8_t* data, std::size_t size, const std::string& password)
{
    auto reader = ZipReader::OpenFromMemory(data, size, password);
    if (!reader)
        return;
    const int count = std::min(reader->ItemCount(), kMaxItems);
    for (int i = 0; i < count; ++i) {
        auto info = reader->ItemInfo(i);
        if (!info)
            continue;
        CheckCleanName(info->name);
        if (info->size > kMaxMemberSize) {
            // Refused (too small a buffer, unless something is wrong before that).
            std::vector<std::uint8_t> small(16, kFill);
            FUZZ_CHECK(reader->ExtractItem(i, small.data(), small.size()) != ZipStatus::Ok);
            FUZZ_CHECK(AllFill(small));
            continue;
        }
        // The buffer gets bytes only once they have passed every check.
        std::vector<std::uint8_t> buffer(info->size, kFill);
        const ZipStatus status = reader->ExtractItem(i, buffer.data(), buffer.size());
        if (status != ZipStatus::Ok) {
            FUZZ_CHECK(AllFill(buffer));
            continue;
        }
        if (!buffer.empty()) {
            std::vector<std::uint8_t> shorter(buffer.size() - 1, kFill);
            FUZZ_CHECK(reader->ExtractItem(i, shorter.data(), shorter.size())
                == ZipStatus::BufferTooSmall);
            FUZZ_CHECK(AllFill(shorter));
        }
    }
    FUZZ_CHECK(reader->ExtractItem(count == 0 ? 0 : -1, nullptr, 0) == ZipStatus::BadIndex);
    reader->Close();
    FUZZ_CHECK(reader->ItemCount() == 0);
}

// The input as the content of a member that our writer stores, the first byte choosing how.
void RoundTrip(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return;
    const std::uint8_t how = data[0];
    ZipWriter::MemberOptions options;
    options.method = (how & 1) ? ZipMethod::Deflated : ZipMethod::Stored;
    options.password = (how & 2) ? "fuzz" : "";
    options.dataDescriptor = (how & 4) != 0;
    const std::span<const std::uint8_t> content(data + 1, size - 1);
    ZipWriter writer;
    FUZZ_CHECK(writer.AddMember("dir/member.bin", content, options));
    const std::vector<std::uint8_t> image = writer.Finish();

    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), options.password);
    FUZZ_CHECK(reader);
    FUZZ_CHECK(reader->ItemCount() == 1);
    auto info = reader->ItemInfo(0);
    FUZZ_CHECK(info && info->name == "dir/member.bin" && info->size == content.size());
    std::vector<std::uint8_t> buffer(content.size(), kFill);
    FUZZ_CHECK(reader->ExtractItem(0, buffer.data(), buffer.size()) == ZipStatus::Ok);
    FUZZ_CHECK(std::equal(buffer.begin(), buffer.end(), content.begin(), content.end()));

    if (!options.password.empty() && !content.empty()) {
        // A wrong password is refused (by the check byte, or else by the CRC) and writes
        // nothing. An empty member has nothing for the CRC to catch.
        auto wrong = ZipReader::OpenFromMemory(image.data(), image.size(), "fuzz!");
        FUZZ_CHECK(wrong);
        std::vector<std::uint8_t> untouched(content.size(), kFill);
        FUZZ_CHECK(wrong->ExtractItem(0, untouched.data(), untouched.size()) != ZipStatus::Ok);
        FUZZ_CHECK(AllFill(untouched));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string kBrandingPassword = BrandingPassword();
    ReadEveryItem(data, size, kBrandingPassword);
    ReadBrandingArchive(std::span<const std::uint8_t>(data, size), kBrandingPassword);
    RoundTrip(data, size);
    return 0;
}
