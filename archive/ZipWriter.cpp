#include "archive/ZipWriter.h"

#include "archive/PkwareCipher.h"

#include <optional>
#include <utility>
#include <zlib.h>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFFu));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

void PutBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

std::optional<std::vector<std::uint8_t>> RawDeflate(std::span<const std::uint8_t> data)
{
    z_stream zs {};
    if (deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    std::vector<std::uint8_t> out(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END)
        return std::nullopt;
    return out;
}

} // namespace

bool ZipWriter::AddMember(
    const std::string& name, const std::string& text, const MemberOptions& options)
{
    return AddMember(name,
        std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
        options);
}

bool ZipWriter::AddMember(
    const std::string& name, std::span<const std::uint8_t> data, const MemberOptions& options)
{
    if (name.size() > 0xFFFF || data.size() > 0x7FFFFFFF || m_count == 0xFFFF)
        return false;

    std::uint32_t crc
        = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
    std::vector<std::uint8_t> payload(data.begin(), data.end());
    if (options.method == ZipMethod::Deflated) {
        auto deflated = RawDeflate(data);
        if (!deflated)
            return false;
        payload = std::move(*deflated);
    }

    std::uint16_t flags = 0;
    if (!options.password.empty()) {
        flags |= 1;
        // Eleven filler bytes from a fixed generator (reproducible output), then the check
        // byte that readers compare to tell a wrong password.
        std::vector<std::uint8_t> header(PkwareCipher::kHeaderSize);
        std::uint32_t seed = crc ^ (0x9E3779B9u * (m_count + 1u));
        for (std::size_t i = 0; i + 1 < header.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            header[i] = static_cast<std::uint8_t>(seed >> 16);
        }
        header.back() = options.dataDescriptor ? static_cast<std::uint8_t>(options.dosTime >> 8)
                                               : static_cast<std::uint8_t>(crc >> 24);
        payload.insert(payload.begin(), header.begin(), header.end());
        PkwareCipher cipher(options.password);
        cipher.Encrypt(payload.data(), payload.size());
    }
    if (options.dataDescriptor)
        flags |= 8;

    auto offset = static_cast<std::uint32_t>(m_members.size());
    auto compressedSize = static_cast<std::uint32_t>(payload.size());
    auto size = static_cast<std::uint32_t>(data.size());
    auto method = static_cast<std::uint16_t>(options.method);

    Put32(m_members, 0x04034B50u);
    Put16(m_members, 20);
    Put16(m_members, flags);
    Put16(m_members, method);
    Put16(m_members, options.dosTime);
    Put16(m_members, options.dosDate);
    Put32(m_members, options.dataDescriptor ? 0 : crc);
    Put32(m_members, options.dataDescriptor ? 0 : compressedSize);
    Put32(m_members, options.dataDescriptor ? 0 : size);
    Put16(m_members, static_cast<std::uint32_t>(name.size()));
    Put16(m_members, 0);
    PutBytes(m_members, name.data(), name.size());
    PutBytes(m_members, payload.data(), payload.size());
    if (options.dataDescriptor) {
        Put32(m_members, 0x08074B50u);
        Put32(m_members, crc);
        Put32(m_members, compressedSize);
        Put32(m_members, size);
    }

    Put32(m_centralDirectory, 0x02014B50u);
    Put16(m_centralDirectory, 0x031E); // made by: Unix, 3.0
    Put16(m_centralDirectory, 20);
    Put16(m_centralDirectory, flags);
    Put16(m_centralDirectory, method);
    Put16(m_centralDirectory, options.dosTime);
    Put16(m_centralDirectory, options.dosDate);
    Put32(m_centralDirectory, crc);
    Put32(m_centralDirectory, compressedSize);
    Put32(m_centralDirectory, size);
    Put16(m_centralDirectory, static_cast<std::uint32_t>(name.size()));
    Put16(m_centralDirectory, 0); // extra field
    Put16(m_centralDirectory, 0); // comment
    Put16(m_centralDirectory, 0); // disk
    Put16(m_centralDirectory, 0); // internal attributes
    Put32(m_centralDirectory, 0100644u << 16); // regular file, rw-r--r--
    Put32(m_centralDirectory, offset);
    PutBytes(m_centralDirectory, name.data(), name.size());
    ++m_count;
    return true;
}

std::vector<std::uint8_t> ZipWriter::Finish() const
{
    std::vector<std::uint8_t> image = m_members;
    PutBytes(image, m_centralDirectory.data(), m_centralDirectory.size());
    Put32(image, 0x06054B50u);
    Put16(image, 0);
    Put16(image, 0);
    Put16(image, m_count);
    Put16(image, m_count);
    Put32(image, static_cast<std::uint32_t>(m_centralDirectory.size()));
    Put32(image, static_cast<std::uint32_t>(m_members.size()));
    Put16(image, 0);
    return image;
}
