#include "tools/video/FrameExtractor.h"

#include "tools/common/AtomicFile.h"
#include "tools/common/ErrorText.h"
#include "tools/common/ProgressReport.h"
#include "tools/video/CaptionPainter.h"
#include "tools/video/CaptionText.h"
#include "tools/video/FrameSelector.h"
#include "tools/video/FrameSource.h"
#include "tools/video/ImageWriter.h"
#include "tools/video/SpaceGuard.h"
#include "tools/video/WriterPool.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace video {
namespace {

    using Result = Outcome<long long>;

    // Seconds a frame may lie past the length the container states (which is often rounded).
    constexpr double kLateTolerance = 10.0;

    // Seconds an end given with -to may lie past the length the file states.
    constexpr double kEndTolerance = 0.05;

    // Images written before their average size is taken as that of the rest.
    constexpr long long kFramesToMeasure = 8;

    std::string CheckFolder(const OutputPattern& pattern)
    {
        std::string folder = pattern.Folder().empty() ? "." : pattern.Folder();
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

    // The crop's rectangle in the decoded frame's pixels: undoes the rotation and the
    // pixel shape of the displayed picture (`shownWidth` wide before rotation).
    SourceRect SourceCrop(const CropArea& crop, int rotation, int shownWidth, const AVFrame* frame)
    {
        const int shownHeight = frame->height;
        int x = crop.x, y = crop.y, width = crop.width, height = crop.height;
        if (rotation == 90) {
            x = crop.y;
            y = shownHeight - crop.x - crop.width;
            std::swap(width, height);
        } else if (rotation == 180) {
            x = shownWidth - crop.x - crop.width;
            y = shownHeight - crop.y - crop.height;
        } else if (rotation == 270) {
            x = shownWidth - crop.y - crop.height;
            y = crop.x;
            std::swap(width, height);
        }
        // Displayed columns to coded ones, the edges rounded alike so neighbours meet.
        const auto coded = [&](int column) {
            return static_cast<int>(
                std::lround(static_cast<double>(column) * frame->width / shownWidth));
        };
        const int left = coded(x);
        const int right = std::max(left + 1, coded(x + width));
        return SourceRect { left, y, right - left, height };
    }

    // Output size: as asked, or the display size of the source (square pixels, rotated), or
    // of the crop's rectangle; with one side given, the other keeps the proportions.
    Outcome<WriterPool::Geometry> GeometryFor(
        const VideoOptions& options, const FrameSource& source, const AVFrame* frame)
    {
        WriterPool::Geometry g;
        g.rotation = source.Rotation();
        AVRational sar = source.SampleAspectRatio(frame);
        int width = frame->width;
        if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
            width = std::max(1, static_cast<int>(std::lround(frame->width * av_q2d(sar))));
        bool swap = g.rotation == 90 || g.rotation == 270;
        g.width = swap ? frame->height : width;
        g.height = swap ? width : frame->height;
        if (options.crop) {
            const CropArea& c = *options.crop;
            if (c.x > g.width - c.width || c.y > g.height - c.height)
                return Outcome<WriterPool::Geometry>::Failure("the crop " + std::to_string(c.width)
                    + ":" + std::to_string(c.height) + ":" + std::to_string(c.x) + ":"
                    + std::to_string(c.y) + " lies outside the " + std::to_string(g.width) + "x"
                    + std::to_string(g.height) + " picture");
            g.crop = SourceCrop(c, g.rotation, width, frame);
            g.width = c.width;
            g.height = c.height;
        }
        if (options.width > 0 && options.height > 0) {
            g.width = options.width;
            g.height = options.height;
            return g;
        }
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

    // The caption as the writers draw it, once its font is found and the text filter has
    // drawn it on a trial picture: so a text that cannot be drawn fails before any image.
    Outcome<WriterPool::Caption> PrepareCaption(const VideoOptions& options)
    {
        using Result = Outcome<WriterPool::Caption>;
        WriterPool::Caption caption;
        if (options.caption.text.empty())
            return caption;
        auto font = FindCaptionFont(options.caption.text);
        if (!font)
            return Result::Failure("-caption: " + font.Error());
        caption.text = options.caption.text;
        caption.top = options.caption.top;
        caption.fontFile = font.Value();
        caption.from = options.caption.from.value_or(-std::numeric_limits<double>::infinity());
        caption.to = options.caption.to.value_or(std::numeric_limits<double>::infinity());
        caption.firstTime = options.start;
        caption.spacing = options.speed / options.rate;
        RgbImage trial;
        trial.width = 320;
        trial.height = 240;
        trial.pixels.assign(static_cast<size_t>(trial.width) * trial.height * 3, 128);
        CaptionPainter painter(caption.text, caption.top, caption.fontFile);
        if (std::string error = painter.Paint(trial); !error.empty())
            return Result::Failure("-caption: " + error);
        return caption;
    }

} // namespace

Outcome<long long> ExtractFrames(const VideoOptions& options, long long firstNumber)
{
    auto pattern = OutputPattern::Parse(options.output);
    if (!pattern)
        return Result::Failure(pattern.Error());
    if (std::string error = CheckFolder(pattern.Value()); !error.empty())
        return Result::Failure(error);
    std::string first = pattern.Value().FileName(firstNumber);
    if (!options.overwrite && ::access(first.c_str(), F_OK) == 0)
        return Result::Failure("'" + first + "' already exists (use -y to overwrite)");

    auto caption = PrepareCaption(options);
    if (!caption)
        return Result::Failure(caption.Error());

    auto source = FrameSource::Open(options.input, options.start);
    if (!source)
        return Result::Failure(source.Error());

    WriteSettings settings;
    settings.overwrite = options.overwrite;
    settings.qscale = options.qscale;
    settings.frameInterval = 1.0 / options.rate;
    int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));

    // A speed takes the frames further apart (or closer); the images keep the rate's interval.
    const double sampleRate = options.rate / options.speed;
    FrameSelector selector(sampleRate, options.duration);
    FramePtr decoded(av_frame_alloc());
    FramePtr held(av_frame_alloc());
    if (!decoded || !held)
        return Result::Failure("out of memory");
    std::optional<WriterPool> pool;
    long long number = 0;
    bool anyDecoded = false;

    // A damaged time stamp far past the end of the file would otherwise make the frame before it
    // fill every slot up to there. A jump, not steady progress: a header may understate the length.
    std::optional<double> remaining = source.Value().RemainingLength();
    // A part asked for by its end must lie within the video (lengths are often rounded); a
    // start past the end is told as such below.
    if (options.end && remaining && *remaining > 0
        && *options.duration > *remaining + kEndTolerance)
        return Result::Failure("the end " + FormatFrameInterval(*options.end)
            + " s lies past the end of the video ("
            + FormatFrameInterval(options.start + *remaining) + " s)");

    ProgressReport progress;
    const long long expected
        = FrameSelector::expectedCount(sampleRate, options.duration, remaining);
    const SpaceGuard space(pattern.Value().Folder(), pattern.Value().IsTemporaryFrame());
    std::string spaceError;
    long long imageBytes = 0; // estimated, then measured
    bool measured = false;
    auto emit = [&](int times) {
        for (int i = 0; i < times; ++i) {
            // Once a few images are written, their real size shows whether the rest fits.
            if (!measured && pool->FilesWritten() >= kFramesToMeasure) {
                measured = true;
                imageBytes = pool->BytesWritten() / pool->FilesWritten();
                if (expected > number)
                    spaceError = space.CheckRoomFor(expected - number, imageBytes);
            }
            // The images still being written count as written.
            const long long underWay = number - pool->FilesWritten() + 1;
            if (spaceError.empty())
                spaceError = space.CheckLeft(underWay * imageBytes);
            if (!spaceError.empty() || !pool->Submit(held.get(), firstNumber + number++))
                return false;
        }
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
    while ((status = source.Value().Next(decoded.get(), info)) == FrameSource::Status::Frame) {
        anyDecoded = true;
        if (selector.IsBeforeStart(info.time)) {
            av_frame_unref(decoded.get());
            continue;
        }
        if (bogus(info.time)) {
            av_frame_unref(decoded.get());
            continue;
        }
        if (selector.IsPastEnd(info.time)) {
            av_frame_unref(decoded.get());
            break;
        }
        if (!pool) {
            // Nothing is written yet: a clip whose frames cannot fit fails here, at once.
            const auto shape = GeometryFor(options, source.Value(), decoded.get());
            if (!shape)
                return Result::Failure(shape.Error());
            const WriterPool::Geometry& geometry = shape.Value();
            imageBytes = EstimatedImageBytes(pattern.Value().Format(),
                pattern.Value().IsTemporaryFrame(), geometry.width, geometry.height);
            if (std::string error = space.CheckRoomFor(expected, imageBytes); !error.empty())
                return Result::Failure(error);
            pool.emplace(pattern.Value(), settings, geometry, threads, caption.Value());
        }
        int times = selector.Push(info.time, info.duration);
        lastTaken = info.time;
        if (!emit(times)) {
            stopped = true;
            break;
        }
        av_frame_unref(held.get());
        av_frame_move_ref(held.get(), decoded.get());
    }
    if (status == FrameSource::Status::Error && !pool)
        return Result::Failure(source.Value().Error());
    if (pool && !stopped && status != FrameSource::Status::Error)
        emit(selector.Finish());
    std::string error = pool ? pool->Finish() : std::string();
    if (error.empty())
        error = spaceError;
    if (error.empty() && status == FrameSource::Status::Error)
        error = source.Value().Error();
    if (!error.empty())
        return Result::Failure(error);
    if (number > 0)
        progress.Finish(number, number);
    if (number == 0) {
        if (anyDecoded || options.start > 0)
            return Result::Failure("no frames from " + FormatFrameInterval(options.start)
                + " s on: the start lies past the end of the video");
        return Result::Failure("no frame of '" + options.input + "' could be decoded");
    }
    return number;
}

} // namespace video
