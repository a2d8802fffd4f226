#include "tools/video/VideoOptions.h"

#include <charconv>
#include <cmath>

namespace video {
namespace {

    // Far beyond any clip, and small enough for every time stamp computed from it.
    constexpr double kMaxSeconds = 1e9;

    // A plain decimal number with a point, whatever the locale.
    std::optional<double> ParseNumber(const std::string& text)
    {
        if (text.empty() || text.front() == '+' || text.front() == ' ')
            return std::nullopt;
        double value = 0.0;
        const char* end = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
        if (ec != std::errc() || ptr != end || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    // 1..16384, or 0 for "auto" (follow the other side, keeping the proportions).
    std::optional<int> ParseDimension(const std::string& text)
    {
        if (text == "auto")
            return 0;
        if (text.empty() || text.size() > 5)
            return std::nullopt;
        int value = 0;
        const char* end = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (ec != std::errc() || ptr != end || value < 1 || value > 16384)
            return std::nullopt;
        return value;
    }

    class ArgumentReader
    {
    public:
        explicit ArgumentReader(const std::vector<std::string>& args)
            : m_args(args)
        { }
        bool AtOption(const char* name) const
        {
            // The output path is always the last argument, even when it starts with a minus.
            return m_next + 1 < m_args.size() && m_args[m_next] == name;
        }
        const std::string& Take() { return m_args[m_next++]; }
        size_t remaining() const { return m_args.size() - m_next; }
        const std::string& Peek() const { return m_args[m_next]; }

    private:
        const std::vector<std::string>& m_args;
        size_t m_next = 0;
    };

    Outcome<VideoOptions> Fail(const std::string& text)
    {
        return Outcome<VideoOptions>::Failure(text);
    }

} // namespace

Outcome<VideoOptions> ParseVideoOptions(const std::vector<std::string>& args)
{
    VideoOptions o;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        o.help = true;
        return o;
    }
    ArgumentReader r(args);
    if (!r.AtOption("-i"))
        return Fail("the first argument must be -i followed by the input file (see --help)");
    r.Take();
    o.input = r.Take();
    if (o.input.empty())
        return Fail("the input path is empty");

    if (r.AtOption("-y")) {
        r.Take();
        o.overwrite = true;
    }
    if (r.AtOption("-ss")) {
        r.Take();
        const std::string& text = r.Take();
        auto v = ParseNumber(text);
        if (!v || *v < 0 || *v > kMaxSeconds)
            return Fail("invalid start time '" + text + "' (seconds, 0 or more)");
        o.start = *v;
    }
    if (r.AtOption("-t")) {
        r.Take();
        const std::string& text = r.Take();
        auto v = ParseNumber(text);
        if (!v || *v <= 0 || *v > kMaxSeconds)
            return Fail("invalid duration '" + text + "' (seconds, more than 0)");
        o.duration = *v;
    }
    if (r.AtOption("-s")) {
        r.Take();
        const std::string& text = r.Take();
        auto x = text.find('x');
        auto w = x == std::string::npos ? std::nullopt : ParseDimension(text.substr(0, x));
        auto h = x == std::string::npos ? std::nullopt : ParseDimension(text.substr(x + 1));
        if (!w || !h)
            return Fail(
                "invalid frame size '" + text + "' (WIDTHxHEIGHT, each 1 to 16384 or auto)");
        o.width = *w;
        o.height = *h;
    }
    if (r.AtOption("-qscale")) {
        r.Take();
        const std::string& text = r.Take();
        auto v = ParseNumber(text);
        if (!v || *v <= 0 || *v > 255)
            return Fail("invalid quality scale '" + text + "' (more than 0, at most 255)");
        o.qscale = *v;
    }
    if (!r.AtOption("-r")) {
        if (r.remaining() == 0)
            return Fail("missing -r and the output path");
        return Fail("unexpected argument '" + r.Peek() + "' (expected -r; see --help)");
    }
    r.Take();
    {
        const std::string& text = r.Take();
        auto v = ParseNumber(text);
        if (!v || *v < 0.001 || *v > 1000)
            return Fail("invalid frame rate '" + text + "' (0.001 to 1000 frames per second)");
        o.rate = *v;
    }
    if (r.remaining() != 1) {
        if (r.remaining() == 0)
            return Fail("missing output path");
        return Fail("unexpected argument '" + r.Peek() + "' (the output path must be last)");
    }
    o.output = r.Take();
    if (o.output.empty())
        return Fail("the output path is empty");
    return o;
}

std::string VideoHelpText()
{
    return "Usage: video.dll -i INPUT [-y] [-ss START] [-t DURATION] [-s WIDTHxHEIGHT]\n"
           "                 [-qscale Q] -r RATE OUTPUT\n"
           "Writes the frames of a video as numbered still images, in this argument order.\n"
           "  -i INPUT     the video file\n"
           "  -y           overwrite existing output files\n"
           "  -ss START    start time in seconds (default 0)\n"
           "  -t DURATION  length in seconds (default: to the end of the video)\n"
           "  -s WxH       frame size in pixels (default: the display size of the video);\n"
           "               either side may be auto, keeping the picture's proportions\n"
           "  -qscale Q    JPEG quality scale, 2 (best) to 31 (default: high quality)\n"
           "  -r RATE      frames taken per second\n"
           "  OUTPUT       file path whose name holds %d or %0Nd (for example frame%08d.png);\n"
           "               the extension selects the format: .png .jpg .bmp .tga .pcx\n"
           "Exit status 0 when at least one frame was written.\n";
}

} // namespace video
