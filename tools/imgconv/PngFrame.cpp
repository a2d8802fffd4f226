#include "tools/imgconv/PngFrame.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <png.h>

namespace imgconv {

namespace {

    struct FileCloser
    {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    using FilePtr = std::unique_ptr<FILE, FileCloser>;

    uint32_t ReadBigEndian32(const uint8_t* p)
    {
        return (uint32_t { p[0] } << 24) | (uint32_t { p[1] } << 16) | (uint32_t { p[2] } << 8)
            | uint32_t { p[3] };
    }

    const uint8_t kSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& error)
    {
        FilePtr file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
        uint8_t buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
            data.insert(data.end(), buffer, buffer + got);
        if (std::ferror(file.get())) {
            error = "cannot read '" + path + "': " + std::strerror(errno);
            return false;
        }
        return true;
    }

    // libpng allocates, and clears, the whole of each chunk before the image data before it
    // reads it: a few bytes declaring a 2 GiB text chunk cost 2 GiB and seconds, only for
    // libpng to find that the file ends first. Such a file is refused here, as libpng would.
    bool ChunksBeforeImageDataFit(const uint8_t* data, size_t size)
    {
        size_t at = 8;
        while (size - at >= 8) {
            const uint8_t* type = data + at + 4;
            if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
                return true;
            const uint32_t length = ReadBigEndian32(data + at);
            if (size - at < 12 || length > size - at - 12)
                return false;
            at += 12 + size_t { length };
        }
        return true;
    }

    struct PngImageFreer
    {
        void operator()(png_image* image) const { png_image_free(image); }
    };

} // namespace

std::optional<double> FindFrameInterval(const uint8_t* data, size_t size)
{
    static const char kKeyword[] = "FrameInterval";
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return std::nullopt;
    size_t at = 8;
    while (size - at >= 12) {
        const uint32_t length = ReadBigEndian32(data + at);
        if (length > size - at - 12)
            break;
        const uint8_t* type = data + at + 4;
        const auto* body = reinterpret_cast<const char*>(data + at + 8);
        if (std::memcmp(type, "tEXt", 4) == 0 && length > sizeof kKeyword
            && std::memcmp(body, kKeyword, sizeof kKeyword) == 0) {
            const char* first = body + sizeof kKeyword;
            const char* last = body + length;
            double value = 0;
            const auto [end, ec] = std::from_chars(first, last, value);
            if (ec == std::errc() && end == last && std::isfinite(value) && value > 0
                && value < 1e6)
                return value;
            return std::nullopt;
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        at += 12 + size_t { length };
    }
    return std::nullopt;
}

PngSize ReadPngSize(const std::string& path)
{
    PngSize result;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.error = "cannot open '" + path + "': " + std::strerror(errno);
        return result;
    }
    uint8_t header[24];
    if (std::fread(header, 1, sizeof header, file.get()) != sizeof header
        || std::memcmp(header, kSignature, 8) != 0 || std::memcmp(header + 12, "IHDR", 4) != 0) {
        result.error = "'" + path + "' is not a PNG file";
        return result;
    }
    const uint32_t width = ReadBigEndian32(header + 16);
    const uint32_t height = ReadBigEndian32(header + 20);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide
        || int64_t { width } * height > kMaxPixels) {
        result.error = "'" + path + "' has an unsupported size (" + std::to_string(width) + "x"
            + std::to_string(height) + ")";
        return result;
    }
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    return result;
}

PngFrame ReadPngFrame(const std::string& path)
{
    PngFrame result;
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data, result.error))
        return result;
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0) {
        result.error = "'" + path + "' is not a PNG file";
        return result;
    }

    if (!ChunksBeforeImageDataFit(data.data(), data.size())) {
        result.error = "damaged PNG '" + path + "': read beyond end of data";
        return result;
    }

    // The simplified API reports every libpng error as a value: no setjmp in our frames.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    std::unique_ptr<png_image, PngImageFreer> guard(&image);
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
        result.error = "damaged PNG '" + path + "': " + image.message;
        return result;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide
        || int64_t { image.width } * image.height > kMaxPixels) {
        result.error = "'" + path + "' has an unsupported size";
        return result;
    }
    // 16-bit frames from video tools carry no gamma chunk and are sRGB, not linear.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_RGBA;
    result.image.width = static_cast<int>(image.width);
    result.image.height = static_cast<int>(image.height);
    result.image.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, result.image.pixels.data(), 0, nullptr)) {
        result.error = "damaged PNG '" + path + "': " + image.message;
        result.image = RgbaImage();
        return result;
    }
    result.frameInterval = FindFrameInterval(data.data(), data.size());
    return result;
}

} // namespace imgconv
