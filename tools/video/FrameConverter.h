#pragma once

#include "tools/common/FfmpegHandles.h"

#include <cstdint>
#include <vector>

namespace video {

// A packed 8-bit RGB picture, rows without padding.
struct RgbImage
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
};

// Scales a decoded frame to the output size with a bicubic filter and applies the file's
// rotation. HDR and wide-gamut frames are first mapped to BT.709 (tone-mapped where HDR);
// every other frame takes the scaler alone. One per thread: the scaler keeps per-context state.
class FrameConverter
{
public:
    FrameConverter(int width, int height, int rotation);

    // The converted image, valid until the next call; empty width on failure.
    const RgbImage* Convert(const AVFrame* frame);

private:
    const RgbImage* Scale(const AVFrame* frame);

    int m_width;
    int m_height;
    int m_rotation;
    ScalerPtr m_sws;
    int m_sourceWidth = -1;
    int m_sourceHeight = -1;
    int m_sourceFormat = -1;
    int m_colorspace = -1;
    int m_fullRange = -1;
    RgbImage m_scaled;
    RgbImage m_rotated;
};

} // namespace video
