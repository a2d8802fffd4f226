#include "engine/Preview.h"

#include "engine/ConversionController.h"
#include "engine/ToolCommandLines.h"
#include "engine/ToolProcesses.h"
#include "engine/ToolRunner.h"
#include "platform/ProgramFolder.h"

#include <system_error>

std::string PreviewCommandLine(const std::string& player, const std::string& inputPath)
{
    return QuotePath(player) + " " + QuotePath(inputPath);
}

bool StartPreview(ConversionController& controller, const std::string& inputPath)
{
    controller.EndPreview();
    const std::string player = ToolPath("player");
    if (!PathExists(player) || inputPath.empty() || !PathExists(inputPath))
        return false;
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto players = std::make_shared<ToolProcesses>();
    try {
        std::thread thread([line = PreviewCommandLine(player, inputPath), done, players] {
            std::string output; // nothing the player prints is used
            RunTool(line, output, nullptr, ToolLineHandler(), players.get());
            *done = true;
        });
        controller.SetPreviewThread(std::move(thread), done, players);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
