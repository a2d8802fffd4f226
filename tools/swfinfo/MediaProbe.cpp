#include "tools/swfinfo/MediaProbe.h"

#include "tools/common/DisplayRotation.h"
#include "tools/common/DynamicRange.h"
#include "tools/common/LocalInput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace {

// Analysis limits for files whose headers leave facts open (raw streams, MPEG-TS):
// enough for the first frames, far less than ffprobe's 5 MB / 5 s.
constexpr int64_t kProbeBytes = 1 << 20;
constexpr int64_t kAnalyzeMicroseconds = 1'000'000;

ProbeResult Failure(const char* reason)
{
    ProbeResult result;
    result.error = reason;
    return result;
}

// True when the file's first bytes are recognised as a container by their content
// (not merely by the extension), so that a failure to open it means damage.
bool LooksLikeMedia(const std::string& path)
{
    std::unique_ptr<FILE, decltype(&std::fclose)> file(
        std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    unsigned char buffer[4096 + AVPROBE_PADDING_SIZE] = {};
    const size_t size = std::fread(buffer, 1, 4096, file.get());
    AVProbeData probe {};
    probe.filename = "";
    probe.buf = buffer;
    probe.buf_size = static_cast<int>(size);
    int score = 0;
    return av_probe_input_format3(&probe, 1, &score) != nullptr && score > AVPROBE_SCORE_EXTENSION;
}

bool IsStillImageFormat(const AVInputFormat* format)
{
    const std::string_view name = format->name;
    return name == "image2" || name.ends_with("_pipe") || name == "tty";
}

// The stream of that type that the file marks as default, else the first one;
// cover pictures are not the video.
const AVStream* MainStream(const AVFormatContext* context, AVMediaType type)
{
    const AVStream* chosen = nullptr;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type != type
            || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        if (!chosen
            || ((stream->disposition & AV_DISPOSITION_DEFAULT)
                && !(chosen->disposition & AV_DISPOSITION_DEFAULT)))
            chosen = stream;
    }
    return chosen;
}

AVRational FrameRate(const AVStream* stream)
{
    if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
        return stream->avg_frame_rate;
    if (stream->r_frame_rate.num > 0 && stream->r_frame_rate.den > 0)
        return stream->r_frame_rate;
    return { 0, 1 };
}

double DurationSeconds(const AVFormatContext* context, const AVStream* video)
{
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        return static_cast<double>(context->duration) / AV_TIME_BASE;
    if (video && video->duration != AV_NOPTS_VALUE && video->duration > 0)
        return static_cast<double>(video->duration) * av_q2d(video->time_base);
    return -1.0;
}

// Whether the headers alone answered every question the description asks.
bool HeadersSuffice(const AVFormatContext* context)
{
    const AVStream* video = MainStream(context, AVMEDIA_TYPE_VIDEO);
    if (!video)
        return false;
    const AVCodecParameters* par = video->codecpar;
    if (par->codec_id == AV_CODEC_ID_NONE || par->width <= 0 || par->height <= 0
        || FrameRate(video).num == 0 || DurationSeconds(context, video) < 0)
        return false;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* audio = context->streams[i]->codecpar;
        if (audio->codec_type == AVMEDIA_TYPE_AUDIO
            && (audio->codec_id == AV_CODEC_ID_NONE || audio->ch_layout.nb_channels <= 0))
            return false;
    }
    return true;
}

} // namespace

ProbeResult ProbeMedia(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return Failure(
            errno == ENOENT || errno == ENOTDIR ? "file not found" : "cannot read the file");
    // A pipe or device would block the reader; only plain files are described.
    if (!S_ISREG(info.st_mode))
        return Failure("not a file");
    if (info.st_size == 0)
        return Failure("empty file");

    FormatContextPtr context;
    const int opened = OpenLocalInput(path, context);
    if (opened < 0) {
        if (opened == AVERROR(EACCES))
            return Failure("cannot read the file");
        return Failure(LooksLikeMedia(path) ? "damaged file" : "not a video file");
    }
    if (IsStillImageFormat(context->iformat))
        return Failure("not a video file");

    if (!HeadersSuffice(context.get())) {
        context->probesize = kProbeBytes;
        context->max_analyze_duration = kAnalyzeMicroseconds;
        // A text file may be taken, with a low score, for some obscure container
        // with no streams at all: that is no video rather than a damaged one.
        if (avformat_find_stream_info(context.get(), nullptr) < 0) {
            const bool hasVideo = MainStream(context.get(), AVMEDIA_TYPE_VIDEO) != nullptr;
            return Failure(hasVideo ? "damaged file" : "not a video file");
        }
    }

    const AVStream* video = MainStream(context.get(), AVMEDIA_TYPE_VIDEO);
    if (!video)
        return Failure("not a video file");
    if (video->codecpar->codec_id == AV_CODEC_ID_NONE || video->codecpar->width <= 0
        || video->codecpar->height <= 0)
        return Failure("unknown video format");

    ProbeResult result;
    result.ok = true;
    MediaFacts& facts = result.facts;
    facts.durationSeconds = DurationSeconds(context.get(), video);
    facts.width = video->codecpar->width;
    facts.height = video->codecpar->height;
    // The size as it is seen: a video stored turned on its side is shown upright.
    if (StreamRotation(video) % 180 == 90)
        std::swap(facts.width, facts.height);
    const AVRational rate = FrameRate(video);
    facts.frameRateNum = rate.num;
    facts.frameRateDen = rate.den;
    facts.videoCodec = avcodec_get_name(video->codecpar->codec_id);
    switch (StreamDynamicRange(video)) {
    case DynamicRange::Hlg:
        facts.hdrTransfer = "HLG";
        break;
    case DynamicRange::Pq:
        facts.hdrTransfer = "PQ";
        break;
    case DynamicRange::Standard:
        break;
    }
    if (const AVStream* audio = MainStream(context.get(), AVMEDIA_TYPE_AUDIO)) {
        facts.hasAudio = true;
        if (audio->codecpar->codec_id != AV_CODEC_ID_NONE)
            facts.audioCodec = avcodec_get_name(audio->codecpar->codec_id);
        facts.audioChannels = audio->codecpar->ch_layout.nb_channels;
    }
    return result;
}
