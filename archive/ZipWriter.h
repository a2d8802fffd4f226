#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class ZipMethod : std::uint16_t
{
    Stored = 0,
    Deflated = 8,
};

// Writes a ZIP archive image in memory: stored or deflated members, optionally under the
// traditional PKWARE encryption. Used to make the branding archive at build time and archives
// of every shape in tests. The output depends only on the input, so builds are reproducible.
class ZipWriter
{
public:
    struct MemberOptions
    {
        ZipMethod method = ZipMethod::Deflated;
        // Empty: not encrypted.
        std::string password;
        // Sets flag bit 3 and writes sizes and CRC after the data, as streaming writers do;
        // the encryption header then checks against the modification time.
        bool dataDescriptor = false;
        std::uint16_t dosTime = 0x5300; // 10:24:00
        std::uint16_t dosDate = 0x5A6E; // 2025-03-14
    };

    // False when the member does not fit a plain (non-ZIP64) archive or cannot be deflated.
    bool AddMember(
        const std::string& name, std::span<const std::uint8_t> data, const MemberOptions& options);
    bool AddMember(const std::string& name, const std::string& text, const MemberOptions& options);

    // The finished archive: the members, the central directory and its end record.
    std::vector<std::uint8_t> Finish() const;

private:
    std::vector<std::uint8_t> m_members;
    std::vector<std::uint8_t> m_centralDirectory;
    std::uint16_t m_count = 0;
};
