#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The product's name, copyright line, home page, support e-mail and version, read once at
// start-up from the branding archive "info.dat" in the program's folder (section "Company" of
// its single member "info.ini"). Texts are UTF-8 bytes.
struct BrandingInfo
{
    // Each field holds at most this many bytes; a longer value is cut, at a character boundary.
    static constexpr std::size_t kMaxFieldLength = 1023;

    std::string SoftwareName;
    std::string Copyright;
    std::string Homepage;
    std::string Email;
    std::string Version;
};

// The process-wide record: empty until LoadBrandingInfo succeeds, read-only afterwards.
const BrandingInfo& TheBrandingInfo();

// Reads "info.dat" from the program's folder into the process-wide record. True when all five
// fields are present and non-empty; on false the record is left empty.
bool LoadBrandingInfo();

// The record held in an archive image, or none when the image is not a complete branding
// archive under that password.
std::optional<BrandingInfo> ReadBrandingArchive(
    std::span<const std::uint8_t> image, const std::string& password);

// The first maxBytes bytes of text, one byte fewer for each byte of a UTF-8 character that
// would otherwise be cut in half.
std::string CutText(const std::string& text, std::size_t maxBytes);
