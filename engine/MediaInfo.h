#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

// The longest a description may take: a tool stuck on an odd file is ended after
// this and the file is shown without one.
inline constexpr std::chrono::milliseconds kMediaInfoLimit { 4000 };

// The description that the media-information tool prints for `path`: everything
// after its first "-f ", with line breaks removed. Nothing when the tool is
// missing, prints no "-f ", runs longer than `limit` or is cancelled (`cancel`
// set to true while it runs); the tool and its process group are ended then.
std::optional<std::string> QueryMediaInfo(const std::string& path,
    std::chrono::milliseconds limit = kMediaInfoLimit, const std::atomic<bool>* cancel = nullptr);

// The pure part: the description within the tool's output.
std::optional<std::string> MediaInfoFromOutput(const std::string& output);

// The tool's command line: "\"TOOL\" -f \"PATH\"".
std::string MediaInfoCommandLine(const std::string& tool, const std::string& path);
