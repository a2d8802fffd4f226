#include "tools/player/PlaybackClock.h"

double PlaybackClock::Now() const
{
    if (m_paused)
        return m_base;
    return m_base + std::chrono::duration<double>(Clock::now() - m_since).count();
}

void PlaybackClock::Set(double seconds)
{
    m_base = seconds;
    m_since = Clock::now();
}

void PlaybackClock::Pause(bool paused)
{
    if (paused == m_paused)
        return;
    m_base = Now();
    m_since = Clock::now();
    m_paused = paused;
}
