#include "tools/video/StreamColour.h"

extern "C" {
#include <libavutil/mastering_display_metadata.h>
}

#include <cstring>

namespace video {
namespace {

    std::vector<uint8_t> StreamSideData(
        const AVStream* stream, AVPacketSideDataType type, size_t least)
    {
        size_t size = 0;
        const uint8_t* data = av_stream_get_side_data(stream, type, &size);
        if (!data || size < least)
            return {};
        return std::vector<uint8_t>(data, data + least);
    }

    void AddMissing(AVFrame* frame, AVFrameSideDataType type, const std::vector<uint8_t>& data)
    {
        if (data.empty() || av_frame_get_side_data(frame, type))
            return;
        // Without memory the frame simply goes without; the defaults then apply.
        if (AVFrameSideData* added = av_frame_new_side_data(frame, type, data.size()))
            std::memcpy(added->data, data.data(), data.size());
    }

} // namespace

StreamColour::StreamColour(const AVStream* stream)
    : m_doviBase(RangeOfDolbyVisionBase(stream))
    , m_mastering(StreamSideData(
          stream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, sizeof(AVMasteringDisplayMetadata)))
    , m_light(
          StreamSideData(stream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, sizeof(AVContentLightMetadata)))
{ }

void StreamColour::FillIn(AVFrame* frame) const
{
    // A Dolby Vision base layer that says nothing of itself: its configuration says HLG or PQ.
    if (frame->color_trc == AVCOL_TRC_UNSPECIFIED && m_doviBase != DynamicRange::Standard) {
        frame->color_trc
            = m_doviBase == DynamicRange::Hlg ? AVCOL_TRC_ARIB_STD_B67 : AVCOL_TRC_SMPTE2084;
        if (frame->color_primaries == AVCOL_PRI_UNSPECIFIED)
            frame->color_primaries = AVCOL_PRI_BT2020;
        if (frame->colorspace == AVCOL_SPC_UNSPECIFIED)
            frame->colorspace = AVCOL_SPC_BT2020_NCL;
    }
    AddMissing(frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA, m_mastering);
    AddMissing(frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL, m_light);
}

} // namespace video
