#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imgconv {

struct RgbaImage
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 4, straight (not premultiplied) alpha
};

struct PngFrame
{
    RgbaImage image;
    std::optional<double> frameInterval; // seconds, from the "FrameInterval" text chunk
    std::string error; // empty on success
};

struct PngSize
{
    int width = 0;
    int height = 0;
    std::string error;
};

// Decodes any PNG (grey, RGB, palette, with or without alpha, 1 to 16 bits) to 8-bit RGBA.
PngFrame ReadPngFrame(const std::string& path);

// Only the header: signature and image size.
PngSize ReadPngSize(const std::string& path);

// The value of a tEXt chunk with keyword "FrameInterval" in a PNG held in memory.
std::optional<double> FindFrameInterval(const uint8_t* data, size_t size);

// Largest frame we accept: GIF's own 16-bit limit, and a cap on the pixel count so that a
// forged header cannot make us allocate gigabytes.
constexpr int kMaxSide = 65535;
constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

} // namespace imgconv
