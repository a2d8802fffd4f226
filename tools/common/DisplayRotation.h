#pragma once

#include <cmath>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

// The clockwise rotation (0, 90, 180 or 270 degrees) that the stream's display
// matrix asks for; phones store upright videos turned and say so there.
inline int StreamRotation(const AVStream* stream)
{
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix)
        return 0;
    double theta = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(theta))
        return 0;
    theta -= 360.0 * std::floor(theta / 360.0 + 0.9 / 360.0);
    for (int r : {90, 180, 270})
        if (std::fabs(theta - r) < 1.0)
            return r;
    return 0;
}
