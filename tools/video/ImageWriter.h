#pragma once

#include "tools/common/FfmpegHandles.h"
#include "tools/video/FrameConverter.h"
#include "tools/video/OutputPattern.h"

#include <optional>
#include <string>

namespace video {

struct WriteSettings
{
    bool overwrite = false;
    std::optional<double> qscale;
    double frameInterval = 1.0; // seconds between taken frames, stored in every PNG
};

// Writes numbered images in the pattern's format: PNG through libpng, the other formats
// through FFmpeg's encoders. One per thread: the encoders keep state.
class ImageWriter
{
public:
    ImageWriter(const OutputPattern& pattern, const WriteSettings& settings);

    // Empty on success, else the error text.
    std::string Write(const RgbImage& image, long long number);

private:
    std::string WritePng(const RgbImage& image, const std::string& path);
    std::string WriteEncoded(const RgbImage& image, const std::string& path);
    bool OpenEncoder(int width, int height);

    const OutputPattern& m_pattern;
    WriteSettings m_settings;
    std::string m_intervalText;
    CodecContextPtr m_encoder;
    FramePtr m_frame;
    PacketPtr m_packet;
    ScalerPtr m_sws;
    int64_t m_pts = 0;
};

// 1/rate as "%.9g" with a point whatever the locale (12.5 gives "0.08").
std::string FormatFrameInterval(double seconds);

} // namespace video
