// imgconv.dll: assembles PNG frames into an animated GIF, or one GIF per frame.

#include "sablewick/Version.h"
#include "tools/imgconv/BudgetedConversion.h"
#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/ConversionPipeline.h"
#include "tools/imgconv/FrameFiles.h"
#include "tools/imgconv/GifFileWriter.h"
#include "tools/imgconv/QualityScale.h"
#include "tools/imgconv/SegmentSizes.h"
#include "tools/imgconv/TuningFromEnvironment.h"

#include <cstdio>
#include <exception>
#include <malloc.h>
#include <new>
#include <thread>

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked(argc, argv, "imgconv.dll"))
        return 0;
    using namespace imgconv;
    // Every frame allocates and frees buffers of the same few sizes: kept in the heap they
    // are reused, instead of being mapped afresh (and faulted in page by page) each time.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    try {
        RemoveTempFilesOnSignals();
        std::vector<std::string> args(argv + 1, argv + argc);
        std::vector<int> segments;
        std::string segmentError;
        if (!TakeSegmentCounts(args, segments, segmentError)) {
            std::fprintf(stderr, "imgconv: %s\n", segmentError.c_str());
            return 2;
        }
        const ParsedCommandLine parsed = ParseCommandLine(args);
        if (parsed.help) {
            std::fputs(UsageText(), stdout);
            std::fputs(SegmentHelpText(), stdout);
            return 0;
        }
        if (!parsed.error.empty()) {
            std::fprintf(stderr, "imgconv: %s\n", parsed.error.c_str());
            return 2;
        }

        FrameFileList files = ListFrameFiles(parsed.command.wildcard);
        if (!files.error.empty()) {
            std::fprintf(stderr, "imgconv: %s\n", files.error.c_str());
            return 1;
        }
        files.paths = OrderFrames(std::move(files.paths), parsed.command.order);

        const unsigned cores = std::thread::hardware_concurrency();
        const int threads = cores == 0 ? 2 : static_cast<int>(cores > 16 ? 16 : cores);
        if (!segments.empty()) {
            const QuantizeSettings settings = parsed.command.quality
                ? SettingsForQuality(TuningFromEnvironment(), *parsed.command.quality)
                : TuningFromEnvironment();
            if (!EncodeSegments(
                    parsed.command, files.paths, segments, settings, threads, segmentError)) {
                std::fprintf(stderr, "imgconv: %s\n", segmentError.c_str());
                return 1;
            }
            return 0;
        }
        if (parsed.command.maxSize) {
            BudgetedConversion budgeted(
                parsed.command, std::move(files.paths), TuningFromEnvironment(), threads);
            if (!budgeted.Run()) {
                std::fprintf(stderr, "imgconv: %s\n", budgeted.Error().c_str());
                return 1;
            }
            return 0;
        }
        const QuantizeSettings settings = parsed.command.quality
            ? SettingsForQuality(TuningFromEnvironment(), *parsed.command.quality)
            : TuningFromEnvironment();
        ConversionPipeline pipeline(parsed.command, std::move(files.paths), settings, threads);
        if (!pipeline.Run()) {
            std::fprintf(stderr, "imgconv: %s\n", pipeline.Error().c_str());
            return 1;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        std::fputs("imgconv: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "imgconv: %s\n", e.what());
    }
    return 1;
}
