#pragma once

#include "tools/player/AudioOutput.h"
#include "tools/common/FfmpegHandles.h"
#include "tools/player/MediaSource.h"
#include "tools/player/PlaybackClock.h"
#include "tools/player/VideoWindow.h"

#include <SDL.h>

// Plays picture and sound in step until the window is closed. At most one decoded picture
// and a quarter of a second of sound wait ahead of what is seen and heard.
class Player
{
public:
    // `firstFrame` (at `firstSeconds`) is the picture shown first; `audio` may be null.
    Player(MediaSource& source, VideoWindow& window, AudioOutput* audio, FramePtr firstFrame,
        double firstSeconds);

    // Returns when the user closes the window.
    void Run();

private:
    bool HandleEvent(const SDL_Event& event); // false when the user asked to close
    void FeedAudio();
    void FollowAudioClock();
    void TogglePause();
    void SeekBy(double delta);
    void Present(double seconds);
    bool ReachedEnd() const;

    MediaSource& m_source;
    VideoWindow& m_window;
    AudioOutput* m_audio;
    FramePtr m_pending; // the next picture, decoded and waiting for its time
    FramePtr m_audioFrame;
    bool m_hasPending = false;
    double m_pendingSeconds = 0.0;
    double m_shownSeconds = 0.0; // time of the picture on the screen
    double m_skipAudioUntil = 0.0; // sound before this time is dropped after a seek
    bool m_videoEnded = false;
    bool m_audioEnded = false;
    bool m_atEnd = false;
    bool m_paused = false;
    PlaybackClock m_clock;
    PlaybackClock m_sinceShown; // wall time since a picture was last presented
};
