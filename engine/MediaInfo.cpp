#include "engine/MediaInfo.h"

#include "engine/CommandLines.h"
#include "engine/ToolRunner.h"
#include "platform/ProgramFolder.h"

std::optional<std::string> MediaInfoFromOutput(const std::string& output)
{
    const std::size_t at = output.find("-f ");
    if (at == std::string::npos)
        return std::nullopt;
    std::string text;
    for (char c : output.substr(at + 3))
        if (c != '\r' && c != '\n')
            text += c;
    return text;
}

std::string MediaInfoCommandLine(const std::string& tool, const std::string& path)
{
    return QuotePath(tool) + " -f " + QuotePath(path);
}

std::optional<std::string> QueryMediaInfo(const std::string& path)
{
    const std::string tool = ToolPath("swfinfo");
    if (!PathExists(tool))
        return std::nullopt;
    std::string output;
    RunTool(MediaInfoCommandLine(tool, path), output);
    return MediaInfoFromOutput(output);
}
