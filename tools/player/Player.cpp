#include "tools/player/Player.h"

#include <algorithm>
#include <cmath>

namespace {

// Sound queued ahead of the device: enough to ride out the decoding of a picture.
constexpr double kAudioAhead = 0.25;
// The picture's clock follows the sound's once they part by more than this; the sound
// device takes its samples in blocks, so its clock moves in steps of some 20 ms.
constexpr double kResyncThreshold = 0.05;
// A picture this late is skipped, unless none was presented for longer than kMaxSkip.
constexpr double kLateness = 0.1;
constexpr double kMaxSkip = 0.2;
constexpr double kSeekStep = 5.0;

} // namespace

Player::Player(MediaSource& source, VideoWindow& window, AudioOutput* audio, FramePtr firstFrame,
    double firstSeconds)
    : m_source(source)
    , m_window(window)
    , m_audio(audio)
    , m_pending(std::move(firstFrame))
    , m_audioFrame(av_frame_alloc())
    , m_hasPending(true)
    , m_pendingSeconds(firstSeconds)
    , m_skipAudioUntil(firstSeconds)
{
    m_clock.Set(firstSeconds);
}

void Player::Run()
{
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (!HandleEvent(event))
                return;
        }
        if (m_paused || m_atEnd) {
            SDL_WaitEventTimeout(nullptr, 100);
            continue;
        }
        FeedAudio();
        FollowAudioClock();
        if (!m_hasPending && !m_videoEnded) {
            m_hasPending = m_source.NextVideoFrame(m_pending.get(), m_pendingSeconds);
            m_videoEnded = !m_hasPending;
        }
        const double now = m_clock.Now();
        if (m_hasPending && m_pendingSeconds <= now) {
            m_hasPending = false;
            if (now - m_pendingSeconds < kLateness || m_sinceShown.Now() > kMaxSkip)
                Present(m_pendingSeconds);
            continue;
        }
        if (ReachedEnd()) {
            // Stays on the last picture; the clock stops there so that a seek back
            // starts from what is seen.
            m_atEnd = true;
            m_clock.Set(m_shownSeconds);
            continue;
        }
        double wait = 0.01;
        if (m_hasPending)
            wait = std::clamp(m_pendingSeconds - now, 0.001, 0.01);
        SDL_WaitEventTimeout(nullptr, static_cast<int>(std::ceil(wait * 1000)));
    }
}

bool Player::HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_KEYDOWN:
        switch (event.key.keysym.sym) {
        case SDLK_ESCAPE:
        case SDLK_q:
            return false;
        case SDLK_SPACE:
            TogglePause();
            break;
        case SDLK_LEFT:
            SeekBy(-kSeekStep);
            break;
        case SDLK_RIGHT:
            SeekBy(kSeekStep);
            break;
        default:
            break;
        }
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED
            || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            m_window.Redraw();
        break;
    default:
        break;
    }
    return true;
}

void Player::FeedAudio()
{
    if (!m_audio || m_audioEnded)
        return;
    while (m_audio->QueuedSeconds() < kAudioAhead) {
        double seconds = 0.0;
        if (!m_source.NextAudioFrame(m_audioFrame.get(), seconds)) {
            m_audioEnded = true;
            return;
        }
        const double length = m_audioFrame->sample_rate > 0
            ? static_cast<double>(m_audioFrame->nb_samples) / m_audioFrame->sample_rate
            : 0.0;
        if (seconds + length <= m_skipAudioUntil)
            continue;
        m_audio->Queue(m_audioFrame.get(), seconds);
    }
}

void Player::FollowAudioClock()
{
    // Once the sound has run out the wall clock carries on alone.
    if (!m_audio || !m_audio->HasClock() || (m_audioEnded && m_audio->QueuedSeconds() <= 0.0))
        return;
    const double heard = m_audio->Clock();
    if (std::fabs(m_clock.Now() - heard) > kResyncThreshold)
        m_clock.Set(heard);
}

void Player::TogglePause()
{
    if (m_atEnd)
        return;
    m_paused = !m_paused;
    m_clock.Pause(m_paused);
    if (m_audio)
        m_audio->Pause(m_paused);
}

void Player::SeekBy(double delta)
{
    const double duration = m_source.Duration();
    double target = std::max(0.0, m_shownSeconds + delta);
    if (delta > 0 && duration > 0 && target >= duration)
        return;
    if (!m_source.Seek(target))
        return;
    if (m_audio)
        m_audio->Clear();
    m_videoEnded = false;
    m_audioEnded = false;
    m_atEnd = false;
    m_hasPending = false;
    m_skipAudioUntil = target;
    // Decodes from the key frame up to the target, so that the picture shown is the one
    // at the target rather than the key frame's.
    double seconds = 0.0;
    while (m_source.NextVideoFrame(m_pending.get(), seconds)) {
        if (seconds >= target - 0.02) {
            m_hasPending = true;
            break;
        }
    }
    if (m_hasPending) {
        m_hasPending = false;
        Present(seconds);
    } else {
        m_videoEnded = true;
    }
    m_clock.Set(m_shownSeconds);
}

void Player::Present(double seconds)
{
    m_window.Show(m_pending.get());
    m_shownSeconds = seconds;
    m_sinceShown.Set(0.0);
}

bool Player::ReachedEnd() const
{
    return m_videoEnded && !m_hasPending
        && (!m_audio || (m_audioEnded && m_audio->QueuedSeconds() <= 0.0));
}
