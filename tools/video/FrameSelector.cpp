#include "tools/video/FrameSelector.h"

#include <algorithm>
#include <cmath>

namespace video {

FrameSelector::FrameSelector(double rate, std::optional<double> duration)
    : m_rate(rate)
    , m_duration(duration)
{ }

int64_t FrameSelector::slotOf(double time) const
{
    // Nearest slot, halves up (times are never negative here); the small tolerance absorbs
    // the error of times that came from rational time bases (1.0 * 12.5 is slot 12.5 -> 13).
    double slot = std::floor(time * m_rate + 0.5 + 1e-9);
    return static_cast<int64_t>(std::clamp(slot, -1e15, 1e15));
}

bool FrameSelector::IsPastEnd(double time) const
{
    // The duration counts from the first frame taken, as ffmpeg's trim does.
    return m_duration && m_firstTime && time - *m_firstTime >= *m_duration - kTolerance;
}

int FrameSelector::Push(double time, double frameDuration)
{
    int64_t slot = slotOf(time);
    int emit = 0;
    if (!m_firstTime) {
        m_firstTime = time;
        m_nextSlot = slot;
    } else {
        // The held frame fills every slot before the new frame's slot.
        while (slot > m_nextSlot) {
            ++emit;
            ++m_nextSlot;
        }
    }
    m_holding = true;
    m_heldSlot = slot;
    m_endTime = std::max(m_endTime, time + std::max(frameDuration, 0.0));
    if (m_duration)
        m_endTime = std::min(m_endTime, *m_firstTime + *m_duration);
    m_written += emit;
    return emit;
}

int FrameSelector::Finish()
{
    if (!m_holding)
        return 0;
    int64_t endSlot = slotOf(m_endTime);
    int emit = 0;
    while (m_nextSlot < endSlot) {
        ++emit;
        ++m_nextSlot;
    }
    // A clip shorter than half an output interval still gives its one frame.
    if (m_written + emit == 0)
        emit = 1;
    m_holding = false;
    m_written += emit;
    return emit;
}

int64_t FrameSelector::expectedCount(
    double rate, std::optional<double> duration, std::optional<double> remaining)
{
    std::optional<double> span = duration;
    if (remaining && (!span || *remaining < *span))
        span = remaining;
    if (!span || !std::isfinite(*span) || *span <= 0)
        return span ? 1 : 0;
    return std::max<int64_t>(1, std::llround(*span * rate));
}

} // namespace video
