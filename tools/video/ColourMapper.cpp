#include "tools/video/ColourMapper.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

namespace video {
namespace {

    struct FilterInOutFreer
    {
        void operator()(AVFilterInOut* list) const { avfilter_inout_free(&list); }
    };
    using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutFreer>;

} // namespace

ColourMapper::ColourMapper()
    : m_input(av_frame_alloc())
    , m_output(av_frame_alloc())
{ }

const AVFrame* ColourMapper::PaddedToChroma(const AVFrame* frame)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    if (!desc)
        return nullptr;
    int xStep = 1 << desc->log2_chroma_w;
    int yStep = 1 << desc->log2_chroma_h;
    int width = (frame->width + xStep - 1) / xStep * xStep;
    int height = (frame->height + yStep - 1) / yStep * yStep;
    if (width == frame->width && height == frame->height)
        return frame;
    // Only plain planar layouts, where a sample is a whole number of bytes.
    if (!(desc->flags & AV_PIX_FMT_FLAG_PLANAR) || (desc->flags & AV_PIX_FMT_FLAG_BITSTREAM))
        return nullptr;

    m_padded.reset(av_frame_alloc());
    if (!m_padded)
        return nullptr;
    m_padded->width = width;
    m_padded->height = height;
    m_padded->format = frame->format;
    if (av_frame_get_buffer(m_padded.get(), 0) < 0
        || av_frame_copy_props(m_padded.get(), frame) < 0)
        return nullptr;
    for (int c = 0; c < desc->nb_components; ++c) {
        const AVComponentDescriptor& comp = desc->comp[c];
        bool chroma = c == 1 || c == 2;
        int planeWidth = chroma ? AV_CEIL_RSHIFT(frame->width, desc->log2_chroma_w) : frame->width;
        int planeHeight
            = chroma ? AV_CEIL_RSHIFT(frame->height, desc->log2_chroma_h) : frame->height;
        int paddedWidth = chroma ? width >> desc->log2_chroma_w : width;
        int paddedHeight = chroma ? height >> desc->log2_chroma_h : height;
        int bytes = comp.step;
        const uint8_t* src = frame->data[comp.plane];
        uint8_t* dst = m_padded->data[comp.plane];
        for (int y = 0; y < paddedHeight; ++y) {
            const uint8_t* from = src
                + static_cast<ptrdiff_t>(std::min(y, planeHeight - 1))
                    * frame->linesize[comp.plane];
            uint8_t* to = dst + static_cast<ptrdiff_t>(y) * m_padded->linesize[comp.plane];
            std::memcpy(to, from, static_cast<size_t>(planeWidth) * bytes);
            for (int x = planeWidth; x < paddedWidth; ++x)
                std::memcpy(to + x * bytes, from + (planeWidth - 1) * bytes, bytes);
        }
    }
    return m_padded.get();
}

bool ColourMapper::Build(const AVFrame* frame, const std::string& filters)
{
    m_graph.reset(avfilter_graph_alloc());
    m_source = nullptr;
    m_sink = nullptr;
    if (!m_graph)
        return false;
    // The writer threads already convert frames side by side; threads inside each graph
    // would only contend for the same cores.
    m_graph->nb_threads = 1;

    const AVFrame* padded = PaddedToChroma(frame);
    if (!padded)
        return false;
    std::string args = "video_size=" + std::to_string(padded->width) + "x"
        + std::to_string(padded->height) + ":pix_fmt=" + std::to_string(frame->format)
        + ":time_base=1/1:pixel_aspect=1/1";
    if (avfilter_graph_create_filter(
            &m_source, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr, m_graph.get())
            < 0
        || avfilter_graph_create_filter(
               &m_sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, m_graph.get())
            < 0)
        return false;

    FilterInOutPtr outputs(avfilter_inout_alloc());
    FilterInOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs)
        return false;
    outputs->name = av_strdup("in");
    outputs->filter_ctx = m_source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = m_sink;
    AVFilterInOut* in = inputs.release();
    AVFilterInOut* out = outputs.release();
    std::string chain = filters;
    if (padded != frame)
        chain += ",crop=" + std::to_string(frame->width) + ":" + std::to_string(frame->height)
            + ":0:0";
    int rc = avfilter_graph_parse_ptr(m_graph.get(), chain.c_str(), &in, &out, nullptr);
    avfilter_inout_free(&in);
    avfilter_inout_free(&out);
    if (rc < 0 || avfilter_graph_config(m_graph.get(), nullptr) < 0)
        return false;
    return av_buffersink_get_format(m_sink) == AV_PIX_FMT_GBRP
        && av_buffersink_get_w(m_sink) == frame->width
        && av_buffersink_get_h(m_sink) == frame->height;
}

const AVFrame* ColourMapper::Map(const AVFrame* frame, const ColourPlan& plan)
{
    std::string filters = ColourFilter(plan);
    if (filters.empty() || !m_input || !m_output)
        return nullptr;
    if (frame->width != m_width || frame->height != m_height || frame->format != m_format
        || filters != m_filters) {
        m_width = frame->width;
        m_height = frame->height;
        m_format = frame->format;
        m_filters = filters;
        m_broken = !Build(frame, filters);
        if (m_broken)
            m_graph.reset();
    }
    if (m_broken)
        return nullptr;

    // The graph takes a reference of its own; the caller's frame stays as it was.
    const AVFrame* padded = PaddedToChroma(frame);
    av_frame_unref(m_input.get());
    if (!padded || av_frame_ref(m_input.get(), padded) < 0)
        return nullptr;
    av_frame_unref(m_output.get());
    if (av_buffersrc_add_frame_flags(m_source, m_input.get(), 0) < 0
        || av_buffersink_get_frame(m_sink, m_output.get()) < 0) {
        // A graph that failed halfway may still hold the frame: build it afresh next time.
        av_frame_unref(m_input.get());
        m_width = -1;
        return nullptr;
    }
    // What the filters wrote, so that the scaler takes it as it is.
    m_output->colorspace = AVCOL_SPC_RGB;
    m_output->color_range = AVCOL_RANGE_JPEG;
    m_output->color_primaries = AVCOL_PRI_BT709;
    m_output->color_trc = AVCOL_TRC_BT709;
    return m_output.get();
}

} // namespace video
