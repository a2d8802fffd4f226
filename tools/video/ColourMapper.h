#pragma once

#include "tools/common/FfmpegHandles.h"
#include "tools/video/ColourPlan.h"

extern "C" {
#include <libavfilter/avfilter.h>
}

#include <memory>
#include <string>

namespace video {

struct FilterGraphFreer
{
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFreer>;

// Runs frames through libavfilter's colour filters (zimg's zscale, tonemap) into 8-bit
// BT.709 RGB of the same size. The graph is built for the first frame and again whenever the
// source's size, format or plan changes. Used by one thread at a time (see ColourMapperPool).
class ColourMapper
{
public:
    ColourMapper();

    // The mapped frame (gbrp), valid until the next call; null when the filters refuse it.
    const AVFrame* Map(const AVFrame* frame, const ColourPlan& plan);

private:
    bool Build(const AVFrame* frame, const std::string& filters);
    // zimg takes subsampled pictures only in whole chroma samples: an odd side is padded
    // with copies of its last row or column, cut off again after the filters.
    const AVFrame* PaddedToChroma(const AVFrame* frame);

    FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    FramePtr m_input;
    FramePtr m_output;
    FramePtr m_padded;
    int m_width = -1;
    int m_height = -1;
    int m_format = -1;
    std::string m_filters;
    bool m_broken = false; // the current setting failed: do not try it for every frame
};

} // namespace video
