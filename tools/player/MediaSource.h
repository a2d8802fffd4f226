#pragma once

#include "tools/common/FfmpegHandles.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

// The demuxer and the decoders of one file: hands out decoded video and audio frames in
// order, reading the file only as far as the frames asked for need.
class MediaSource
{
public:
    // Opens and probes `path` (a local file, never a URL) and its video decoder; the audio
    // decoder too when `withAudio` and the file has sound. Null and `error` set on failure.
    static std::unique_ptr<MediaSource> Open(
        const std::string& path, bool withAudio, std::string& error);

    // Stops decoding sound, for want of a device to play it on.
    void DropAudio();
    bool HasAudio() const { return m_audio.codec != nullptr; }
    const AVCodecContext* AudioCodec() const { return m_audio.codec.get(); }
    AVRational SampleAspectRatio() const;
    // Length in seconds, negative when unknown.
    double Duration() const;

    // The next decoded frame and its time in seconds; false at the end of the stream.
    bool NextVideoFrame(AVFrame* frame, double& seconds);
    bool NextAudioFrame(AVFrame* frame, double& seconds);

    // Moves to the key frame at or before `seconds` and forgets everything decoded so far.
    bool Seek(double seconds);

private:
    struct Stream
    {
        int index = -1;
        AVRational timeBase { 1, 1 };
        CodecContextPtr codec;
        std::deque<PacketPtr> queue;
        size_t queuedBytes = 0;
        bool drained = false; // the decoder was told that no more packets come
        double nextSeconds = 0.0; // for frames without a time stamp
    };

    MediaSource() = default;
    bool NextFrame(Stream& stream, AVFrame* frame, double& seconds);
    bool ReadPacket();
    static void Clear(Stream& stream);

    FormatContextPtr m_format;
    PacketPtr m_packet;
    Stream m_video;
    Stream m_audio;
    bool m_endOfFile = false;
};
