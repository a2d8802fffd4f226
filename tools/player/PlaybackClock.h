#pragma once

#include <chrono>

// Media time that runs with the wall clock while not paused.
class PlaybackClock
{
public:
    double Now() const;
    void Set(double seconds);
    void Pause(bool paused);

private:
    using Clock = std::chrono::steady_clock;
    double m_base = 0.0;
    Clock::time_point m_since = Clock::now();
    bool m_paused = false;
};
