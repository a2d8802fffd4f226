#include "tools/imgconv/ImgconvOptions.h"

#include "tools/imgconv/OutputName.h"

#include <cerrno>
#include <cstdlib>

namespace imgconv {

namespace {

    bool ParseCount(const std::string& text, int maximum, int& value)
    {
        if (text.empty() || text.size() > 9)
            return false;
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
        }
        const long parsed = std::strtol(text.c_str(), nullptr, 10);
        if (parsed > maximum)
            return false;
        value = static_cast<int>(parsed);
        return true;
    }

} // namespace

bool ParseByteCount(const std::string& text, long long& bytes)
{
    if (text.empty())
        return false;
    std::string digits = text;
    long long unit = 1;
    const char last = digits.back();
    if (last == 'k' || last == 'K') {
        unit = 1000;
        digits.pop_back();
    } else if (last == 'M') {
        unit = 1000 * 1000;
        digits.pop_back();
    }
    if (digits.empty() || digits.size() > 12)
        return false;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
    }
    const long long value = std::strtoll(digits.c_str(), nullptr, 10) * unit;
    if (value < 1)
        return false;
    bytes = value;
    return true;
}

const char* UsageText()
{
    return "Usage:\n"
           "  imgconv.dll [-delay N] [-loop N] [-quality Q] [-max-size BYTES]\n"
           "              WILDCARD OUT.gif\n"
           "      assembles the PNG frames matching WILDCARD into one animated GIF\n"
           "  imgconv.dll WILDCARD [-delay N] [-loop N] [-quality Q] OUT%d.gif\n"
           "      writes one GIF per frame; the last %d or %0Nd of the file name is the\n"
           "      frame number, from 1\n"
           "Options:\n"
           "  -delay N   delay between frames in hundredths of a second (default: the\n"
           "             frames' own FrameInterval, else 10)\n"
           "  -loop N    replay count, 0 for endless (default 0): browsers play the GIF\n"
           "             once and then repeat it N times\n"
           "  -quality Q size against quality, 1 (smallest) to 100 (best); without it the\n"
           "             balanced default, the same as 90\n"
           "  -order O   the frames' order, in either form: forward (default), reverse, or\n"
           "             bounce (forward, then back: n frames give 2n-2, the turning frames\n"
           "             shown once)\n"
           "  -max-size BYTES  the best animation that fits in BYTES (suffix k = 1000,\n"
           "             M = 1000000): the quality is lowered until it fits, from -quality\n"
           "             when given, aiming at 90 % of BYTES or more; fails, writing\n"
           "             nothing, when even quality 1 is too big\n"
           "  --help     shows this text\n"
           "WILDCARD may hold * and ? in its file-name part; frames are taken in name order.\n";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine result;
    std::vector<std::string> positional;
    // Where the options stood: before the first path, or between the two paths.
    bool optionsBefore = false;
    bool optionsBetween = false;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-help" || arg == "-h") {
            result.help = true;
            return result;
        }
        if (arg == "-delay" || arg == "-loop" || arg == "-quality" || arg == "-max-size"
            || arg == "-order") {
            if (i + 1 >= args.size()) {
                result.error = "option " + arg + " needs a value";
                return result;
            }
            const std::string& value = args[++i];
            int number = 0;
            if (arg == "-delay") {
                if (!ParseCount(value, 65535, number)) {
                    result.error
                        = "bad -delay value '" + value + "' (hundredths of a second, 0 to 65535)";
                    return result;
                }
                result.command.delay = number;
            } else if (arg == "-loop") {
                if (!ParseCount(value, 65535, number)) {
                    result.error = "bad -loop value '" + value + "' (0 to 65535, 0 = endless)";
                    return result;
                }
                result.command.loop = number;
            } else if (arg == "-quality") {
                if (!ParseCount(value, 100, number) || number < 1) {
                    result.error = "bad -quality value '" + value + "' (1 to 100)";
                    return result;
                }
                result.command.quality = number;
            } else if (arg == "-order") {
                if (value == "forward") {
                    result.command.order = FrameOrder::Forward;
                } else if (value == "reverse") {
                    result.command.order = FrameOrder::Reverse;
                } else if (value == "bounce") {
                    result.command.order = FrameOrder::Bounce;
                } else {
                    result.error = "bad -order value '" + value + "' (forward, reverse or bounce)";
                    return result;
                }
            } else {
                long long bytes = 0;
                if (!ParseByteCount(value, bytes)) {
                    result.error = "bad -max-size value '" + value
                        + "' (bytes, at least 1, with an optional k or M suffix)";
                    return result;
                }
                result.command.maxSize = bytes;
            }
            if (positional.empty()) {
                optionsBefore = true;
            } else if (positional.size() == 1) {
                optionsBetween = true;
            } else {
                result.error = "options must come before the output name";
                return result;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            result.error = "unknown option '" + arg + "' (see --help)";
            return result;
        }
        positional.push_back(arg);
    }

    if (positional.size() != 2) {
        result.error = positional.size() < 2 ? "missing frame wildcard or output name (see --help)"
                                             : "too many arguments (see --help)";
        return result;
    }
    if (optionsBefore && optionsBetween) {
        result.error = "options go either before the wildcard or after it, not both";
        return result;
    }
    result.command.wildcard = positional[0];
    result.command.output = positional[1];
    if (result.command.wildcard.empty() || result.command.output.empty()) {
        result.error = "empty file name";
        return result;
    }

    const bool hasPlaceholder = FindFrameNumberPlaceholder(result.command.output).found;
    if (optionsBetween || (!optionsBefore && hasPlaceholder)) {
        result.command.form = OutputForm::PerFrame;
        if (!hasPlaceholder) {
            result.error = "the output name of the per-frame form needs %d in its file name";
            return result;
        }
        if (result.command.maxSize) {
            result.error = "-max-size applies to one animated GIF, not to one GIF per frame";
            return result;
        }
    }
    return result;
}

} // namespace imgconv
