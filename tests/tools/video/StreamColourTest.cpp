#include "tools/video/StreamColour.h"

#include "tools/common/DynamicRange.h"

extern "C" {
#include <libavutil/mastering_display_metadata.h>
}

#include <cstring>
#include <gtest/gtest.h>

using video::StreamColour;

namespace {

struct ContextCloser
{
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};

// A stream as a container describes it, with a Dolby Vision configuration when asked.
class Stream
{
public:
    Stream(
        AVColorTransferCharacteristic transfer, int doviCompatibility = -1, bool baseLayer = true)
        : m_context(avformat_alloc_context())
    {
        m_stream = avformat_new_stream(m_context.get(), nullptr);
        m_stream->codecpar->color_trc = transfer;
        if (doviCompatibility >= 0) {
            size_t size = 0;
            AVDOVIDecoderConfigurationRecord* record = av_dovi_alloc(&size);
            record->dv_profile = 8;
            record->bl_present_flag = baseLayer;
            record->dv_bl_signal_compatibility_id = static_cast<uint8_t>(doviCompatibility);
            av_stream_add_side_data(
                m_stream, AV_PKT_DATA_DOVI_CONF, reinterpret_cast<uint8_t*>(record), size);
        }
    }
    AVStream* get() const { return m_stream; }

private:
    std::unique_ptr<AVFormatContext, ContextCloser> m_context;
    AVStream* m_stream = nullptr;
};

TEST(StreamColour, DolbyVisionCountsByItsBaseLayerWhenNothingElseIsTagged)
{
    struct Case
    {
        const char* what;
        AVColorTransferCharacteristic transfer;
        int compatibility; // -1: no Dolby Vision
        bool baseLayer;
        DynamicRange expected;
    };
    const Case cases[] = {
        { "plain SDR", AVCOL_TRC_BT709, -1, true, DynamicRange::Standard },
        { "tagged HLG", AVCOL_TRC_ARIB_STD_B67, -1, true, DynamicRange::Hlg },
        { "tagged PQ", AVCOL_TRC_SMPTE2084, -1, true, DynamicRange::Pq },
        { "untagged", AVCOL_TRC_UNSPECIFIED, -1, true, DynamicRange::Standard },
        { "profile 8.4, HLG base", AVCOL_TRC_UNSPECIFIED, 4, true, DynamicRange::Hlg },
        { "profile 8.1, HDR10 base", AVCOL_TRC_UNSPECIFIED, 1, true, DynamicRange::Pq },
        { "profile 8.2, SDR base", AVCOL_TRC_UNSPECIFIED, 2, true, DynamicRange::Standard },
        { "profile 5, no compatible base", AVCOL_TRC_UNSPECIFIED, 0, true, DynamicRange::Standard },
        { "no base layer", AVCOL_TRC_UNSPECIFIED, 4, false, DynamicRange::Standard },
        { "the tag wins", AVCOL_TRC_BT709, 4, true, DynamicRange::Standard },
    };
    for (const Case& c : cases) {
        Stream stream(c.transfer, c.compatibility, c.baseLayer);
        EXPECT_EQ(StreamDynamicRange(stream.get()), c.expected) << c.what;
    }
}

TEST(StreamColour, FramesGetWhatTheContainerSaysAndKeepWhatTheyCarry)
{
    Stream stream(AVCOL_TRC_UNSPECIFIED, 4);
    AVContentLightMetadata light {};
    light.MaxCLL = 1000;
    auto* copy = static_cast<uint8_t*>(av_malloc(sizeof light));
    std::memcpy(copy, &light, sizeof light);
    av_stream_add_side_data(stream.get(), AV_PKT_DATA_CONTENT_LIGHT_LEVEL, copy, sizeof light);
    StreamColour colour(stream.get());

    FramePtr untagged(av_frame_alloc());
    colour.FillIn(untagged.get());
    EXPECT_EQ(untagged->color_trc, AVCOL_TRC_ARIB_STD_B67);
    EXPECT_EQ(untagged->color_primaries, AVCOL_PRI_BT2020);
    EXPECT_EQ(untagged->colorspace, AVCOL_SPC_BT2020_NCL);
    const AVFrameSideData* added
        = av_frame_get_side_data(untagged.get(), AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(reinterpret_cast<const AVContentLightMetadata*>(added->data)->MaxCLL, 1000u);

    // The bitstream's own tags and metadata are not overridden.
    FramePtr tagged(av_frame_alloc());
    tagged->color_trc = AVCOL_TRC_BT709;
    AVContentLightMetadata* own = av_content_light_metadata_create_side_data(tagged.get());
    own->MaxCLL = 400;
    colour.FillIn(tagged.get());
    EXPECT_EQ(tagged->color_trc, AVCOL_TRC_BT709);
    const AVFrameSideData* kept
        = av_frame_get_side_data(tagged.get(), AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
    EXPECT_EQ(reinterpret_cast<const AVContentLightMetadata*>(kept->data)->MaxCLL, 400u);
}

} // namespace
