#pragma once

#include "tools/video/ColourMapper.h"
#include "tools/video/FrameConverter.h"
#include "tools/video/VideoOptions.h"

#include <string>

namespace video {

// Draws a caption on converted frames with libavfilter's drawtext (FreeType, with FriBidi
// for right-to-left text): white with a dark outline, centred, its line height a fixed
// share of the frame's height (less when a long line would not fit the width). The graph is
// built for the first frame and again when the size changes. One per thread.
class CaptionPainter
{
public:
    CaptionPainter(std::string text, bool top, std::string fontFile);

    // Draws on `image` in place; empty on success, else why not.
    std::string Paint(RgbImage& image);

    // The font size for a picture of that size: the share of the height, or less so that
    // the longest line fits the width.
    static int FontSize(const std::string& text, int width, int height);

private:
    std::string Build(int width, int height);

    std::string m_text;
    bool m_top;
    std::string m_fontFile;
    FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    FramePtr m_frame;
    int m_width = -1;
    int m_height = -1;
    std::string m_error; // the graph for this size could not be built
};

} // namespace video
