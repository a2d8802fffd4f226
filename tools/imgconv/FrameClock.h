#pragma once

#include <optional>

namespace imgconv {

// Delay used for a frame that neither -delay nor a FrameInterval record times.
constexpr int kDefaultDelay = 10;
// Browsers stretch delays of 0 and 1 hundredths to 10; 2 is the shortest one they honour.
constexpr int kShortestPlayableDelay = 2;
// The GIF delay field is 16 bits wide.
constexpr int kLongestDelay = 65535;

// The delay a GIF must carry so that browsers play `hundredths` as asked.
int PlayableDelay(int hundredths);

// Turns per-frame intervals in seconds into GIF delays in whole hundredths of a second,
// carrying the rounding over from frame to frame so that the animation keeps real time
// (15 frames per second: 7, 7, 6, 7, 7, 6, ...).
class FrameClock
{
public:
    // The delay of the next frame, shown for `interval` seconds (kDefaultDelay hundredths
    // when it has none). Can be 0 or 1 for frames faster than 50 per second.
    int NextDelay(std::optional<double> interval);

private:
    double m_exactEnd = 0; // in hundredths since the first frame started
    long long m_shownEnd = 0; // the same, as the written delays add up
};

} // namespace imgconv
