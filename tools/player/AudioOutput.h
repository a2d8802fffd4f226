#pragma once

#include "tools/common/FfmpegHandles.h"

#include <SDL.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The sound device, fed by queueing converted samples from the playing thread. Its clock
// is the time of the sample being heard.
class AudioOutput
{
public:
    // Null, with `error` set, when there is no sound device; playing goes on without sound.
    static std::unique_ptr<AudioOutput> Open(const AVCodecContext& codec, std::string& error);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Converts `frame`, which starts at `seconds`, and queues it behind what is queued.
    bool Queue(const AVFrame* frame, double seconds);
    // Seconds of sound queued and not yet handed to the device.
    double QueuedSeconds() const;
    // True once sound has been queued since the start or the last Clear().
    bool HasClock() const { return m_hasClock; }
    double Clock() const { return m_endSeconds - QueuedSeconds(); }
    void Pause(bool paused);
    void Clear();

private:
    explicit AudioOutput(SDL_AudioDeviceID device, const SDL_AudioSpec& spec);
    bool Reconfigure(const AVFrame* frame);

    SDL_AudioDeviceID m_device;
    SDL_AudioSpec m_spec;
    int m_bytesPerSecond;
    ResamplerPtr m_resampler;
    AVChannelLayout m_inLayout {};
    int m_inRate = 0;
    int m_inFormat = -1;
    std::vector<uint8_t> m_buffer;
    double m_endSeconds = 0.0;
    bool m_hasClock = false;
};
