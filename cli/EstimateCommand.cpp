#include "cli/EstimateCommand.h"

#include "cli/JsonResultLine.h"
#include "engine/EstimateFile.h"
#include "engine/EstimateText.h"
#include "engine/ToolProcesses.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

int RunEstimates(const std::vector<std::string>& names, const std::vector<std::string>& paths,
    const ConversionSettings& settings, const FileEdit& edit, long long budget, bool json,
    const std::atomic<bool>& interrupted, std::FILE* out, std::FILE* err)
{
    int status = 0;
    for (std::size_t i = 0; i < paths.size() && !interrupted; ++i) {
        const SampleJob job = SampleJobFor(paths[i], settings, edit);
        ToolProcesses tools;
        std::atomic<bool> stopped { false };
        std::atomic<bool> done { false };
        GifEstimate estimate;
        std::string reason;
        // The tools run on a thread of their own, so a Ctrl+C can end them at once.
        std::thread worker([&] {
            estimate = EstimateFile(job, stopped, &tools, &reason);
            done = true;
        });
        while (!done) {
            if (interrupted && !stopped) {
                stopped = true;
                tools.EndAll();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        worker.join();
        if (stopped)
            break;
        if (json) {
            nlohmann::ordered_json line;
            line["input"] = nlohmann::ordered_json::parse(JsonNameText(names[i]));
            if (estimate.Valid) {
                line["bytes"] = estimate.Bytes;
                line["low"] = estimate.Low;
                line["high"] = estimate.High;
                line["frames"] = estimate.Frames;
                line["width"] = estimate.Width;
                line["height"] = estimate.Height;
                line["seconds"] = estimate.Seconds;
                line["reason"] = nullptr;
            } else {
                for (const char* key :
                    { "bytes", "low", "high", "frames", "width", "height", "seconds" })
                    line[key] = nullptr;
                line["reason"] = reason.empty() ? "the tools failed" : reason;
                status = 1;
            }
            std::fprintf(out, "%s\n", line.dump().c_str());
            std::fflush(out);
            continue;
        }
        if (!estimate.Valid) {
            std::fprintf(err, "%s: no estimate: %s\n", names[i].c_str(),
                reason.empty() ? "the tools failed" : reason.c_str());
            status = 1;
            continue;
        }
        std::string line = names[i] + ": " + EstimateLine(estimate);
        if (budget > 0)
            line += "; the GIF made without --max-size " + BudgetVerdict(estimate, budget);
        std::fprintf(out, "%s\n", line.c_str());
        std::fflush(out);
    }
    return status;
}
