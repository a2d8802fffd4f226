#pragma once

#include "tools/common/DynamicRange.h"
#include "tools/common/FfmpegHandles.h"

#include <vector>

namespace video {

// Colour facts that the container gives for the whole stream (Dolby Vision's configuration,
// mastering display and content light level boxes). Decoders put only what the bitstream says
// on each frame; this adds the rest to frames that lack it.
class StreamColour
{
public:
    StreamColour() = default;
    explicit StreamColour(const AVStream* stream);

    void FillIn(AVFrame* frame) const;

private:
    DynamicRange m_doviBase = DynamicRange::Standard;
    std::vector<uint8_t> m_mastering;
    std::vector<uint8_t> m_light;
};

} // namespace video
