#include "tools/video/VideoOptions.h"

#include <charconv>
#include <cmath>

namespace video {
namespace {

    // Far beyond any clip, and small enough for every time stamp computed from it.
    constexpr double kMaxSeconds = 1e9;

    // A plain decimal number with a point, whatever the locale.
    std::optional<double> parseNumber(const std::string& text)
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
    std::optional<int> parseDimension(const std::string& text)
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
        bool atOption(const char* name) const
        {
            // The output path is always the last argument, even when it starts with a minus.
            return m_next + 1 < m_args.size() && m_args[m_next] == name;
        }
        const std::string& take() { return m_args[m_next++]; }
        size_t remaining() const { return m_args.size() - m_next; }
        const std::string& peek() const { return m_args[m_next]; }

    private:
        const std::vector<std::string>& m_args;
        size_t m_next = 0;
    };

    Outcome<VideoOptions> fail(const std::string& text)
    {
        return Outcome<VideoOptions>::failure(text);
    }

} // namespace

Outcome<VideoOptions> parseVideoOptions(const std::vector<std::string>& args)
{
    VideoOptions o;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        o.help = true;
        return o;
    }
    ArgumentReader r(args);
    if (!r.atOption("-i"))
        return fail("the first argument must be -i followed by the input file (see --help)");
    r.take();
    o.input = r.take();
    if (o.input.empty())
        return fail("the input path is empty");

    if (r.atOption("-y")) {
        r.take();
        o.overwrite = true;
    }
    if (r.atOption("-ss")) {
        r.take();
        const std::string& text = r.take();
        auto v = parseNumber(text);
        if (!v || *v < 0 || *v > kMaxSeconds)
            return fail("invalid start time '" + text + "' (seconds, 0 or more)");
        o.start = *v;
    }
    if (r.atOption("-t")) {
        r.take();
        const std::string& text = r.take();
        auto v = parseNumber(text);
        if (!v || *v <= 0 || *v > kMaxSeconds)
            return fail("invalid duration '" + text + "' (seconds, more than 0)");
        o.duration = *v;
    }
    if (r.atOption("-s")) {
        r.take();
        const std::string& text = r.take();
        auto x = text.find('x');
        auto w = x == std::string::npos ? std::nullopt : parseDimension(text.substr(0, x));
        auto h = x == std::string::npos ? std::nullopt : parseDimension(text.substr(x + 1));
        if (!w || !h)
            return fail(
                "invalid frame size '" + text + "' (WIDTHxHEIGHT, each 1 to 16384 or auto)");
        o.width = *w;
        o.height = *h;
    }
    if (r.atOption("-qscale")) {
        r.take();
        const std::string& text = r.take();
        auto v = parseNumber(text);
        if (!v || *v <= 0 || *v > 255)
            return fail("invalid quality scale '" + text + "' (more than 0, at most 255)");
        o.qscale = *v;
    }
    if (!r.atOption("-r")) {
        if (r.remaining() == 0)
            return fail("missing -r and the output path");
        return fail("unexpected argument '" + r.peek() + "' (expected -r; see --help)");
    }
    r.take();
    {
        const std::string& text = r.take();
        auto v = parseNumber(text);
        if (!v || *v < 0.001 || *v > 1000)
            return fail("invalid frame rate '" + text + "' (0.001 to 1000 frames per second)");
        o.rate = *v;
    }
    if (r.remaining() != 1) {
        if (r.remaining() == 0)
            return fail("missing output path");
        return fail("unexpected argument '" + r.peek() + "' (the output path must be last)");
    }
    o.output = r.take();
    if (o.output.empty())
        return fail("the output path is empty");
    return o;
}

std::string videoHelpText()
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
