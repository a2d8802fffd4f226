#include "tools/imgconv/SegmentSizes.h"

#include "tools/imgconv/ConversionPipeline.h"
#include "tools/imgconv/PngFrame.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace imgconv {

bool TakeSegmentCounts(std::vector<std::string>& args, std::vector<int>& counts, std::string& error)
{
    counts.clear();
    if (args.empty() || args[0] != "-segments")
        return true;
    if (args.size() < 2) {
        error = "option -segments needs a value (frame counts such as 6,6,6)";
        return false;
    }
    const std::string& text = args[1];
    int value = 0;
    int digits = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            if (digits == 0 || value < 1 || counts.size() >= 64) {
                error = "bad -segments value '" + text + "' (up to 64 counts such as 6,6,6)";
                counts.clear();
                return false;
            }
            counts.push_back(value);
            value = 0;
            digits = 0;
        } else if (text[i] >= '0' && text[i] <= '9' && digits < 6) {
            value = value * 10 + (text[i] - '0');
            ++digits;
        } else {
            error = "bad -segments value '" + text + "' (up to 64 counts such as 6,6,6)";
            counts.clear();
            return false;
        }
    }
    args.erase(args.begin(), args.begin() + 2);
    return true;
}

const char* SegmentHelpText()
{
    return "  -segments N,N,...  (first) encode stretches of N frames each as animations of\n"
           "             their own and print each GIF frame's bytes, writing no file; the\n"
           "             output name is then not used\n";
}

bool EncodeSegments(const CommandLine& command, const std::vector<std::string>& files,
    const std::vector<int>& counts, const QuantizeSettings& settings, int threads,
    std::string& error)
{
    size_t total = 0;
    for (int count : counts)
        total += static_cast<size_t>(count);
    if (total != files.size()) {
        error = "the segments hold " + std::to_string(total) + " frames, the wildcard matches "
            + std::to_string(files.size());
        return false;
    }
    CommandLine stretch = command;
    stretch.form = OutputForm::Animation;
    stretch.maxSize.reset();
    stretch.output.clear(); // counted, not written

    size_t first = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        std::vector<std::string> part(files.begin() + static_cast<std::ptrdiff_t>(first),
            files.begin() + static_cast<std::ptrdiff_t>(first + static_cast<size_t>(counts[i])));
        first += static_cast<size_t>(counts[i]);
        const PngSize size = ReadPngSize(part.front());
        if (!size.error.empty()) {
            error = size.error;
            return false;
        }
        std::vector<std::pair<long, long long>> frames; // start frame, bytes
        long long before = 0;
        const auto began = std::chrono::steady_clock::now();
        ConversionPipeline pipeline(stretch, std::move(part), settings, threads);
        pipeline.WatchSize([&](long sourceNumber, long long bytes) {
            frames.emplace_back(sourceNumber, bytes - before);
            before = bytes;
            return true;
        });
        if (!pipeline.Run()) {
            error = pipeline.Error();
            return false;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
        std::string line = "imgconv: segment " + std::to_string(i + 1) + ": "
            + std::to_string(size.width) + "x" + std::to_string(size.height) + ", "
            + std::to_string(counts[i]) + " frames in ";
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.4f", took.count());
        line += seconds;
        line += " s:";
        for (const auto& [start, bytes] : frames)
            line += " " + std::to_string(start) + ":" + std::to_string(bytes);
        std::printf("%s\n", line.c_str());
    }
    return true;
}

} // namespace imgconv
