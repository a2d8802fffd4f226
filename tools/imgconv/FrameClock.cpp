#include "tools/imgconv/FrameClock.h"

#include <cmath>

namespace imgconv {

int PlayableDelay(int hundredths)
{
    return hundredths < kShortestPlayableDelay ? kShortestPlayableDelay : hundredths;
}

int FrameClock::NextDelay(std::optional<double> interval)
{
    m_exactEnd += interval ? *interval * 100.0 : kDefaultDelay;
    // A frame ends at the first whole hundredth at or after its exact end time; the small
    // margin keeps 0.0666666667 * 3 from becoming 21 hundredths.
    const auto end = static_cast<long long>(std::ceil(m_exactEnd - 1e-4));
    const long long delay = end - m_shownEnd;
    m_shownEnd = end;
    return delay < 0 ? 0 : static_cast<int>(delay);
}

} // namespace imgconv
