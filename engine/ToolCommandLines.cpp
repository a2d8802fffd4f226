#include "engine/ToolCommandLines.h"

#include "engine/SettingsText.h"
#include "platform/AsciiText.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Folder (with '/'), name, and extension (from the last dot of the last component).
void SplitPath(
    const std::string& path, std::string* folder, std::string* name, std::string* extension)
{
    *folder = FolderOf(path);
    std::string file = path.substr(folder->size());
    std::size_t dot = file.rfind('.');
    if (dot == std::string::npos) {
        *name = file;
        extension->clear();
    } else {
        *name = file.substr(0, dot);
        *extension = file.substr(dot);
    }
}

} // namespace

OutputFormat LookupOutputFormat(const std::string& stored)
{
    // Only the exact index texts count; anything else makes an animation.
    for (std::size_t i = 1; i < std::size(kOutputFormats); ++i)
        if (stored == std::to_string(i))
            return { kOutputFormats[i].Mode, kOutputFormats[i].Extension };
    return { kOutputFormats[0].Mode, kOutputFormats[0].Extension };
}

std::string VideoArguments(const ConversionSettings& s)
{
    if (!s.FileExists)
        return {};
    const long long start = IntegerValue(s.Start);
    std::string startPiece;
    if (IsGiven(s.Start) && InRange(kStartField, start))
        startPiece = Quoted("-ss") + " " + Quoted(FormatInteger(start));

    const long long duration = IntegerValue(s.End) - start;
    std::string durationPiece;
    if (IsGiven(s.End) && duration >= 1)
        durationPiece = Quoted("-t") + " " + Quoted(FormatInteger(duration));

    auto sizeDefault = [](const SettingField& field, const std::string& text) {
        return !IsGiven(text) || !InRange(field, IntegerValue(text));
    };
    // "auto" on one side keeps the picture's proportions; only the console
    // program's --size gives it, the dialog stores numbers.
    auto isAuto = [](const std::string& text) { return EqualsIgnoringCase(text, "auto"); };
    const bool widthSet = !sizeDefault(kWidthField, s.ResolutionX);
    const bool heightSet = !sizeDefault(kHeightField, s.ResolutionY);
    std::string sizePiece;
    if ((widthSet && heightSet) || (widthSet && isAuto(s.ResolutionY))
        || (isAuto(s.ResolutionX) && heightSet)) {
        const std::string width = widthSet ? s.ResolutionX : "auto";
        const std::string height = heightSet ? s.ResolutionY : "auto";
        sizePiece = Quoted("-s") + " " + Quoted(width + "x" + height) + " ";
    }

    const double quality = RealValue(s.VBRValue);
    std::string qualityPiece;
    if (InRange(kQualityField, quality) && IsGiven(s.VBRValue) && s.VBRValue != "Default")
        qualityPiece = Quoted("-qscale") + " " + Quoted(FormatFixed2(quality));

    const double interval = RealValue(s.ImagesPerSecond);
    // Frames per second: the reciprocal of the interval, or of its fallback.
    const double seconds = InRange(kIntervalField, interval) && IsGiven(s.ImagesPerSecond)
        ? interval
        : RealValue(kIntervalField.SaveFallback);
    const std::string ratePiece = Quoted("-r") + " " + Quoted(FormatFixed2(1.0 / seconds));

    return Quoted("-y") + " " + startPiece + " " + durationPiece + " " + sizePiece + " "
        + qualityPiece + " " + ratePiece;
}

std::string ImageArguments(const ConversionSettings& s)
{
    if (!s.FileExists)
        return {};
    const double rate = RealValue(s.TimeDelay);
    std::string delayPiece;
    if (InRange(kFrameRateField, rate) && IsGiven(s.TimeDelay)) {
        const auto delay = static_cast<long long>((1.0 / rate) * 100.0);
        delayPiece = Quoted("-delay") + " " + Quoted(FormatInteger(delay));
    }
    const long long loop = IntegerValue(s.Loop);
    const std::string count = IsGiven(s.Loop) && InRange(kLoopField, loop)
        ? FormatInteger(loop)
        : std::string(kLoopField.SaveFallback);
    const std::string loopPiece = Quoted("-loop") + " " + Quoted(count);
    if (!s.ExtraImageOptions.empty())
        return delayPiece + " " + loopPiece + " " + s.ExtraImageOptions;
    return delayPiece + " " + loopPiece;
}

std::string VideoArguments(const ConversionSettings& s, const FileEdit& edit)
{
    if (!s.FileExists || edit.IsEmpty())
        return VideoArguments(s);
    ConversionSettings settings = s;
    const bool trimmed = edit.TrimStart || edit.TrimEnd;
    if (trimmed) {
        // Whole seconds are left to the settings' pieces; the trim's own follow below.
        settings.Start = "ERROR";
        settings.End = "ERROR";
    }
    std::string text = VideoArguments(settings);
    if (trimmed) {
        // In the place of the settings' start; the end follows the rate, as the video
        // tool's -to, which refuses an end past the end of the video.
        const std::string head = Quoted("-y") + " ";
        text = head + Quoted("-ss") + " " + Quoted(FormatClipTime(edit.TrimStart.value_or(0.0)))
            + text.substr(head.size());
        if (edit.TrimEnd)
            text += " " + Quoted("-to") + " " + Quoted(FormatClipTime(*edit.TrimEnd));
    }
    if (edit.Speed != 1.0)
        text += " " + Quoted("-speed") + " " + Quoted(FormatClipTime(edit.Speed));
    if (edit.Crop) {
        const CropRect& c = *edit.Crop;
        text += " " + Quoted("-crop") + " "
            + Quoted(std::to_string(c.Width) + ":" + std::to_string(c.Height) + ":"
                + std::to_string(c.X) + ":" + std::to_string(c.Y));
    }
    if (!edit.Caption.empty()) {
        text += " " + Quoted("-caption") + " " + QuotePath(edit.Caption);
        text += " " + Quoted("-captionat") + " "
            + Quoted(edit.CaptionAt == CaptionPlace::Top ? "top" : "bottom");
        if (edit.CaptionFrom)
            text += " " + Quoted("-captionfrom") + " " + Quoted(FormatClipTime(*edit.CaptionFrom));
        if (edit.CaptionTo)
            text += " " + Quoted("-captionto") + " " + Quoted(FormatClipTime(*edit.CaptionTo));
    }
    return text;
}

std::string ImageArguments(const ConversionSettings& s, const FileEdit& edit)
{
    const std::string text = ImageArguments(s);
    if (!s.FileExists || edit.Order == FrameOrder::Forward)
        return text;
    return text + " " + Quoted("-order") + " "
        + Quoted(edit.Order == FrameOrder::Reverse ? "reverse" : "bounce");
}

std::string BuildVideoArguments()
{
    return VideoArguments(LoadSettings());
}
std::string BuildImageArguments()
{
    return ImageArguments(LoadSettings());
}

std::string ToolPath(const std::string& baseName)
{
    return ProgramFolder() + baseName + ".dll";
}

std::string OutputPath(
    const std::string& folder, const std::string& input, const std::string& extension)
{
    std::string inFolder, name, inExtension;
    SplitPath(input, &inFolder, &name, &inExtension);
    return folder + name + extension;
}

std::string NumberedOutputPattern(const std::string& outputPath)
{
    std::string folder, name, extension;
    SplitPath(outputPath, &folder, &name, &extension);
    return folder + name + "%d" + extension;
}

std::string TempFramePattern()
{
    const std::string folder = TempFolder();
    return folder.empty() ? std::string() : folder + "DasmereTemp%08d.png";
}

std::string FrameWildcard()
{
    const std::string folder = TempFolder();
    return folder.empty() ? std::string() : folder + "DasmereTemp*.png";
}

std::string QuotePath(const std::string& path)
{
    if (path.find('"') == std::string::npos && (path.empty() || path.back() != '\\'))
        return Quoted(path);
    // Backslashes before a quote (or before the closing quote) are doubled, and the
    // quote itself is escaped: the reverse of SplitCommandLine.
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : path) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string VideoCommandLine(const std::string& videoTool, const std::string& input,
    const std::string& videoOptions, const std::string& outputPattern)
{
    return QuotePath(videoTool) + " " + Quoted("-i") + " " + QuotePath(input) + " " + videoOptions
        + " " + QuotePath(outputPattern);
}

std::string StillGifImageCommandLine(const std::string& imageTool, const std::string& wildcard,
    const std::string& imageOptions, const std::string& outputPattern)
{
    return QuotePath(imageTool) + " " + QuotePath(wildcard) + " " + imageOptions + " "
        + QuotePath(outputPattern);
}

std::string AnimationImageCommandLine(const std::string& imageTool, const std::string& imageOptions,
    const std::string& wildcard, const std::string& outputPath)
{
    return QuotePath(imageTool) + " " + imageOptions + " " + QuotePath(wildcard) + " "
        + QuotePath(outputPath);
}
