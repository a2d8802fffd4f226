#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imgconv {

struct Rect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// How the viewer treats a frame's area before the next frame is drawn.
enum class Disposal
{
    LeaveInPlace, // the next frame is drawn over this one
    RestoreBackground, // this frame's rectangle is cleared to transparent first
};

// One frame's changed rectangle as RGBA; alpha 0 marks "keep what is shown".
struct FrameJob
{
    long sequence = 0; // 0, 1, 2, ... in output order
    long sourceNumber = 0; // 1-based number of the input file it came from
    Rect rect;
    std::vector<uint8_t> rgba;
    long paletteFrom = -1; // the earlier frame whose palette this one may share
    bool keepPalette = false; // later frames may share this one's palette
};

// The bits an index needs for a palette of that many entries (at least 1).
inline int ColourBits(size_t colours)
{
    int bits = 1;
    while ((size_t { 1 } << bits) < colours)
        ++bits;
    return bits;
}

// The same rectangle quantised: a palette of a power-of-two size and one index per pixel.
struct IndexedFrame
{
    long sequence = 0;
    long sourceNumber = 0;
    Rect rect;
    std::vector<uint8_t> palette; // r, g, b triples; size/3 is a power of two, at least 2
    int transparentIndex = -1; // -1 when the frame has no transparent pixel
    std::vector<uint8_t> indices; // rect.width * rect.height
    std::vector<uint8_t> lzw; // the compressed image data as GIF sub-blocks, once encoded
};

} // namespace imgconv
