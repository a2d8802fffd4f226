#pragma once

#include <cstdint>
#include <optional>

namespace video {

// Chooses decoded frames for the output times start + n/rate the way ffmpeg's fps filter does
// (rounding to the nearest output slot): a slot takes the latest frame whose rounded time does
// not lie after it, and the slots run up to the rounded end of the last frame. Times are in
// seconds from the requested start. It holds no frames, only times, so memory stays flat.
class FrameSelector
{
public:
    explicit FrameSelector(double rate, std::optional<double> duration);

    // Frames before the start are never taken (they are only decoded to reach it). The
    // tolerance keeps a frame that lies exactly on the start despite rounding of the times.
    bool IsBeforeStart(double time) const { return time < -kTolerance; }
    // True once a frame lies at or past the end of the requested duration: stop reading.
    bool IsPastEnd(double time) const;

    // A new frame at `time` lasting `frameDuration`. Returns how many times the frame held
    // before it (the previous one) is to be written now; the new frame is held afterwards.
    int Push(double time, double frameDuration);
    // End of the stream: how many more times the held frame is to be written.
    int Finish();

    // About how many frames a clip gives: its length after the start (or the requested
    // duration, when shorter) times the rate, at least 1; 0 when neither length is known.
    static int64_t expectedCount(
        double rate, std::optional<double> duration, std::optional<double> remaining);

    int64_t written() const { return m_written; }

private:
    static constexpr double kTolerance = 1e-6;
    int64_t slotOf(double time) const;

    double m_rate;
    std::optional<double> m_duration;
    std::optional<double> m_firstTime;
    bool m_holding = false;
    int64_t m_heldSlot = 0;
    int64_t m_nextSlot = 0;
    double m_endTime = 0.0;
    int64_t m_written = 0;
};

} // namespace video
