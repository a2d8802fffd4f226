#include "app/BrandingInfo.h"

#include "app/BrandingPassword.h"
#include "app/IniDocument.h"
#include "archive/ZipReader.h"
#include "platform/AsciiText.h"
#include "platform/FileIo.h"
#include "platform/ProgramFolder.h"

#include <filesystem>
#include <sstream>
#include <vector>

namespace {

// Far beyond any real branding file; a larger "info.dat", or a member that claims to unpack to
// more, is refused before memory is set aside for it.
constexpr std::uint64_t kMaxArchiveSize = 16u << 20;
constexpr std::uint64_t kMaxTextSize = 16u << 20;

BrandingInfo g_brandingInfo;

} // namespace

std::string CutText(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    // Back off over continuation bytes (10xxxxxx) to the start of the character that
    // straddles the cut, and drop that character whole. UTF-8 characters have at most three
    // continuation bytes, so other text loses at most three bytes more.
    std::size_t end = maxBytes;
    for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u;
         ++i)
        --end;
    return text.substr(0, end);
}

const BrandingInfo& TheBrandingInfo()
{
    return g_brandingInfo;
}

std::optional<BrandingInfo> ReadBrandingArchive(
    std::span<const std::uint8_t> image, const std::string& password)
{
    auto reader = ZipReader::OpenFromMemory(image.data(), image.size(), password);
    if (!reader)
        return std::nullopt;
    if (reader->ItemCount() != 1)
        return std::nullopt;
    auto item = reader->ItemInfo(0);
    if (!item || !EqualsIgnoringCase(item->name, "info.ini") || item->size == 0
        || item->size > kMaxTextSize)
        return std::nullopt;

    // The status is deliberately not consulted: a member that cannot be decrypted or inflated
    // leaves the buffer all zero bytes, which hold no section "Company".
    std::string text(static_cast<std::size_t>(item->size), '\0');
    reader->ExtractItem(0, text.data(), text.size());
    reader->Close();

    std::istringstream stream(std::move(text));
    IniDocument document;
    document.Parse(stream, false);
    const IniSection* company = document.FindSection("Company");
    if (!company)
        return std::nullopt;

    BrandingInfo info;
    // Values are cut rather than refused: a long copyright line is still a copyright line.
    info.SoftwareName = CutText(company->GetValue("SoftwareName"), BrandingInfo::kMaxFieldLength);
    info.Copyright = CutText(company->GetValue("Copyright"), BrandingInfo::kMaxFieldLength);
    info.Homepage = CutText(company->GetValue("Homepage"), BrandingInfo::kMaxFieldLength);
    info.Email = CutText(company->GetValue("Email"), BrandingInfo::kMaxFieldLength);
    info.Version = CutText(company->GetValue("Version"), BrandingInfo::kMaxFieldLength);
    if (info.SoftwareName.empty() || info.Copyright.empty() || info.Homepage.empty()
        || info.Email.empty() || info.Version.empty())
        return std::nullopt;
    return info;
}

bool LoadBrandingInfo()
{
    g_brandingInfo = BrandingInfo();
    std::string path = ProgramFolder() + "info.dat";
    // Only a regular file: a folder has no bytes and a named pipe would block start-up.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::string bytes;
    if (!ReadWholeFile(path, &bytes, kMaxArchiveSize))
        return false;
    const std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
    auto info = ReadBrandingArchive(image, BrandingPassword());
    if (!info)
        return false;
    g_brandingInfo = std::move(*info);
    return true;
}
