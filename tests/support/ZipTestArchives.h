#pragma once

#include "archive/ZipWriter.h"
#include "tests/support/CaseName.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Archives made on the spot with our own writer, so every shape the reader must handle is
// visible in the test that uses it.
struct TestMember
{
    std::string name;
    std::string content;
    ZipWriter::MemberOptions options {};
};

inline std::vector<std::uint8_t> MakeArchive(const std::vector<TestMember>& members)
{
    ZipWriter writer;
    for (const TestMember& member : members) {
        if (!writer.AddMember(member.name, member.content, member.options))
            return {};
    }
    return writer.Finish();
}

inline ZipWriter::MemberOptions Options(
    ZipMethod method, std::string password = {}, bool dataDescriptor = false)
{
    ZipWriter::MemberOptions options;
    options.method = method;
    options.password = std::move(password);
    options.dataDescriptor = dataDescriptor;
    return options;
}

// Position of the first occurrence of a 32-bit little-endian signature, or npos.
inline std::size_t FindSignature(const std::vector<std::uint8_t>& image, std::uint32_t signature)
{
    for (std::size_t i = 0; i + 4 <= image.size(); ++i) {
        std::uint32_t v = image[i] | (image[i + 1] << 8) | (image[i + 2] << 16)
            | (static_cast<std::uint32_t>(image[i + 3]) << 24);
        if (v == signature)
            return i;
    }
    return std::string::npos;
}
