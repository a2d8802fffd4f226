#include "tools/video/FrameSource.h"

#include <algorithm>

#include "tools/common/DisplayRotation.h"
#include "tools/common/LocalInput.h"

#include <cmath>

namespace video {
namespace {

    // Decoders report damage frame by frame; only a long run of nothing but errors ends the clip.
    constexpr int kMaxErrorsInRow = 2000;

} // namespace

Outcome<FrameSource> FrameSource::Open(const std::string& path, double start)
{
    using Result = Outcome<FrameSource>;
    FrameSource s;

    int rc = OpenLocalInput(path, s.m_format);
    if (rc < 0)
        return Result::Failure("cannot open '" + path + "': " + FfmpegError(rc));
    AVFormatContext* raw = s.m_format.get();

    rc = avformat_find_stream_info(raw, nullptr);
    if (rc < 0)
        return Result::Failure("cannot read '" + path + "': " + FfmpegError(rc));

    const AVCodec* codec = nullptr;
    s.m_stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (s.m_stream < 0 || !codec)
        return Result::Failure(s.m_stream == AVERROR_DECODER_NOT_FOUND
                ? "no decoder for the video of '" + path + "'"
                : "'" + path + "' has no video stream");
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != s.m_stream)
            raw->streams[i]->discard = AVDISCARD_ALL;

    AVStream* stream = raw->streams[s.m_stream];
    s.m_timeBase = stream->time_base;
    s.m_rotation = StreamRotation(stream);
    s.m_colour = StreamColour(stream);
    AVRational rate = av_guess_frame_rate(raw, stream, nullptr);
    s.m_defaultDuration = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;

    s.m_decoder.reset(avcodec_alloc_context3(codec));
    if (!s.m_decoder)
        return Result::Failure("out of memory");
    rc = avcodec_parameters_to_context(s.m_decoder.get(), stream->codecpar);
    if (rc < 0)
        return Result::Failure("cannot set up the decoder: " + FfmpegError(rc));
    s.m_decoder->pkt_timebase = stream->time_base;
    s.m_decoder->thread_count = 0; // one per core
    s.m_decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    rc = avcodec_open2(s.m_decoder.get(), codec, nullptr);
    if (rc < 0)
        return Result::Failure("cannot open the decoder: " + FfmpegError(rc));

    s.m_packet.reset(av_packet_alloc());
    if (!s.m_packet)
        return Result::Failure("out of memory");

    // Time 0 is the requested start on the file's time line, as ffmpeg counts it.
    double fileStart
        = raw->start_time != AV_NOPTS_VALUE ? raw->start_time / double(AV_TIME_BASE) : 0.0;
    s.m_origin = fileStart + start;
    if (raw->duration != AV_NOPTS_VALUE && raw->duration > 0)
        s.m_remaining = raw->duration / double(AV_TIME_BASE) - start;
    if (start > 0) {
        // Land on the keyframe at or before the start; decoding then runs up to it. When the
        // file cannot seek, reading from the beginning still gives the right frames.
        auto target = static_cast<int64_t>(std::llround(s.m_origin * AV_TIME_BASE));
        if (avformat_seek_file(raw, -1, INT64_MIN, target, target, 0) >= 0)
            avcodec_flush_buffers(s.m_decoder.get());
    }
    return s;
}

AVRational FrameSource::SampleAspectRatio(const AVFrame* frame) const
{
    return av_guess_sample_aspect_ratio(
        m_format.get(), m_format->streams[m_stream], const_cast<AVFrame*>(frame));
}

FrameSource::Status FrameSource::Next(AVFrame* frame, SourceFrame& info)
{
    AVCodecContext* dec = m_decoder.get();
    for (;;) {
        int rc = avcodec_receive_frame(dec, frame);
        if (rc == 0) {
            m_errorsInRow = 0;
            m_colour.FillIn(frame);
            int64_t ts = frame->best_effort_timestamp;
            info.duration = frame->pkt_duration > 0 ? frame->pkt_duration * av_q2d(m_timeBase)
                                                    : m_defaultDuration;
            if (ts != AV_NOPTS_VALUE)
                info.time = ts * av_q2d(m_timeBase) - m_origin;
            else
                info.time = m_haveLastTime ? m_lastTime + info.duration : 0.0;
            m_lastTime = info.time;
            m_haveLastTime = true;
            return Status::Frame;
        }
        if (rc == AVERROR_EOF)
            return Status::End;
        if (rc == AVERROR(ENOMEM)) {
            m_error = "out of memory while decoding";
            return Status::Error;
        }
        if (rc != AVERROR(EAGAIN)) {
            // A damaged frame: skip it and go on.
            if (++m_errorsInRow > kMaxErrorsInRow)
                return Status::End;
            continue;
        }
        if (m_draining)
            return Status::End;

        rc = av_read_frame(m_format.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN))
            continue;
        if (rc < 0) {
            // End of file, or a read error: decode what has been read so far.
            m_draining = true;
            avcodec_send_packet(dec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream) {
            rc = avcodec_send_packet(dec, m_packet.get());
            if (rc == AVERROR(ENOMEM)) {
                av_packet_unref(m_packet.get());
                m_error = "out of memory while decoding";
                return Status::Error;
            }
            // Other errors are damaged packets: the decoder picks up again at the next one.
        }
        av_packet_unref(m_packet.get());
    }
}

std::vector<double> FrameSource::KeyframeTimes() const
{
    std::vector<double> times;
    AVStream* stream = m_format->streams[m_stream];
    const double fileStart = m_format->start_time != AV_NOPTS_VALUE
        ? m_format->start_time / double(AV_TIME_BASE)
        : 0.0;
    const int count = avformat_index_get_entries_count(stream);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (entry && (entry->flags & AVINDEX_KEYFRAME) && entry->timestamp != AV_NOPTS_VALUE)
            times.push_back(entry->timestamp * av_q2d(stream->time_base) - fileStart);
    }
    std::sort(times.begin(), times.end());
    return times;
}

} // namespace video
