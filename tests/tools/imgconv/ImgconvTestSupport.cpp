#include "ImgconvTestSupport.h"

#include "tests/support/ProcessRun.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <gif_lib.h>
#include <map>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace imgconv_test {

Image Image::Filled(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(static_cast<size_t>(width) * height * 4);
    image.FillRect(0, 0, width, height, r, g, b, a);
    return image;
}

void Image::FillRect(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            uint8_t* p = At(i, j);
            p[0] = r;
            p[1] = g;
            p[2] = b;
            p[3] = a;
        }
    }
}

Image TestPicture(int width, int height, int seed)
{
    Image image = Image::Filled(width, height, 0, 0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
            p[2] = static_cast<uint8_t>((x + y + seed * 40) * 3);
        }
    }
    const int side = std::max(2, width / 4);
    image.FillRect((seed * 7) % std::max(1, width - side), height / 3, side, side, 250, 240, 20);
    return image;
}

namespace {

    void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value)
    {
        out.push_back(static_cast<uint8_t>(value >> 24));
        out.push_back(static_cast<uint8_t>(value >> 16));
        out.push_back(static_cast<uint8_t>(value >> 8));
        out.push_back(static_cast<uint8_t>(value));
    }

    void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body)
    {
        PutBigEndian32(out, static_cast<uint32_t>(body.size()));
        const size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), body.begin(), body.end());
        const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
        PutBigEndian32(out, static_cast<uint32_t>(crc));
    }

} // namespace

void WritePng(const std::string& path, const Image& image, PngKind kind,
    std::optional<std::string> frameInterval)
{
    // Built chunk by chunk, so that every colour type and depth can be made, with no gamma
    // chunk, as video tools write them.
    int colourType = 2, depth = 8, channels = 3;
    std::vector<uint8_t> palette;
    std::map<uint32_t, uint8_t> paletteIndex;
    switch (kind) {
    case PngKind::Rgb8:
        break;
    case PngKind::Rgba8:
        colourType = 6;
        channels = 4;
        break;
    case PngKind::Rgb16:
        depth = 16;
        break;
    case PngKind::Grey8:
        colourType = 0;
        channels = 1;
        break;
    case PngKind::Palette:
        colourType = 3;
        channels = 1;
        break;
    }
    std::vector<uint8_t> raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            if (kind == PngKind::Grey8) {
                raw.push_back(p[1]);
            } else if (kind == PngKind::Palette) {
                const uint32_t key = (uint32_t { p[0] } << 16) | (uint32_t { p[1] } << 8) | p[2];
                auto found = paletteIndex.find(key);
                if (found == paletteIndex.end()) {
                    if (paletteIndex.size() == 256)
                        throw std::runtime_error("too many colours for a palette PNG");
                    found = paletteIndex.emplace(key, static_cast<uint8_t>(paletteIndex.size()))
                                .first;
                    palette.insert(palette.end(), { p[0], p[1], p[2] });
                }
                raw.push_back(found->second);
            } else {
                for (int c = 0; c < channels; ++c) {
                    raw.push_back(p[c]);
                    if (depth == 16)
                        raw.push_back(p[c]); // v * 257: the same colour in 16 bits
                }
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);

    std::vector<uint8_t> png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    std::vector<uint8_t> header;
    PutBigEndian32(header, static_cast<uint32_t>(image.width));
    PutBigEndian32(header, static_cast<uint32_t>(image.height));
    header.insert(
        header.end(), { static_cast<uint8_t>(depth), static_cast<uint8_t>(colourType), 0, 0, 0 });
    PutChunk(png, "IHDR", header);
    if (frameInterval) {
        std::vector<uint8_t> text;
        const std::string keyword = "FrameInterval";
        text.insert(text.end(), keyword.begin(), keyword.end());
        text.push_back(0);
        text.insert(text.end(), frameInterval->begin(), frameInterval->end());
        PutChunk(png, "tEXt", text);
    }
    if (kind == PngKind::Palette)
        PutChunk(png, "PLTE", palette);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    WriteBytes(path, png);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

RunResult RunImgconv(const std::vector<std::string>& args, long maxFileSize)
{
    // Writing past maxFileSize then fails as on a full disk.
    const ToolRun run = runProgram(
        std::string(SABLEWICK_BIN_DIR) + "imgconv.dll", args, RunLimits { maxFileSize });
    RunResult result;
    result.status = run.signal != 0 ? 128 + run.signal : run.exitCode;
    result.errorText = run.errors;
    return result;
}

GifInfo ReadGif(const std::string& path)
{
    GifInfo info;
    const std::vector<uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 6)
        return info;
    info.version.assign(bytes.begin(), bytes.begin() + 6);

    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return info;
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        return info;
    }
    info.width = gif->SWidth;
    info.height = gif->SHeight;
    Image canvas = Image::Filled(gif->SWidth, gif->SHeight, 0, 0, 0, 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        for (int e = 0; e + 1 < saved.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = saved.ExtensionBlocks[e];
            const ExtensionBlock& next = saved.ExtensionBlocks[e + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11
                && std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0
                && next.Function == CONTINUE_EXT_FUNC_CODE && next.ByteCount == 3)
                info.netscapeLoop = next.Bytes[1] | (next.Bytes[2] << 8);
        }
        GifFrame frame;
        const GifImageDesc& desc = saved.ImageDesc;
        frame.left = desc.Left;
        frame.top = desc.Top;
        frame.width = desc.Width;
        frame.height = desc.Height;
        GraphicsControlBlock control {};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, i, &control);
        frame.delay = control.DelayTime;
        frame.disposal = control.DisposalMode;
        frame.transparentIndex = control.TransparentColor;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                const int index = saved.RasterBits[y * desc.Width + x];
                if (index == frame.transparentIndex || !map || index >= map->ColorCount)
                    continue;
                const int cx = desc.Left + x, cy = desc.Top + y;
                if (cx >= canvas.width || cy >= canvas.height)
                    continue;
                uint8_t* p = canvas.At(cx, cy);
                p[0] = map->Colors[index].Red;
                p[1] = map->Colors[index].Green;
                p[2] = map->Colors[index].Blue;
                p[3] = 255;
            }
        }
        frame.canvas = canvas;
        if (frame.disposal == DISPOSE_BACKGROUND) {
            canvas.FillRect(desc.Left, desc.Top, std::min(desc.Width, canvas.width - desc.Left),
                std::min(desc.Height, canvas.height - desc.Top), 0, 0, 0, 0);
        }
        info.frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    info.ok = true;
    return info;
}

double MeanError(const Image& expected, const Image& actual)
{
    if (expected.width != actual.width || expected.height != actual.height)
        return 1e9;
    double sum = 0;
    long count = 0;
    for (size_t i = 0; i < expected.rgba.size(); i += 4) {
        if (expected.rgba[i + 3] < 128)
            continue;
        if (actual.rgba[i + 3] < 128)
            return 1e9; // a pixel that should be visible is not
        for (int c = 0; c < 3; ++c)
            sum += std::abs(int { expected.rgba[i + c] } - int { actual.rgba[i + c] });
        count += 3;
    }
    return count == 0 ? 0 : sum / static_cast<double>(count);
}

TempFolder::TempFolder(const std::string& nameInside)
{
    char pattern[] = "/tmp/imgconv-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    m_root = pattern;
    m_path = m_root;
    if (!nameInside.empty()) {
        m_path += "/" + nameInside;
        mkdir(m_path.c_str(), 0700);
    }
}

TempFolder::~TempFolder()
{
    nftw(
        m_root.c_str(),
        [](const char* path, const struct stat*, int, FTW*) { return std::remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> TempFolder::Names() const
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(m_path.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace imgconv_test
