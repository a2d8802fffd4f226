#pragma once

#include <optional>
#include <string>

// The description that the media-information tool prints for `path`: everything
// after its first "-f ", with line breaks removed. Nothing when the tool is
// missing or prints no "-f ".
std::optional<std::string> QueryMediaInfo(const std::string& path);

// The pure part: the description within the tool's output.
std::optional<std::string> MediaInfoFromOutput(const std::string& output);

// The tool's command line: "\"TOOL\" -f \"PATH\"".
std::string MediaInfoCommandLine(const std::string& tool, const std::string& path);
