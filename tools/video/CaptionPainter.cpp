#include "tools/video/CaptionPainter.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

namespace video {
namespace {

    // One line of text is this share of the frame's height.
    constexpr int kHeightShare = 12;
    // Share of the width a line may take.
    constexpr double kWidthUse = 0.94;

    std::string AvErrorText(int code)
    {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(code, text, sizeof text);
        return text;
    }

    // About how many ems wide a character is drawn: wide East Asian characters one, others
    // a little over half. Enough to keep a line inside the frame.
    double EmsOf(char32_t c)
    {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF)
            || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)
            || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
            || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF)
            || (c >= 0x20000 && c <= 0x3FFFD);
        return wide ? 1.0 : 0.62;
    }

    // The widest line in ems; the text is checked UTF-8 already.
    double WidestLineEms(const std::string& text)
    {
        double widest = 0.0, line = 0.0;
        for (size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
            char32_t c = extra == 0 ? lead : lead & (0x3Fu >> extra);
            for (int k = 1; k <= extra && i + static_cast<size_t>(k) < text.size(); ++k)
                c = (c << 6)
                    | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3Fu);
            i += static_cast<size_t>(extra) + 1;
            if (c == U'\n') {
                line = 0.0;
                continue;
            }
            line += EmsOf(c);
            widest = std::max(widest, line);
        }
        return widest;
    }

    int SetOption(AVFilterContext* filter, const char* name, const std::string& value)
    {
        return av_opt_set(filter, name, value.c_str(), AV_OPT_SEARCH_CHILDREN);
    }

} // namespace

CaptionPainter::CaptionPainter(std::string text, bool top, std::string fontFile)
    : m_text(std::move(text))
    , m_top(top)
    , m_fontFile(std::move(fontFile))
    , m_frame(av_frame_alloc())
{ }

int CaptionPainter::FontSize(const std::string& text, int width, int height)
{
    int size = std::max(8, height / kHeightShare);
    const double ems = WidestLineEms(text);
    if (ems > 0 && size * ems > width * kWidthUse)
        size = static_cast<int>(width * kWidthUse / ems);
    return std::max(6, size);
}

std::string CaptionPainter::Build(int width, int height)
{
    m_graph.reset(avfilter_graph_alloc());
    m_source = m_sink = nullptr;
    if (!m_graph)
        return "out of memory";
    // The frames are drawn on one by one on this thread: the graph needs none of its own.
    m_graph->nb_threads = 1;
    const std::string bufferArgs = "video_size=" + std::to_string(width) + "x"
        + std::to_string(height) + ":pix_fmt=" + std::to_string(AV_PIX_FMT_RGB24)
        + ":time_base=1/1000:pixel_aspect=1/1";
    int rc = avfilter_graph_create_filter(&m_source, avfilter_get_by_name("buffer"), "in",
        bufferArgs.c_str(), nullptr, m_graph.get());
    if (rc < 0)
        return "cannot set up the picture for the caption: " + AvErrorText(rc);
    rc = avfilter_graph_create_filter(
        &m_sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, m_graph.get());
    if (rc < 0)
        return "cannot set up the picture for the caption: " + AvErrorText(rc);
    const AVPixelFormat formats[] = { AV_PIX_FMT_RGB24, AV_PIX_FMT_NONE };
    av_opt_set_int_list(m_sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);

    const AVFilter* drawtext = avfilter_get_by_name("drawtext");
    if (!drawtext)
        return "this FFmpeg has no text filter (drawtext)";
    // One filter per line, so that each line is centred on its own.
    std::vector<std::string> lines;
    for (size_t from = 0;;) {
        const size_t end = m_text.find('\n', from);
        lines.push_back(m_text.substr(from, end == std::string::npos ? end : end - from));
        if (end == std::string::npos)
            break;
        from = end + 1;
    }
    const int size = FontSize(m_text, width, height);
    const int outline = std::max(1, (size + 8) / 16);
    const int margin = std::max(2, height / 40) + outline;
    const int lineHeight = size + size / 4 + 2 * outline;
    const int count = static_cast<int>(lines.size());
    AVFilterContext* previous = m_source;
    for (int i = 0; i < count; ++i) {
        AVFilterContext* text = avfilter_graph_alloc_filter(
            m_graph.get(), drawtext, ("line" + std::to_string(i)).c_str());
        if (!text)
            return "out of memory";
        const int top
            = m_top ? margin + i * lineHeight : height - margin - (count - i) * lineHeight;
        // Options set one by one, not through a filter description: the text needs no escapes.
        const std::pair<const char*, std::string> options[] = {
            { "fontfile", m_fontFile },
            { "text", lines[static_cast<size_t>(i)] },
            { "expansion", "none" },
            { "fontsize", std::to_string(size) },
            { "fontcolor", "white" },
            { "bordercolor", "black@0.85" },
            { "borderw", std::to_string(outline) },
            { "x", "(w-text_w)/2" },
            { "y", std::to_string(top + outline) },
        };
        for (const auto& [name, value] : options)
            if ((rc = SetOption(text, name, value)) < 0)
                return std::string("cannot set the caption's ") + name + ": " + AvErrorText(rc);
        if ((rc = avfilter_init_str(text, nullptr)) < 0)
            return "the text cannot be drawn with the font '" + m_fontFile
                + "': " + AvErrorText(rc);
        if ((rc = avfilter_link(previous, 0, text, 0)) < 0)
            return "cannot set up the caption's filters: " + AvErrorText(rc);
        previous = text;
    }
    if ((rc = avfilter_link(previous, 0, m_sink, 0)) < 0
        || (rc = avfilter_graph_config(m_graph.get(), nullptr)) < 0)
        return "cannot set up the caption's filters: " + AvErrorText(rc);
    return {};
}

std::string CaptionPainter::Paint(RgbImage& image)
{
    if (image.width != m_width || image.height != m_height) {
        m_width = image.width;
        m_height = image.height;
        m_error = Build(image.width, image.height);
    }
    if (!m_error.empty())
        return m_error;
    av_frame_unref(m_frame.get());
    m_frame->width = image.width;
    m_frame->height = image.height;
    m_frame->format = AV_PIX_FMT_RGB24;
    m_frame->pts = 0;
    if (av_frame_get_buffer(m_frame.get(), 0) < 0)
        return "out of memory";
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
        std::memcpy(m_frame->data[0] + static_cast<ptrdiff_t>(y) * m_frame->linesize[0],
            image.row(y), rowBytes);
    // The filter takes the frame over, so it may draw on it in place.
    int rc = av_buffersrc_add_frame_flags(m_source, m_frame.get(), 0);
    if (rc >= 0)
        rc = av_buffersink_get_frame(m_sink, m_frame.get());
    if (rc < 0)
        return "the caption cannot be drawn: " + AvErrorText(rc);
    if (m_frame->width != image.width || m_frame->height != image.height
        || m_frame->format != AV_PIX_FMT_RGB24) {
        av_frame_unref(m_frame.get());
        return "the caption's filters changed the picture";
    }
    for (int y = 0; y < image.height; ++y)
        std::memcpy(image.pixels.data() + static_cast<size_t>(y) * rowBytes,
            m_frame->data[0] + static_cast<ptrdiff_t>(y) * m_frame->linesize[0], rowBytes);
    av_frame_unref(m_frame.get());
    return {};
}

} // namespace video
