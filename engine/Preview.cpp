#include "engine/Preview.h"

#include "engine/CommandLines.h"
#include "engine/ConversionController.h"
#include "engine/ProcessKiller.h"
#include "engine/ToolRunner.h"
#include "platform/ProgramFolder.h"

#include <system_error>

std::string PreviewCommandLine(const std::string& player, const std::string& inputPath)
{
    return QuotePath(player) + " " + QuotePath(inputPath);
}

bool StartPreview(ConversionController& controller, const std::string& inputPath)
{
    KillProcessesByName("player.dll");
    const std::string player = ToolPath("player");
    if (!PathExists(player) || inputPath.empty() || !PathExists(inputPath))
        return false;
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread thread([line = PreviewCommandLine(player, inputPath), done] {
            std::string output; // nothing the player prints is used
            RunTool(line, output);
            *done = true;
        });
        controller.SetPreviewThread(std::move(thread), done);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
