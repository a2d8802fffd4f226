#include "tools/video/FrameConverter.h"

#include "tools/video/ColourMapperPool.h"
#include "tools/video/ColourPlan.h"

extern "C" {
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

namespace video {
namespace {

    bool IsFullRange(const AVFrame* frame)
    {
        switch (frame->format) {
        case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUVJ444P:
        case AV_PIX_FMT_YUVJ440P:
        case AV_PIX_FMT_YUVJ411P:
            return true;
        default:
            return frame->color_range == AVCOL_RANGE_JPEG;
        }
    }

    // A C enum field may hold any number; read it as one.
    template <typename Enum> int TagValue(const Enum& field)
    {
        static_assert(sizeof(Enum) == sizeof(int));
        int value = 0;
        std::memcpy(&value, &field, sizeof value);
        return value;
    }

    ColourTags TagsOf(const AVFrame* frame)
    {
        ColourTags tags;
        tags.transfer = TagValue(frame->color_trc);
        tags.primaries = TagValue(frame->color_primaries);
        tags.matrix = TagValue(frame->colorspace);
        tags.fullRange = IsFullRange(frame);
        const AVPixFmtDescriptor* format
            = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
        tags.rgb = format && (format->flags & AV_PIX_FMT_FLAG_RGB);
        const AVFrameSideData* light
            = av_frame_get_side_data(frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
        if (light && light->size >= sizeof(AVContentLightMetadata))
            tags.maxContentLight
                = reinterpret_cast<const AVContentLightMetadata*>(light->data)->MaxCLL;
        const AVFrameSideData* display
            = av_frame_get_side_data(frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
        if (display && display->size >= sizeof(AVMasteringDisplayMetadata)) {
            const auto* mastering
                = reinterpret_cast<const AVMasteringDisplayMetadata*>(display->data);
            if (mastering->has_luminance && mastering->max_luminance.den != 0)
                tags.masteringPeak = av_q2d(mastering->max_luminance);
        }
        return tags;
    }

    void Rotate(const RgbImage& in, RgbImage& out, int rotation)
    {
        bool swap = rotation == 90 || rotation == 270;
        out.width = swap ? in.height : in.width;
        out.height = swap ? in.width : in.height;
        out.pixels.resize(static_cast<size_t>(out.width) * out.height * 3);
        for (int y = 0; y < in.height; ++y) {
            const uint8_t* src = in.row(y);
            for (int x = 0; x < in.width; ++x) {
                int ox = x, oy = y;
                if (rotation == 90) {
                    ox = in.height - 1 - y;
                    oy = x;
                } else if (rotation == 180) {
                    ox = in.width - 1 - x;
                    oy = in.height - 1 - y;
                } else if (rotation == 270) {
                    ox = y;
                    oy = in.width - 1 - x;
                }
                std::memcpy(out.pixels.data() + (static_cast<size_t>(oy) * out.width + ox) * 3,
                    src + x * 3, 3);
            }
        }
    }

} // namespace

FrameConverter::FrameConverter(int width, int height, int rotation, std::optional<SourceRect> crop)
    : m_width(width)
    , m_height(height)
    , m_rotation(rotation)
    , m_crop(crop)
{ }

const AVFrame* FrameConverter::Cropped(const AVFrame* frame)
{
    if (!m_cropped)
        m_cropped.reset(av_frame_alloc());
    if (!m_cropped)
        return nullptr;
    av_frame_unref(m_cropped.get());
    if (av_frame_ref(m_cropped.get(), frame) < 0)
        return nullptr;
    // A new reference to the same pictures, its planes' pointers moved: nothing is copied.
    const int x = std::min(m_crop->x, frame->width - 1);
    const int y = std::min(m_crop->y, frame->height - 1);
    const int width = std::min(m_crop->width, frame->width - x);
    const int height = std::min(m_crop->height, frame->height - y);
    m_cropped->crop_left = static_cast<size_t>(x);
    m_cropped->crop_top = static_cast<size_t>(y);
    m_cropped->crop_right = static_cast<size_t>(frame->width - x - width);
    m_cropped->crop_bottom = static_cast<size_t>(frame->height - y - height);
    if (av_frame_apply_cropping(m_cropped.get(), AV_FRAME_CROP_UNALIGNED) < 0)
        return nullptr;
    return m_cropped.get();
}

const AVFrame* FrameConverter::Aligned(const AVFrame* frame)
{
    m_aligned.reset(av_frame_alloc());
    if (!m_aligned)
        return nullptr;
    m_aligned->width = frame->width;
    m_aligned->height = frame->height;
    m_aligned->format = frame->format;
    if (av_frame_get_buffer(m_aligned.get(), 0) < 0 || av_frame_copy(m_aligned.get(), frame) < 0
        || av_frame_copy_props(m_aligned.get(), frame) < 0)
        return nullptr;
    return m_aligned.get();
}

RgbImage* FrameConverter::Convert(const AVFrame* source)
{
    const AVFrame* frame = m_crop ? Cropped(source) : source;
    if (!frame)
        return nullptr;
    ColourPlan plan = PlanColour(TagsOf(frame));
    if (plan.path == ColourPlan::Path::Standard)
        return Scale(frame);
    // zimg wants its planes aligned: a crop's moved planes are copied into fresh ones first.
    if (m_crop && (frame = Aligned(frame)) == nullptr)
        return nullptr;
    // The mapped frame belongs to the mapper: keep it until the scaler is done.
    auto lease = ColourMapperPool::Shared().Borrow(frame->width, frame->height);
    const AVFrame* mapped = (*lease).Map(frame, plan);
    // When the filters refuse a frame, today's conversion still gives a picture.
    return Scale(mapped ? mapped : frame);
}

RgbImage* FrameConverter::Scale(const AVFrame* frame)
{
    bool swap = m_rotation == 90 || m_rotation == 270;
    int w = swap ? m_height : m_width;
    int h = swap ? m_width : m_height;
    // The cached call takes the old context and frees it when the source changed.
    m_sws.reset(sws_getCachedContext(m_sws.release(), frame->width, frame->height,
        static_cast<AVPixelFormat>(frame->format), w, h, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr,
        nullptr, nullptr));
    if (!m_sws)
        return nullptr;

    int colorspace
        = frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : frame->colorspace;
    int fullRange = IsFullRange(frame) ? 1 : 0;
    // A new source geometry may have brought a fresh context, so the details are set again.
    if (frame->width != m_sourceWidth || frame->height != m_sourceHeight
        || frame->format != m_sourceFormat || colorspace != m_colorspace
        || fullRange != m_fullRange) {
        sws_setColorspaceDetails(m_sws.get(), sws_getCoefficients(colorspace), fullRange,
            sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        m_sourceWidth = frame->width;
        m_sourceHeight = frame->height;
        m_sourceFormat = frame->format;
        m_colorspace = colorspace;
        m_fullRange = fullRange;
    }

    m_scaled.width = w;
    m_scaled.height = h;
    m_scaled.pixels.resize(static_cast<size_t>(w) * h * 3);
    uint8_t* dst[4] = { m_scaled.pixels.data(), nullptr, nullptr, nullptr };
    int dstStride[4] = { w * 3, 0, 0, 0 };
    int rc = sws_scale(m_sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    if (rc <= 0)
        return nullptr;
    if (m_rotation == 0)
        return &m_scaled;
    Rotate(m_scaled, m_rotated, m_rotation);
    return &m_rotated;
}

} // namespace video
