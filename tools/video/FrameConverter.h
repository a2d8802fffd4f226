#pragma once

#include "tools/common/FfmpegHandles.h"

#include <cstdint>
#include <optional>
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
// A rectangle of a decoded frame, in its coded pixels.
struct SourceRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class FrameConverter
{
public:
    // With `crop`, only that part of each frame is converted (a frame too small for it,
    // after a change of size in the stream, is cut to what it has).
    FrameConverter(int width, int height, int rotation, std::optional<SourceRect> crop = {});

    // The converted image, valid (and the caller's to change) until the next call; null on
    // failure.
    RgbImage* Convert(const AVFrame* frame);

private:
    RgbImage* Scale(const AVFrame* frame);
    const AVFrame* Cropped(const AVFrame* frame);
    const AVFrame* Aligned(const AVFrame* frame);

    int m_width;
    int m_height;
    int m_rotation;
    std::optional<SourceRect> m_crop;
    FramePtr m_cropped;
    FramePtr m_aligned;
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
