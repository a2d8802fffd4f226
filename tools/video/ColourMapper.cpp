#include "tools/video/ColourMapper.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

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

    std::string args = "video_size=" + std::to_string(frame->width) + "x"
        + std::to_string(frame->height) + ":pix_fmt=" + std::to_string(frame->format)
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
    int rc = avfilter_graph_parse_ptr(m_graph.get(), filters.c_str(), &in, &out, nullptr);
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
    av_frame_unref(m_input.get());
    if (av_frame_ref(m_input.get(), frame) < 0)
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
