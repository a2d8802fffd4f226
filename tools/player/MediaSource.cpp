#include "tools/player/MediaSource.h"

#include "tools/common/LocalInput.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

// A file whose streams are far apart (all sound first, then all picture) would make the
// other stream's packets pile up; beyond this the oldest are dropped, keeping memory flat.
constexpr size_t kMaxQueuedBytes = 64u << 20;

int MainVideoStream(const AVFormatContext* context)
{
    int chosen = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO
            || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        if (chosen < 0
            || ((stream->disposition & AV_DISPOSITION_DEFAULT)
                && !(context->streams[chosen]->disposition & AV_DISPOSITION_DEFAULT)))
            chosen = static_cast<int>(i);
    }
    return chosen;
}

CodecContextPtr OpenDecoder(const AVStream* stream, std::string& error)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        error = std::string("no decoder for ") + avcodec_get_name(stream->codecpar->codec_id);
        return nullptr;
    }
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0) {
        error = "out of memory";
        return nullptr;
    }
    codec->pkt_timebase = stream->time_base;
    codec->thread_count = 0; // as many as the machine has
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        error = std::string("cannot open the ") + decoder->name + " decoder";
        return nullptr;
    }
    return codec;
}

} // namespace

std::unique_ptr<MediaSource> MediaSource::Open(
    const std::string& path, bool withAudio, std::string& error)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        error = errno == ENOENT || errno == ENOTDIR ? "file not found" : "cannot read the file";
        return nullptr;
    }
    // A pipe or a device would block the reader.
    if (!S_ISREG(info.st_mode)) {
        error = "not a file";
        return nullptr;
    }

    std::unique_ptr<MediaSource> source(new MediaSource);
    if (OpenLocalInput(path, source->m_format) < 0) {
        error = info.st_size == 0 ? "empty file" : "not a video file";
        return nullptr;
    }
    AVFormatContext* format = source->m_format.get();
    if (avformat_find_stream_info(format, nullptr) < 0) {
        error = "damaged file";
        return nullptr;
    }

    const int videoIndex = MainVideoStream(format);
    if (videoIndex < 0) {
        error = "not a video file";
        return nullptr;
    }
    source->m_video.index = videoIndex;
    source->m_video.timeBase = format->streams[videoIndex]->time_base;
    source->m_video.codec = OpenDecoder(format->streams[videoIndex], error);
    if (!source->m_video.codec)
        return nullptr;

    if (withAudio) {
        const int audioIndex
            = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, videoIndex, nullptr, 0);
        std::string audioError;
        if (audioIndex >= 0) {
            // A sound track we cannot decode leaves a silent picture, not a failure.
            source->m_audio.codec = OpenDecoder(format->streams[audioIndex], audioError);
            if (source->m_audio.codec) {
                source->m_audio.index = audioIndex;
                source->m_audio.timeBase = format->streams[audioIndex]->time_base;
            }
        }
    }
    // Everything else in the file is skipped while reading.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != source->m_video.index
            && static_cast<int>(i) != source->m_audio.index)
            format->streams[i]->discard = AVDISCARD_ALL;
    }
    source->m_packet.reset(av_packet_alloc());
    if (!source->m_packet) {
        error = "out of memory";
        return nullptr;
    }
    return source;
}

AVRational MediaSource::SampleAspectRatio() const
{
    const AVRational guessed
        = av_guess_sample_aspect_ratio(m_format.get(), m_format->streams[m_video.index], nullptr);
    if (guessed.num <= 0 || guessed.den <= 0)
        return { 1, 1 };
    return guessed;
}

double MediaSource::Duration() const
{
    if (m_format->duration == AV_NOPTS_VALUE || m_format->duration <= 0)
        return -1.0;
    const double start
        = m_format->start_time == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(m_format->start_time);
    return (start + static_cast<double>(m_format->duration)) / AV_TIME_BASE;
}

bool MediaSource::NextVideoFrame(AVFrame* frame, double& seconds)
{
    return NextFrame(m_video, frame, seconds);
}

bool MediaSource::NextAudioFrame(AVFrame* frame, double& seconds)
{
    return m_audio.codec && NextFrame(m_audio, frame, seconds);
}

bool MediaSource::NextFrame(Stream& stream, AVFrame* frame, double& seconds)
{
    for (;;) {
        const int received = avcodec_receive_frame(stream.codec.get(), frame);
        if (received == 0) {
            const int64_t stamp = frame->best_effort_timestamp;
            seconds = stamp == AV_NOPTS_VALUE
                ? stream.nextSeconds
                : static_cast<double>(stamp) * av_q2d(stream.timeBase);
            double length = 0.0;
            if (stream.codec->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0)
                length = static_cast<double>(frame->nb_samples) / frame->sample_rate;
            else if (frame->pkt_duration > 0)
                length = static_cast<double>(frame->pkt_duration) * av_q2d(stream.timeBase);
            stream.nextSeconds = seconds + length;
            return true;
        }
        if (received != AVERROR(EAGAIN))
            return false; // the end, or a decoder that cannot go on
        if (!stream.queue.empty()) {
            PacketPtr packet = std::move(stream.queue.front());
            stream.queue.pop_front();
            stream.queuedBytes -= static_cast<size_t>(packet->size);
            // A damaged packet is skipped; the decoder picks up at the next good one.
            avcodec_send_packet(stream.codec.get(), packet.get());
            continue;
        }
        if (!m_endOfFile) {
            if (!ReadPacket())
                m_endOfFile = true;
            continue;
        }
        if (stream.drained)
            return false;
        avcodec_send_packet(stream.codec.get(), nullptr);
        stream.drained = true;
    }
}

bool MediaSource::ReadPacket()
{
    for (;;) {
        const int read = av_read_frame(m_format.get(), m_packet.get());
        if (read == AVERROR(EAGAIN))
            continue;
        if (read < 0)
            return false;
        Stream* target = m_packet->stream_index == m_video.index ? &m_video
            : m_packet->stream_index == m_audio.index            ? &m_audio
                                                                 : nullptr;
        if (!target) {
            av_packet_unref(m_packet.get());
            continue;
        }
        PacketPtr packet(av_packet_alloc());
        if (!packet)
            return false;
        av_packet_move_ref(packet.get(), m_packet.get());
        target->queuedBytes += static_cast<size_t>(packet->size);
        target->queue.push_back(std::move(packet));
        while (target->queuedBytes > kMaxQueuedBytes && target->queue.size() > 1) {
            target->queuedBytes -= static_cast<size_t>(target->queue.front()->size);
            target->queue.pop_front();
        }
        return true;
    }
}

void MediaSource::Clear(Stream& stream)
{
    stream.queue.clear();
    stream.queuedBytes = 0;
    stream.drained = false;
    if (stream.codec)
        avcodec_flush_buffers(stream.codec.get());
}

bool MediaSource::Seek(double seconds)
{
    const auto target = static_cast<int64_t>(seconds * AV_TIME_BASE);
    if (avformat_seek_file(m_format.get(), -1, INT64_MIN, target, target, 0) < 0)
        return false;
    Clear(m_video);
    Clear(m_audio);
    m_video.nextSeconds = seconds;
    m_audio.nextSeconds = seconds;
    m_endOfFile = false;
    return true;
}

void MediaSource::DropAudio()
{
    if (m_audio.index >= 0)
        m_format->streams[m_audio.index]->discard = AVDISCARD_ALL;
    Clear(m_audio);
    m_audio.codec.reset();
    m_audio.index = -1;
}
