#include "archive/ZipReader.h"

#include "archive/PkwareCipher.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <unzip.h>
#include <utility>
#include <zlib.h>

// The archive image and the one read position minizip works with.
struct ZipImage
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t position = 0;
    bool open = false;
};

namespace {

constexpr std::uint16_t kFlagEncrypted = 1;
constexpr std::uint16_t kFlagDataDescriptor = 8;

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

// minizip's file callbacks over the image; the stream handle is the image itself.
namespace {
namespace memio {

    voidpf Open(voidpf opaque, const void*, int mode)
    {
        auto* image = static_cast<ZipImage*>(opaque);
        if (image->open || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
            return nullptr;
        image->open = true;
        image->position = 0;
        return image;
    }

    uLong Read(voidpf, voidpf stream, void* buf, uLong size)
    {
        auto* image = static_cast<ZipImage*>(stream);
        std::uint64_t available = image->bytes.size() - image->position;
        std::uint64_t count = std::min<std::uint64_t>(size, available);
        if (count > 0)
            std::memcpy(buf, image->bytes.data() + image->position, count);
        image->position += count;
        return static_cast<uLong>(count);
    }

    uLong Write(voidpf, voidpf, const void*, uLong)
    {
        return 0;
    }

    ZPOS64_T Tell(voidpf, voidpf stream)
    {
        return static_cast<ZipImage*>(stream)->position;
    }

    long Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
    {
        auto* image = static_cast<ZipImage*>(stream);
        std::uint64_t size = image->bytes.size();
        std::uint64_t base = 0;
        switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            base = 0;
            break;
        case ZLIB_FILEFUNC_SEEK_CUR:
            base = image->position;
            break;
        case ZLIB_FILEFUNC_SEEK_END:
            base = size;
            break;
        default:
            return -1;
        }
        // Offsets are unsigned here; minizip never seeks backwards from a base, only to it.
        if (offset > size - base)
            return -1;
        image->position = base + offset;
        return 0;
    }

    int Close(voidpf, voidpf stream)
    {
        static_cast<ZipImage*>(stream)->open = false;
        return 0;
    }

    int Error(voidpf, voidpf)
    {
        return 0;
    }

} // namespace memio
} // namespace

std::string CleanMemberName(const std::string& name)
{
    std::string_view rest(name);
    if (rest.size() >= 2 && rest[1] == ':'
        && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z')))
        rest.remove_prefix(2);
    for (std::size_t i = rest.size(); i >= 4; --i) {
        std::size_t p = i - 4;
        if (IsSeparator(rest[p]) && rest[p + 1] == '.' && rest[p + 2] == '.'
            && IsSeparator(rest[p + 3])) {
            rest.remove_prefix(p + 4);
            break;
        }
    }
    while (!rest.empty() && IsSeparator(rest.front()))
        rest.remove_prefix(1);
    return std::string(rest);
}

void ZipReader::UnzCloser::operator()(void* handle) const
{
    unzClose(handle);
}

ZipReader::ZipReader(std::unique_ptr<ZipImage> image, std::string password)
    : m_image(std::move(image))
    , m_password(std::move(password))
{ }

ZipReader::~ZipReader() = default;

std::unique_ptr<ZipReader> ZipReader::OpenFromMemory(
    const void* data, std::size_t size, std::string password)
{
    if (!data && size > 0)
        return nullptr;
    auto image = std::make_unique<ZipImage>();
    if (size > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        image->bytes.assign(bytes, bytes + size);
    }
    std::unique_ptr<ZipReader> reader(new ZipReader(std::move(image), std::move(password)));

    zlib_filefunc64_def functions {};
    functions.zopen64_file = memio::Open;
    functions.zread_file = memio::Read;
    functions.zwrite_file = memio::Write;
    functions.ztell64_file = memio::Tell;
    functions.zseek64_file = memio::Seek;
    functions.zclose_file = memio::Close;
    functions.zerror_file = memio::Error;
    functions.opaque = reader->m_image.get();
    reader->m_unz.reset(unzOpen2_64("memory", &functions));
    if (!reader->m_unz)
        return nullptr;
    // minizip reads a cut-off end record as zeros and opens it anyway; such an image has no
    // central directory where the record points.
    if (reader->ItemCount() > 0 && unzGoToFirstFile(reader->m_unz.get()) != UNZ_OK)
        return nullptr;
    return reader;
}

void ZipReader::Close()
{
    m_unz.reset();
}

int ZipReader::ItemCount() const
{
    if (!m_unz)
        return 0;
    unz_global_info64 info {};
    if (unzGetGlobalInfo64(m_unz.get(), &info) != UNZ_OK)
        return 0;
    return static_cast<int>(std::min<ZPOS64_T>(info.number_entry, INT_MAX));
}

bool ZipReader::GoToItem(int index) const
{
    if (!m_unz || index < 0 || index >= ItemCount())
        return false;
    if (unzGoToFirstFile(m_unz.get()) != UNZ_OK)
        return false;
    for (int i = 0; i < index; ++i) {
        if (unzGoToNextFile(m_unz.get()) != UNZ_OK)
            return false;
    }
    return true;
}

std::optional<ZipItemInfo> ZipReader::ItemInfo(int index) const
{
    if (!GoToItem(index))
        return std::nullopt;
    unz_file_info64 info {};
    if (unzGetCurrentFileInfo64(m_unz.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return std::nullopt;
    std::string name(info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(m_unz.get(), &info, name.data(), static_cast<uLong>(name.size()),
            nullptr, 0, nullptr, 0)
        != UNZ_OK)
        return std::nullopt;
    name.resize(info.size_filename);
    return ZipItemInfo { CleanMemberName(name), info.uncompressed_size };
}

namespace {

// Reads the member's bytes as they stand in the archive (with any encryption header).
std::optional<std::vector<std::uint8_t>> ReadRaw(unzFile unz, std::uint64_t compressedSize)
{
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(unz, &method, &level, 1) != UNZ_OK)
        return std::nullopt;
    std::vector<std::uint8_t> raw(compressedSize);
    std::size_t got = 0;
    bool failed = false;
    while (got < raw.size()) {
        auto chunk = static_cast<unsigned>(std::min<std::size_t>(raw.size() - got, 1u << 20));
        int n = unzReadCurrentFile(unz, raw.data() + got, chunk);
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    unzCloseCurrentFile(unz);
    if (failed || got != raw.size())
        return std::nullopt;
    return raw;
}

ZipStatus RawInflate(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out)
{
    z_stream zs {};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return ZipStatus::DataError;
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(in.size());
    // One spare byte shows data that inflates to more than the declared size.
    out.resize(out.size() + 1);
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&zs, Z_FINISH);
    std::uint64_t produced = zs.total_out;
    inflateEnd(&zs);
    out.resize(out.size() - 1);
    if (rc != Z_STREAM_END || produced != out.size())
        return ZipStatus::DataError;
    return ZipStatus::Ok;
}

} // namespace

ZipStatus ZipReader::ExtractItem(int index, void* buffer, std::size_t size)
{
    if (!GoToItem(index))
        return ZipStatus::BadIndex;
    unz_file_info64 info {};
    if (unzGetCurrentFileInfo64(m_unz.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipStatus::ReadError;
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
        return ZipStatus::Unsupported;
    if (info.uncompressed_size > size)
        return ZipStatus::BufferTooSmall;
    constexpr std::uint64_t kLimit = std::numeric_limits<uInt>::max() - 1;
    if (info.compressed_size > m_image->bytes.size() || info.uncompressed_size > kLimit)
        return ZipStatus::ReadError;

    auto data = ReadRaw(m_unz.get(), info.compressed_size);
    if (!data)
        return ZipStatus::ReadError;

    if (info.flag & kFlagEncrypted) {
        if (data->size() < PkwareCipher::kHeaderSize)
            return ZipStatus::DataError;
        PkwareCipher cipher(m_password);
        cipher.Decrypt(data->data(), PkwareCipher::kHeaderSize);
        // With a data descriptor the CRC was not known when the header was made, so the
        // check byte is the high byte of the modification time instead.
        std::uint8_t check = (info.flag & kFlagDataDescriptor)
            ? static_cast<std::uint8_t>((info.dosDate >> 8) & 0xFFu)
            : static_cast<std::uint8_t>((info.crc >> 24) & 0xFFu);
        if ((*data)[PkwareCipher::kHeaderSize - 1] != check)
            return ZipStatus::BadPassword;
        data->erase(data->begin(), data->begin() + PkwareCipher::kHeaderSize);
        cipher.Decrypt(data->data(), data->size());
    }

    std::vector<std::uint8_t> plain;
    if (info.compression_method == 0) {
        if (data->size() != info.uncompressed_size)
            return ZipStatus::DataError;
        plain = std::move(*data);
    } else {
        plain.resize(info.uncompressed_size);
        ZipStatus status = RawInflate(*data, plain);
        if (status != ZipStatus::Ok)
            return status;
    }

    auto crc = crc32(0, plain.data(), static_cast<uInt>(plain.size()));
    if (crc != info.crc)
        return ZipStatus::CrcMismatch;
    if (!plain.empty())
        std::memcpy(buffer, plain.data(), plain.size());
    return ZipStatus::Ok;
}
