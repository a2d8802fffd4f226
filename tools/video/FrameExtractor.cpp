#include "tools/video/FrameExtractor.h"

#include "tools/common/ProgressReport.h"
#include "tools/common/AtomicFile.h"
#include "tools/common/ErrorText.h"
#include "tools/video/FrameSelector.h"
#include "tools/video/FrameSource.h"
#include "tools/video/ImageWriter.h"
#include "tools/video/WriterPool.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace video {
namespace {

    using Result = Outcome<long long>;

    // Seconds a frame may lie past the length the container states (which is often rounded).
    constexpr double kLateTolerance = 10.0;

    std::string checkFolder(const OutputPattern& pattern)
    {
        std::string folder = pattern.folder().empty() ? "." : pattern.folder();
        struct stat st
        {
        };
        if (::stat(folder.c_str(), &st) != 0)
            return "cannot write to the folder '" + folder + "': " + SystemErrorText(errno);
        if (!S_ISDIR(st.st_mode))
            return "cannot write to the folder '" + folder + "': " + SystemErrorText(ENOTDIR);
        if (::access(folder.c_str(), W_OK | X_OK) != 0)
            return "cannot write to the folder '" + folder + "': " + SystemErrorText(errno);
        return {};
    }

    // Output size: as asked, or the display size of the source (square pixels, rotated).
    WriterPool::Geometry geometryFor(
        const VideoOptions& options, const FrameSource& source, const AVFrame* frame)
    {
        WriterPool::Geometry g;
        g.rotation = source.rotation();
        if (options.width > 0 && options.height > 0) {
            g.width = options.width;
            g.height = options.height;
            return g;
        }
        AVRational sar = source.sampleAspectRatio(frame);
        int width = frame->width;
        if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
            width = std::max(1, static_cast<int>(std::lround(frame->width * av_q2d(sar))));
        bool swap = g.rotation == 90 || g.rotation == 270;
        g.width = swap ? frame->height : width;
        g.height = swap ? width : frame->height;
        // One side given: the other follows the displayed proportions.
        auto scaled = [](int side, int from, int to) {
            return std::clamp(
                static_cast<int>(std::lround(static_cast<double>(side) * to / from)), 1, 16384);
        };
        if (options.width > 0) {
            g.height = scaled(options.width, g.width, g.height);
            g.width = options.width;
        } else if (options.height > 0) {
            g.width = scaled(options.height, g.height, g.width);
            g.height = options.height;
        }
        return g;
    }

} // namespace

Outcome<long long> extractFrames(const VideoOptions& options)
{
    auto pattern = OutputPattern::parse(options.output);
    if (!pattern)
        return Result::failure(pattern.error());
    if (std::string error = checkFolder(pattern.value()); !error.empty())
        return Result::failure(error);
    std::string first = pattern.value().fileName(1);
    if (!options.overwrite && ::access(first.c_str(), F_OK) == 0)
        return Result::failure("'" + first + "' already exists (use -y to overwrite)");

    auto source = FrameSource::open(options.input, options.start);
    if (!source)
        return Result::failure(source.error());

    WriteSettings settings;
    settings.overwrite = options.overwrite;
    settings.qscale = options.qscale;
    settings.frameInterval = 1.0 / options.rate;
    int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));

    FrameSelector selector(options.rate, options.duration);
    FramePtr decoded(av_frame_alloc());
    FramePtr held(av_frame_alloc());
    if (!decoded || !held)
        return Result::failure("out of memory");
    std::optional<WriterPool> pool;
    long long number = 0;
    bool anyDecoded = false;

    // A damaged time stamp far past the end of the file would otherwise make the frame before it
    // fill every slot up to there. A jump, not steady progress: a header may understate the length.
    std::optional<double> remaining = source.value().remainingLength();

    ProgressReport progress;
    const long long expected
        = FrameSelector::expectedCount(options.rate, options.duration, remaining);
    auto emit = [&](int times) {
        for (int i = 0; i < times; ++i)
            if (!pool->submit(held.get(), ++number))
                return false;
        if (times > 0)
            progress.Update(number, expected > 0 ? std::max(expected, number) : 0);
        return true;
    };
    double lastTaken = 0.0;
    auto bogus = [&](double time) {
        return remaining && time > *remaining + kLateTolerance && time - lastTaken > kLateTolerance;
    };

    SourceFrame info;
    FrameSource::Status status;
    bool stopped = false;
    while ((status = source.value().next(decoded.get(), info)) == FrameSource::Status::Frame) {
        anyDecoded = true;
        if (selector.isBeforeStart(info.time)) {
            av_frame_unref(decoded.get());
            continue;
        }
        if (bogus(info.time)) {
            av_frame_unref(decoded.get());
            continue;
        }
        if (selector.isPastEnd(info.time)) {
            av_frame_unref(decoded.get());
            break;
        }
        if (!pool)
            pool.emplace(pattern.value(), settings,
                geometryFor(options, source.value(), decoded.get()), threads);
        int times = selector.push(info.time, info.duration);
        lastTaken = info.time;
        if (!emit(times)) {
            stopped = true;
            break;
        }
        av_frame_unref(held.get());
        av_frame_move_ref(held.get(), decoded.get());
    }
    if (status == FrameSource::Status::Error && !pool)
        return Result::failure(source.value().error());
    if (pool && !stopped && status != FrameSource::Status::Error)
        emit(selector.finish());
    std::string error = pool ? pool->finish() : std::string();
    if (error.empty() && status == FrameSource::Status::Error)
        error = source.value().error();
    if (!error.empty())
        return Result::failure(error);
    if (number > 0)
        progress.Finish(number, number);
    if (number == 0) {
        if (anyDecoded || options.start > 0)
            return Result::failure("no frames from " + formatFrameInterval(options.start)
                + " s on: the start lies past the end of the video");
        return Result::failure("no frame of '" + options.input + "' could be decoded");
    }
    return number;
}

} // namespace video
