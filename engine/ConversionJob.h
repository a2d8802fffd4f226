#pragma once

#include <string>
#include <vector>

struct ConversionEntry
{
    std::string InputPath;
    std::string OutputPath;
    std::string VideoOptions;
    std::string ImageOptions;
};

// The snapshot of one batch, taken when Convert is pressed.
struct ConversionJob
{
    std::vector<ConversionEntry> Entries;
    std::string Mode; // "No", "StillGIF" or "AnimationGIF"
};

// Builds the job's entries for `inputs` into `folder` (ending with '/'). An output
// name that an earlier entry of the same job already uses gets " (2)", " (3)", …
// before its extension, so two inputs of one name do not overwrite each other.
ConversionJob BuildConversionJob(const std::vector<std::string>& inputs, const std::string& folder,
                                 const std::string& storedFileFormat,
                                 const std::string& videoOptions, const std::string& imageOptions);
