#include "tools/player/AudioOutput.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
}

std::unique_ptr<AudioOutput> AudioOutput::Open(const AVCodecContext& codec, std::string& error)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    SDL_AudioSpec wanted {};
    wanted.freq = codec.sample_rate > 0 ? codec.sample_rate : 48000;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(std::clamp(codec.ch_layout.nb_channels, 1, 2));
    wanted.samples = 1024;
    SDL_AudioSpec obtained {};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
        SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device == 0) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    std::unique_ptr<AudioOutput> output(new AudioOutput(device, obtained));
    SDL_PauseAudioDevice(device, 0);
    return output;
}

AudioOutput::AudioOutput(SDL_AudioDeviceID device, const SDL_AudioSpec& spec)
    : m_device(device)
    , m_spec(spec)
    , m_bytesPerSecond(spec.freq * spec.channels * 2)
{ }

AudioOutput::~AudioOutput()
{
    SDL_CloseAudioDevice(m_device);
    av_channel_layout_uninit(&m_inLayout);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioOutput::Reconfigure(const AVFrame* frame)
{
    AVChannelLayout inLayout {};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&inLayout, std::max(frame->ch_layout.nb_channels, 1));
    else if (av_channel_layout_copy(&inLayout, &frame->ch_layout) < 0)
        return false;
    if (m_resampler && m_inRate == frame->sample_rate && m_inFormat == frame->format
        && av_channel_layout_compare(&inLayout, &m_inLayout) == 0) {
        av_channel_layout_uninit(&inLayout);
        return true;
    }
    AVChannelLayout outLayout {};
    av_channel_layout_default(&outLayout, m_spec.channels);
    SwrContext* raw = nullptr;
    const int made = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, m_spec.freq,
        &inLayout, static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
    ResamplerPtr resampler(raw);
    av_channel_layout_uninit(&outLayout);
    if (made < 0 || swr_init(resampler.get()) < 0) {
        av_channel_layout_uninit(&inLayout);
        m_resampler.reset();
        return false;
    }
    m_resampler = std::move(resampler);
    av_channel_layout_uninit(&m_inLayout);
    m_inLayout = inLayout;
    m_inRate = frame->sample_rate;
    m_inFormat = frame->format;
    return true;
}

bool AudioOutput::Queue(const AVFrame* frame, double seconds)
{
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || !Reconfigure(frame))
        return false;
    const int capacity = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
    if (capacity <= 0)
        return false;
    const int frameBytes = m_spec.channels * 2;
    m_buffer.resize(static_cast<size_t>(capacity) * frameBytes);
    uint8_t* out = m_buffer.data();
    const int converted = swr_convert(m_resampler.get(), &out, capacity,
        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted < 0)
        return false;
    if (converted > 0
        && SDL_QueueAudio(m_device, m_buffer.data(), static_cast<Uint32>(converted * frameBytes))
            != 0)
        return false;
    m_endSeconds = seconds + static_cast<double>(frame->nb_samples) / frame->sample_rate;
    m_hasClock = true;
    return true;
}

double AudioOutput::QueuedSeconds() const
{
    return static_cast<double>(SDL_GetQueuedAudioSize(m_device)) / m_bytesPerSecond;
}

void AudioOutput::Pause(bool paused)
{
    SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

void AudioOutput::Clear()
{
    SDL_ClearQueuedAudio(m_device);
    if (m_resampler)
        swr_init(m_resampler.get()); // drops the samples it held back
    m_hasClock = false;
}
