#include "tools/video/VideoOptions.h"

#include "tools/video/CaptionText.h"

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

    // "W:H:X:Y", whole pixels: a size of 1 to 16384, a corner of 0 or more.
    std::optional<CropArea> ParseCrop(const std::string& text)
    {
        int values[4] = {};
        size_t from = 0;
        for (int i = 0; i < 4; ++i) {
            size_t colon = i < 3 ? text.find(':', from) : text.size();
            if (colon == std::string::npos || colon == from || colon - from > 5)
                return std::nullopt;
            const char* end = text.data() + colon;
            auto [ptr, ec] = std::from_chars(text.data() + from, end, values[i]);
            if (ec != std::errc() || ptr != end || values[i] < 0)
                return std::nullopt;
            from = colon + 1;
        }
        if (values[0] < 1 || values[1] < 1 || values[0] > 16384 || values[1] > 16384)
            return std::nullopt;
        return CropArea { values[0], values[1], values[2], values[3] };
    }

    // The options that shape the frames: after -r, in any order, each at most once.
    std::string ParseShapingOptions(ArgumentReader& r, VideoOptions& o)
    {
        std::vector<std::string> seen;
        auto once = [&seen](const std::string& name) {
            for (const std::string& s : seen)
                if (s == name)
                    return false;
            seen.push_back(name);
            return true;
        };
        while (r.remaining() > 1) {
            const std::string name = r.Peek();
            if (name != "-speed" && name != "-to" && name != "-crop" && name != "-caption"
                && name != "-captionfile" && name != "-captionat" && name != "-captionfrom"
                && name != "-captionto")
                return "unexpected argument '" + name + "' (the output path must be last)";
            if (r.remaining() < 3)
                return "option " + name + " needs a value before the output path";
            r.Take();
            const std::string& text = r.Take();
            if (!once(name == "-captionfile" ? "-caption" : name))
                return name + " is given twice";
            if (name == "-speed") {
                auto v = ParseNumber(text);
                if (!v || *v < 0.25 || *v > 4)
                    return "invalid speed '" + text + "' (0.25 to 4)";
                o.speed = *v;
            } else if (name == "-to") {
                auto v = ParseNumber(text);
                if (!v || *v <= o.start || *v > kMaxSeconds)
                    return "invalid end '" + text + "' (seconds, after the start)";
                if (o.duration)
                    return "-to and -t cannot both be given";
                o.end = *v;
                o.duration = *v - o.start;
            } else if (name == "-crop") {
                o.crop = ParseCrop(text);
                if (!o.crop)
                    return "invalid crop '" + text
                        + "' (W:H:X:Y in pixels, a size of 1 to 16384, a corner of 0 or more)";
            } else if (name == "-caption") {
                if (std::string error = CheckCaptionText(text); !error.empty())
                    return "-caption: " + error;
                o.caption.text = text;
            } else if (name == "-captionfile") {
                auto read = ReadCaptionFile(text);
                if (!read)
                    return "-captionfile: " + read.Error();
                o.caption.text = read.Value();
            } else if (name == "-captionat") {
                if (text != "top" && text != "bottom")
                    return "invalid caption place '" + text + "' (top or bottom)";
                o.caption.top = text == "top";
            } else {
                auto v = ParseNumber(text);
                if (!v || *v < 0 || *v > kMaxSeconds)
                    return "invalid " + name + " time '" + text + "' (seconds, 0 or more)";
                (name == "-captionfrom" ? o.caption.from : o.caption.to) = *v;
            }
        }
        if (o.caption.from && o.caption.to && *o.caption.to <= *o.caption.from)
            return "the caption's end (-captionto) must lie after its start (-captionfrom)";
        if (o.caption.text.empty() && (o.caption.from || o.caption.to))
            return "-captionfrom and -captionto need -caption or -captionfile";
        return {};
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
    if (std::string error = ParseShapingOptions(r, o); !error.empty())
        return Fail(error);
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
           "                 [-qscale Q] -r RATE [-to END] [-speed S] [-crop W:H:X:Y]\n"
           "                 [-caption TEXT | -captionfile PATH] [-captionat top|bottom]\n"
           "                 [-captionfrom T] [-captionto T] OUTPUT\n"
           "Writes the frames of a video as numbered still images, in this argument order.\n"
           "  -i INPUT     the video file\n"
           "  -y           overwrite existing output files\n"
           "  -ss START    start time in seconds (default 0)\n"
           "  -t DURATION  length in seconds (default: to the end of the video)\n"
           "  -s WxH       frame size in pixels (default: the display size of the video);\n"
           "               either side may be auto, keeping the picture's proportions\n"
           "  -qscale Q    JPEG quality scale, 2 (best) to 31 (default: high quality)\n"
           "  -r RATE      frames taken per second\n"
           "  -to END      end in seconds of the file, in place of -t; an END past the end\n"
           "               of the video is an error\n"
           "  -speed S     0.25 to 4: frames are taken S times as far apart in the clip, so\n"
           "               the images play S times as fast at the same rate\n"
           "  -crop W:H:X:Y  keeps a W x H rectangle whose top left corner lies at X,Y of\n"
           "               the displayed picture (after its rotation), before -s scales it\n"
           "  -caption TEXT  draws TEXT (UTF-8, one or two lines) white with a dark outline\n"
           "  -captionfile PATH  the same with the text of a file\n"
           "  -captionat P top or bottom (default bottom)\n"
           "  -captionfrom T, -captionto T  seconds of the clip between which the caption\n"
           "               shows (default: throughout)\n"
           "               The options after -r come in any order.\n"
           "  OUTPUT       file path whose name holds %d or %0Nd (for example frame%08d.png);\n"
           "               the extension selects the format: .png .jpg .bmp .tga .pcx\n"
           "Exit status 0 when at least one frame was written.\n";
}

} // namespace video
