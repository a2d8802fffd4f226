#include "cli/ConsoleOptions.h"

#include "engine/SettingsText.h"
#include "engine/ToolCommandLines.h"
#include "platform/AsciiText.h"

#include <cctype>
#include <cstdio>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Plain decimal digits: no sign, no blanks, no trailing letters.
bool IsWholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

// Digits with at most one point ("15", "0.5", ".5", "2."), no exponent.
bool IsDecimalNumber(const std::string& text)
{
    int digits = 0;
    int points = 0;
    for (char c : text) {
        if (IsDigit(c))
            ++digits;
        else if (c == '.')
            ++points;
        else
            return false;
    }
    return digits > 0 && digits <= 12 && points <= 1;
}

bool Is(const std::string& text, const char* word)
{
    return EqualsIgnoringCase(text, word);
}

void Override(
    ConsoleOptions& o, std::string ConversionSettings::*field, std::string text, const char* option)
{
    o.Overrides.push_back({ field, std::move(text), option });
}

// Each taker checks one option's value and records it; an error text says why
// the value is refused (the option's name is put before it).

std::string TakeStart(const std::string& v, ConsoleOptions& o)
{
    if (!IsWholeNumber(v))
        return "'" + v + "' is not a whole number of seconds (0 or more)";
    // The settings file's rule: the integer value, 0 or more.
    SettingsInput in;
    in.Start = v;
    Override(o, &ConversionSettings::Start, NormalisedSettings(in).Start, "--start");
    return {};
}

std::string TakeEnd(const std::string& v, ConsoleOptions& o)
{
    if (Is(v, "default") || Is(v, "end")) {
        Override(o, &ConversionSettings::End, "Default", "--end");
        return {};
    }
    if (!IsWholeNumber(v))
        return "'" + v + "' is not a whole number of seconds (or default: the end of the video)";
    if (IntegerValue(v) < 1)
        return "'" + v + "' is not after the start (use default for the end of the video)";
    // Checked against the start once the settings file is read.
    Override(o, &ConversionSettings::End, FormatInteger(IntegerValue(v)), "--end");
    return {};
}

std::string TakeSize(const std::string& v, ConsoleOptions& o)
{
    const char* bad = "' is not WIDTHxHEIGHT (each 1 to 6000 or auto), auto or default";
    std::string width = "auto";
    std::string height = "auto";
    if (!Is(v, "auto") && !Is(v, "default")) {
        const std::size_t x = v.find_first_of("xX");
        if (x == std::string::npos)
            return "'" + v + bad;
        width = v.substr(0, x);
        height = v.substr(x + 1);
    }
    auto side = [](std::string& text) {
        if (Is(text, "auto")) {
            text = "auto";
            return true;
        }
        // The settings file's rule for either side.
        if (!IsWholeNumber(text) || !InRange(kWidthField, IntegerValue(text)))
            return false;
        text = FormatInteger(IntegerValue(text));
        return true;
    };
    if (!side(width) || !side(height))
        return "'" + v + bad;
    if (width == "auto" && height == "auto")
        width = height = "Default"; // the size of the video
    Override(o, &ConversionSettings::ResolutionX, width, "--size");
    Override(o, &ConversionSettings::ResolutionY, height, "--size");
    return {};
}

// A real value checked by the settings file's own rules: refused when it is
// no plain number or the rules would store `fallback` in its place.
std::string TakeReal(const std::string& v, ConsoleOptions& o, std::string SettingsInput::*input,
    std::string ConversionSettings::*field, const std::string& fallback, const char* option,
    const std::string& expected)
{
    SettingsInput in;
    in.*input = v;
    const std::string stored = NormalisedSettings(in).*field;
    if (!IsDecimalNumber(v) || stored == fallback)
        return "'" + v + "' is not " + expected;
    Override(o, field, stored, option);
    return {};
}

std::string TakeQuality(const std::string& v, ConsoleOptions& o)
{
    if (Is(v, "default")) {
        Override(o, &ConversionSettings::VBRValue, "Default", "--quality");
        return {};
    }
    return TakeReal(v, o, &SettingsInput::VBRValue, &ConversionSettings::VBRValue, "Default",
        "--quality", "a quality scale from 0.01 to 255 (or default)");
}

// The console name of a stored format (its index in the format list).
std::string FormatName(const std::string& stored)
{
    for (std::size_t i = 0; i < std::size(kOutputFormats); ++i)
        if (stored == FormatInteger(static_cast<long long>(i)))
            return kOutputFormats[i].ConsoleName;
    return "'" + stored + "'";
}

std::string TakeFormat(const std::string& v, ConsoleOptions& o)
{
    // The file stores the format's index.
    std::string names;
    for (std::size_t i = 0; i < std::size(kOutputFormats); ++i) {
        if (Is(v, kOutputFormats[i].ConsoleName)) {
            Override(o, &ConversionSettings::FileFormat, FormatInteger(static_cast<long long>(i)),
                "--format");
            return {};
        }
        names += (i == 0 ? "" : ", ") + std::string(kOutputFormats[i].ConsoleName);
    }
    return "'" + v + "' is not one of " + names;
}

std::string TakeLoop(const std::string& v, ConsoleOptions& o)
{
    if (Is(v, "forever")) {
        Override(o, &ConversionSettings::Loop, "0", "--loop");
        return {};
    }
    if (!IsWholeNumber(v) || !InRange(kLoopField, IntegerValue(v)))
        return "'" + v + "' is not a count from 0 to 1000 (0 or forever: endlessly)";
    SettingsInput in;
    in.Loop = v;
    Override(o, &ConversionSettings::Loop, NormalisedSettings(in).Loop, "--loop");
    return {};
}

// Interval and frame rate share the settings file's range.
std::string Stored2Decimals(const std::string& v)
{
    SettingsInput in;
    in.ImagesPerSecond = v;
    const std::string stored = NormalisedSettings(in).ImagesPerSecond;
    return IsDecimalNumber(v) && InRange(kIntervalField, RealValue(v)) ? stored : std::string();
}

std::string TakeInterval(const std::string& v, ConsoleOptions& o)
{
    const std::string stored = Stored2Decimals(v);
    if (stored.empty())
        return "'" + v + "' is not an interval from 0.01 to 100 seconds";
    Override(o, &ConversionSettings::ImagesPerSecond, stored, "--interval");
    o.IntervalGiven = true;
    return {};
}

std::string TakeRate(const std::string& v, ConsoleOptions& o)
{
    const std::string rate = Stored2Decimals(v);
    if (rate.empty())
        return "'" + v + "' is not a rate from 0.01 to 100 frames per second";
    // Kept exact rather than at the file's two decimals, so that 15 frames a
    // second reach the video tool as 15.00 and not as 1 / 0.07.
    char interval[64];
    std::snprintf(interval, sizeof interval, "%.17g", 1.0 / RealValue(rate));
    Override(o, &ConversionSettings::ImagesPerSecond, interval, "--rate");
    o.IntervalGiven = true;
    return {};
}

std::string TakePlaybackRate(const std::string& v, ConsoleOptions& o)
{
    // 0 is the stored "not set": the GIF keeps the video's own timing.
    if (IsDecimalNumber(v) && RealValue(v) == 0) {
        Override(o, &ConversionSettings::TimeDelay, "0.00", "--playback-fps");
        o.PlaybackRateGiven = true;
        return {};
    }
    std::string error = TakeReal(v, o, &SettingsInput::TimeDelay, &ConversionSettings::TimeDelay,
        "0.00", "--playback-fps", "a frame rate from 0.01 to 100 (0: real time)");
    if (error.empty())
        o.PlaybackRateGiven = true;
    return error;
}

std::string TakeGifQuality(const std::string& v, ConsoleOptions& o)
{
    if (!IsWholeNumber(v) || IntegerValue(v) < 1 || IntegerValue(v) > 100)
        return "'" + v + "' is not a GIF quality from 1 (smallest) to 100 (best)";
    o.GifQuality = FormatInteger(IntegerValue(v));
    return {};
}

std::string TakeMaxSize(const std::string& v, ConsoleOptions& o)
{
    // Bytes, or thousands (k) or millions (M) of them; at most 9 digits before the suffix.
    std::string digits = v;
    long long unit = 1;
    if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) {
        unit = 1000;
        digits.pop_back();
    } else if (!digits.empty() && digits.back() == 'M') {
        unit = 1000 * 1000;
        digits.pop_back();
    }
    if (!IsWholeNumber(digits) || IntegerValue(digits) < 1)
        return "'" + v + "' is not a size in bytes (at least 1; suffix k = 1000, M = 1000000)";
    // The image tool takes at most twelve digits; refused here rather than after the frames.
    if (IntegerValue(digits) * unit > 999'999'999'999LL)
        return "'" + v + "' is too large a size (at most 999999M)";
    o.MaxSize = FormatInteger(IntegerValue(digits) * unit);
    return {};
}

std::string TakeFitBy(const std::string& v, ConsoleOptions& o)
{
    if (!Is(v, "quality") && !Is(v, "frames"))
        return "'" + v
            + "' is not quality (lower the quality only) or frames (then the frame "
              "rate and size)";
    Override(o, &ConversionSettings::FitBy, Is(v, "frames") ? "frames" : "quality", "--fit-by");
    return {};
}

std::string TakeFolder(const std::string& v, ConsoleOptions& o)
{
    if (v.empty())
        return "the folder name is empty";
    o.OutputFolder = v;
    return {};
}

// The edit's own check for the part of the edit that an option gave, so that a refusal
// names that option's value: "The speed 5 is outside 0.25 to 4."
std::string CheckedPart(const FileEdit& part)
{
    std::string error = CheckFileEdit(part);
    // The check's sentence, without its full stop, after the option's name.
    if (!error.empty() && error.back() == '.')
        error.pop_back();
    if (!error.empty())
        error[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(error[0])));
    return error;
}

std::string TakeTrim(const std::string& v, ConsoleOptions& o)
{
    FileEdit part;
    if (!ParseTrim(v, &part.TrimStart, &part.TrimEnd))
        return "'" + v
            + "' is not START-END (seconds, or HH:MM:SS.mmm; either side may be left out)";
    if (std::string error = CheckedPart(part); !error.empty())
        return error;
    o.Edit.TrimStart = part.TrimStart;
    o.Edit.TrimEnd = part.TrimEnd;
    return {};
}

std::string TakeCrop(const std::string& v, ConsoleOptions& o)
{
    FileEdit part;
    part.Crop = ParseCrop(v);
    if (!part.Crop)
        return "'" + v + "' is not W:H:X:Y (whole pixels of the displayed picture)";
    if (std::string error = CheckedPart(part); !error.empty())
        return error;
    o.Edit.Crop = part.Crop;
    return {};
}

std::string TakeSpeed(const std::string& v, ConsoleOptions& o)
{
    const std::optional<double> speed = ParseSpeed(v);
    if (!speed)
        return "'" + v + "' is not a speed from 0.25 to 4";
    FileEdit part;
    part.Speed = *speed;
    if (std::string error = CheckedPart(part); !error.empty())
        return error;
    o.Edit.Speed = *speed;
    return {};
}

std::string TakeCaption(const std::string& v, ConsoleOptions& o)
{
    if (v.empty())
        return "the caption is empty";
    FileEdit part;
    part.Caption = v;
    if (std::string error = CheckedPart(part); !error.empty())
        return error;
    o.Edit.Caption = v;
    return {};
}

std::string TakeCaptionPlace(const std::string& v, ConsoleOptions& o)
{
    if (!Is(v, "top") && !Is(v, "bottom"))
        return "'" + v + "' is not top or bottom";
    o.Edit.CaptionAt = Is(v, "top") ? CaptionPlace::Top : CaptionPlace::Bottom;
    o.CaptionPlaceGiven = true;
    return {};
}

struct OptionRow
{
    const char* Name;
    const char* Argument; // nullptr for a switch
    const char* Keys; // the settings keys it stands for, or nullptr
    const char* Help;
    std::string (*Take)(const std::string& value, ConsoleOptions& options);
};

// New options go here: the parser and --help both read this table.
const OptionRow kOptions[] = {
    { "-o", "FOLDER", nullptr, "write into FOLDER (default: the current folder)", TakeFolder },
    { "--mkdir", nullptr, nullptr, "make the -o FOLDER (with its parents) when it is missing",
        [](const std::string&, ConsoleOptions& o) {
            o.MakeFolder = true;
            return std::string();
        } },
    { "--start", "SECONDS", "Start", "start of the clip", TakeStart },
    { "--end", "SECONDS", "End", "end of the clip; default: the end of the video", TakeEnd },
    { "--size", "WxH", "ResolutionX, ResolutionY",
        "frame size, 1 to 6000 each; a side may be auto (keeps the proportions); "
        "auto: the video's size",
        TakeSize },
    { "--quality", "Q", "VBRValue", "JPEG quality scale 0.01 to 255 (2 best); default: the tool's",
        TakeQuality },
    { "--format", "FORMAT", "FileFormat",
        "gif, gif-frames (one GIF per frame), jpg, png, bmp, tga, pcx", TakeFormat },
    { "--loop", "N", "Loop", "replays of the GIF, 0 to 1000; 0 or forever: endlessly", TakeLoop },
    { "--interval", "SECONDS", "ImagesPerSecond",
        "seconds of video between two frames taken, 0.01 to 100", TakeInterval },
    { "--rate", "FPS", "ImagesPerSecond",
        "frames taken per second of video, 0.01 to 100 (the reciprocal of --interval)", TakeRate },
    { "--playback-fps", "FPS", "TimeDelay",
        "frame rate the GIF plays at, 0.01 to 100; 0: real time. Without it the GIF plays "
        "in real time when --rate or --interval is given, else at the settings file's rate",
        TakePlaybackRate },
    { "--trim", "START-END", nullptr,
        "convert only this part of each file, in seconds (12.5) or HH:MM:SS.mmm; either side "
        "may be left out (5- or -12.5). In place of --start and --end",
        TakeTrim },
    { "--crop", "W:H:X:Y", nullptr,
        "keep a W x H rectangle whose top left corner lies at X,Y of the displayed picture "
        "(before --size scales it); a file whose picture it does not fit fails",
        TakeCrop },
    { "--speed", "S", nullptr,
        "play S times as fast, 0.25 to 4: frames are taken S times as far apart and the GIF "
        "keeps its frame rate",
        TakeSpeed },
    { "--reverse", nullptr, nullptr, "play the GIF backwards. GIF formats only",
        [](const std::string&, ConsoleOptions& o) {
            o.Edit.Order = FrameOrder::Reverse;
            return std::string();
        } },
    { "--bounce", nullptr, nullptr,
        "play the GIF forwards, then backwards (the turning frames once). GIF formats only",
        [](const std::string&, ConsoleOptions& o) {
            o.Edit.Order = FrameOrder::Bounce;
            return std::string();
        } },
    { "--caption", "TEXT", nullptr,
        "draw TEXT on every frame, white with a dark outline; up to 200 characters on one or "
        "two lines (a line break in TEXT starts the second)",
        TakeCaption },
    { "--caption-at", "PLACE", nullptr, "where the caption goes: top or bottom (default)",
        TakeCaptionPlace },
    { "--gif-quality", "Q", "GifQuality",
        "GIF size against quality, 1 (smallest) to 100 (best); without it the image tool's "
        "balanced default, the same as 90. GIF formats only",
        TakeGifQuality },
    { "--max-size", "SIZE", "MaxSize",
        "make each GIF the best that fits in SIZE bytes (suffix k = 1000, M = 1000000), "
        "lowering the quality as needed; a file that cannot fit even at the lowest quality "
        "fails and nothing is written for it (see --fit-by). Format gif only",
        TakeMaxSize },
    { "--fit-by", "HOW", "FitBy",
        "when --max-size cannot be met at the lowest quality: quality (the default) fails "
        "the file; frames lowers the frame rate (not below 5 fps, the GIF keeps its length), "
        "then the frame size (not below 120 pixels), and says what it gave up",
        TakeFitBy },
    { "--estimate", nullptr, nullptr,
        "make no GIF: print for each FILE about how large its GIF would be (and the range "
        "it lies in), its frames and frame size, and how long converting it would take, "
        "from a few short stretches encoded with the same settings. With --max-size, also "
        "whether the GIF made without it would fit",
        [](const std::string&, ConsoleOptions& o) {
            o.Estimate = true;
            return std::string();
        } },
    { "-n", nullptr, nullptr,
        "no clobber (also --no-clobber): a file whose output exists already in the folder "
        "fails, and the existing file stays as it is; without it such outputs are replaced",
        [](const std::string&, ConsoleOptions& o) {
            o.NoClobber = true;
            return std::string();
        } },
    { "--json", nullptr, nullptr,
        "print one JSON object per file and line instead: input, outputs, result (success, "
        "failed, stopped), reason, bytes, frames, seconds. A name that is not UTF-8 is an "
        "array of its bytes (0 to 255) in place of a string",
        [](const std::string&, ConsoleOptions& o) {
            o.Json = true;
            return std::string();
        } },
    { "-v", nullptr, nullptr, "also print the tools' command lines",
        [](const std::string&, ConsoleOptions& o) {
            o.Level = Verbosity::Verbose;
            return std::string();
        } },
    { "-q", nullptr, nullptr, "print only errors and failed files",
        [](const std::string&, ConsoleOptions& o) {
            o.Level = Verbosity::Quiet;
            return std::string();
        } },
    { "-h", nullptr, nullptr, "show this help (also --help)",
        [](const std::string&, ConsoleOptions& o) {
            o.Help = true;
            return std::string();
        } },
};

const OptionRow* FindOption(const std::string& name)
{
    if (name == "--help")
        return FindOption("-h");
    if (name == "--no-clobber")
        return FindOption("-n");
    for (const OptionRow& row : kOptions)
        if (name == row.Name)
            return &row;
    return nullptr;
}

} // namespace

ParsedConsoleOptions ParseConsoleOptions(const std::vector<std::string>& args)
{
    ParsedConsoleOptions parsed;
    ConsoleOptions& o = parsed.Options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.Files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value as well as --name value.
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        if (const std::size_t eq = arg.find('=');
            arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const OptionRow* row = FindOption(name);
        if (!row) {
            parsed.Error = "unknown option " + name;
            return parsed;
        }
        if (row->Argument && !inlineValue) {
            if (i + 1 >= args.size()) {
                parsed.Error = name + " needs a value (" + row->Argument + ")";
                return parsed;
            }
            value = args[++i];
        } else if (!row->Argument && inlineValue) {
            parsed.Error = name + " takes no value";
            return parsed;
        }
        if (std::string error = row->Take(value, o); !error.empty()) {
            parsed.Error = name + ": " + error;
            return parsed;
        }
        if (o.Help)
            return parsed;
        if (row->Take == TakeStart || row->Take == TakeEnd)
            o.StartOrEndGiven = true;
    }
    if (o.StartOrEndGiven && (o.Edit.TrimStart || o.Edit.TrimEnd))
        parsed.Error = "--trim: takes the place of --start and --end; give one or the others";
    else if (o.CaptionPlaceGiven && o.Edit.Caption.empty())
        parsed.Error = "--caption-at: places a --caption, and none is given";
    return parsed;
}

std::string ApplyOverrides(const ConsoleOptions& options, ConversionSettings& settings)
{
    const char* endOption = nullptr;
    for (const SettingOverride& o : options.Overrides) {
        settings.*(o.Field) = o.Text;
        if (o.Field == &ConversionSettings::End)
            endOption = o.Option;
    }
    // A frame rate stored for the file's interval does not fit another one.
    if (options.IntervalGiven && !options.PlaybackRateGiven)
        settings.TimeDelay = "0.00";
    if (!options.GifQuality.empty() || !options.MaxSize.empty()) {
        // Still images come from the video tool alone; one GIF per frame has no one size.
        const std::string& format = settings.FileFormat;
        const std::string mode = LookupOutputFormat(format).Mode;
        if (mode == "No" || (mode == "StillGIF" && !options.MaxSize.empty())) {
            const char* option = options.MaxSize.empty() ? "--gif-quality" : "--max-size";
            return std::string(option) + ": applies to "
                + (options.MaxSize.empty() ? "GIF output" : "the animated GIF format (gif)")
                + " only, and the format is " + FormatName(format);
        }
        if (!options.GifQuality.empty())
            settings.GifQuality = options.GifQuality;
        if (!options.MaxSize.empty())
            settings.MaxSize = options.MaxSize;
    }
    if (options.Edit.Order != FrameOrder::Forward
        && LookupOutputFormat(settings.FileFormat).Mode == std::string("No"))
        return std::string(options.Edit.Order == FrameOrder::Reverse ? "--reverse" : "--bounce")
            + ": applies to GIF output only, and the format is " + FormatName(settings.FileFormat);
    if (endOption && settings.End != "Default") {
        const long long start = IsGiven(settings.Start) ? IntegerValue(settings.Start) : 0;
        if (IntegerValue(settings.End) <= start)
            return std::string(endOption) + ": " + settings.End + " is not after the start ("
                + FormatInteger(start) + " s)";
    }
    return {};
}

std::string ConsoleOptionsHelp()
{
    std::string text;
    for (const OptionRow& row : kOptions) {
        std::string head = std::string("  ") + row.Name;
        if (row.Argument)
            head += std::string(" ") + row.Argument;
        std::string help = row.Help;
        if (row.Keys)
            help += std::string(" [") + row.Keys + "]";
        // The text wraps at 79 columns after a 24-column head.
        const std::size_t indent = 24;
        if (head.size() + 1 > indent) {
            text += head + "\n";
            head.clear();
        }
        head.resize(indent, ' ');
        std::string line = head;
        std::size_t pos = 0;
        while (pos < help.size()) {
            std::size_t len = help.size() - pos;
            if (line.size() + len > 79) {
                const std::size_t space = help.rfind(' ', pos + 79 - line.size());
                if (space != std::string::npos && space > pos)
                    len = space - pos;
            }
            text += line + help.substr(pos, len) + "\n";
            pos += len;
            while (pos < help.size() && help[pos] == ' ')
                ++pos;
            line = std::string(indent, ' ');
        }
    }
    return text;
}
