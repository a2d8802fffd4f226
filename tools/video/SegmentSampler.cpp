#include "tools/video/SegmentSampler.h"

#include "tools/video/FrameExtractor.h"
#include "tools/video/FrameSelector.h"
#include "tools/video/FrameSource.h"
#include "tools/video/OutputPattern.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace video {
namespace {

    bool ParseSmallCount(const std::string& text, int maximum, int& value)
    {
        if (text.empty() || text.size() > 4)
            return false;
        value = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        return value >= 1 && value <= maximum;
    }

    constexpr double kPastKeyframe = 0.2;

    // A stretch near `target` (seconds from the beginning of the file): at the keyframe
    // nearest to it within `reach`, after the stretch before and early enough to fit, so
    // that nothing is decoded only to reach the start; else at the target itself.
    double ChooseStart(double target, double reach, double reached, double latest,
        const std::vector<double>& keyframes)
    {
        std::optional<double> best;
        for (double keyframe : keyframes) {
            if (keyframe < reached || keyframe > latest || std::abs(keyframe - target) > reach)
                continue;
            if (!best || std::abs(keyframe - target) < std::abs(*best - target))
                best = keyframe;
        }
        // Just past the keyframe: indexes give decoding times, which come before the
        // showing times when frames are reordered, and a seek to the very index time can
        // land on the keyframe before.
        return best ? std::min(*best + kPastKeyframe, latest) : std::max(target, reached);
    }

} // namespace

Outcome<std::optional<SegmentRequest>> TakeSegmentOption(std::vector<std::string>& args)
{
    using Result = Outcome<std::optional<SegmentRequest>>;
    if (args.empty() || args[0] != "-segments")
        return std::optional<SegmentRequest>();
    if (args.size() < 2)
        return Result::Failure("option -segments needs a value (COUNTxFRAMES)");
    const std::string& text = args[1];
    const auto x = text.find('x');
    SegmentRequest request;
    if (x == std::string::npos || !ParseSmallCount(text.substr(0, x), 64, request.count)
        || !ParseSmallCount(text.substr(x + 1), 1000, request.frames))
        return Result::Failure(
            "invalid -segments value '" + text + "' (COUNTxFRAMES, 1-64 x 1-1000)");
    args.erase(args.begin(), args.begin() + 2);
    return std::optional<SegmentRequest>(request);
}

const char* SegmentHelpText()
{
    return "With a leading -segments COUNTxFRAMES (before -i), only COUNT stretches of up to\n"
           "FRAMES frames each (at most a twelfth of the range's frames in all, no fewer than\n"
           "3 each; a single stretch as long as asked), spread over the range and started at\n"
           "keyframes where the file's index has them, are written (numbered on without gaps),\n"
           "for an estimate of the whole; a line per stretch tells its frames and time.\n";
}

SegmentRequest Shortened(const SegmentRequest& request, long long clipFrames)
{
    SegmentRequest plan = request;
    // One stretch is a preview, not a sample: as long as asked.
    if (plan.count < 2 || clipFrames < 1)
        return plan;
    const long long room = clipFrames / kShareOfClip / plan.count;
    plan.frames = static_cast<int>(
        std::clamp<long long>(room, std::min(kShortestStretch, request.frames), request.frames));
    return plan;
}

std::vector<double> SegmentStarts(const SegmentRequest& request, double rate, double length)
{
    const double seconds = request.frames / rate;
    if (request.count < 1 || !(length > seconds * request.count))
        return { 0.0 };
    std::vector<double> starts;
    const double share = length / request.count;
    for (int i = 0; i < request.count; ++i) {
        const double start = share * (i + 0.5) - seconds / 2;
        starts.push_back(std::clamp(start, 0.0, length - seconds));
    }
    return starts;
}

Outcome<long long> ExtractSegments(const VideoOptions& options, const SegmentRequest& request)
{
    using Result = Outcome<long long>;
    std::optional<double> remaining;
    std::vector<double> keyframes;
    {
        auto source = FrameSource::Open(options.input, options.start);
        if (!source)
            return Result::Failure(source.Error());
        remaining = source.Value().RemainingLength();
        keyframes = source.Value().KeyframeTimes();
    }
    std::optional<double> length = options.duration;
    if (remaining && (!length || *remaining < *length))
        length = remaining;
    // A speed takes the frames further apart in the clip, as the conversion does.
    const double sampleRate = options.rate / options.speed;
    const long long clipFrames
        = FrameSelector::expectedCount(sampleRate, options.duration, remaining);

    // Without a known length the stretches cannot be spread: the first one stands for all.
    const SegmentRequest plan = length ? Shortened(request, clipFrames) : request;
    const std::vector<double> starts
        = length ? SegmentStarts(plan, sampleRate, *length) : std::vector<double> { 0.0 };
    const bool whole = length && static_cast<long long>(plan.count) * plan.frames >= clipFrames;
    long long written = 0;
    double reached = -1e18; // where the stretch before ended
    const double seconds = plan.frames / sampleRate;
    const double share = length ? *length / static_cast<double>(starts.size()) : 0.0;
    for (size_t i = 0; i < starts.size(); ++i) {
        VideoOptions stretch = options;
        if (!whole) {
            stretch.start = ChooseStart(options.start + starts[i], share, reached,
                options.start + (length ? *length : 0.0) - seconds, keyframes);
            stretch.duration = seconds;
        }
        const auto began = std::chrono::steady_clock::now();
        auto frames = ExtractFrames(stretch, written + 1);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
        if (!frames) {
            // A container may state a length its frames do not reach: keep what came.
            if (written > 0)
                break;
            return Result::Failure(frames.Error());
        }
        written += frames.Value();
        reached = stretch.start + seconds;
        std::printf("video.dll: segment %zu at %.3f s: %lld frames in %.4f s\n", i + 1,
            stretch.start - options.start, frames.Value(), took.count());
    }
    std::printf("video.dll: clip of %lld frames\n", whole ? written : clipFrames);
    return written;
}

} // namespace video
