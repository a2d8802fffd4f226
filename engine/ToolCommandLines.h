#pragma once

#include "engine/FileEdit.h"
#include "engine/Settings.h"

#include <string>

// Output mode of a job: "No" (still images from the video tool), "StillGIF" (one
// GIF per frame) or "AnimationGIF".
struct OutputFormat
{
    std::string Mode;
    std::string Extension;
};

OutputFormat LookupOutputFormat(const std::string& storedFileFormat);

// Option strings for the two tools, from the settings text; empty when the file
// does not exist.
std::string VideoArguments(const ConversionSettings& settings);
std::string ImageArguments(const ConversionSettings& settings);
// The same for one file with its edit: the trim replaces Start and End; the speed, crop,
// caption and frame order are added as the tools' own options (the video tool takes frames
// `speed` times as far apart in the clip, the GIF's delays stay those of the rate). An
// empty edit gives the texts above, byte for byte.
std::string VideoArguments(const ConversionSettings& settings, const FileEdit& edit);
std::string ImageArguments(const ConversionSettings& settings, const FileEdit& edit);
std::string BuildVideoArguments(); // from a fresh LoadSettings()
std::string BuildImageArguments();

// The program folder + base name + ".dll".
std::string ToolPath(const std::string& baseName);

// Output folder (ending with '/') + input name without extension + extension.
std::string OutputPath(
    const std::string& folder, const std::string& input, const std::string& extension);
// The same path with "%d" before its extension.
std::string NumberedOutputPattern(const std::string& outputPath);

// Temporary frames in the private temporary folder; empty when there is none.
std::string TempFramePattern();
std::string FrameWildcard();

// A path in double quotes. A path holding '"' gets backslash escapes, so that
// SplitCommandLine gives it back unchanged; any other path is quoted as it is.
std::string QuotePath(const std::string& path);

std::string VideoCommandLine(const std::string& videoTool, const std::string& input,
    const std::string& videoOptions, const std::string& outputPattern);
std::string StillGifImageCommandLine(const std::string& imageTool, const std::string& wildcard,
    const std::string& imageOptions, const std::string& outputPattern);
std::string AnimationImageCommandLine(const std::string& imageTool, const std::string& imageOptions,
    const std::string& wildcard, const std::string& outputPath);
