#include "tools/swfinfo/MediaDescription.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

void Append(std::string& line, const std::string& part)
{
    if (part.empty())
        return;
    if (!line.empty())
        line += ", ";
    line += part;
}

} // namespace

std::string FormatDuration(double seconds)
{
    if (!(seconds >= 0.0) || !std::isfinite(seconds))
        return {};
    auto total = static_cast<long long>(std::llround(seconds));
    if (total == 0 && seconds > 0.0)
        total = 1;
    char text[32];
    std::snprintf(
        text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

std::string FormatFrameRate(int num, int den)
{
    if (num <= 0 || den <= 0)
        return {};
    const double rate = static_cast<double>(num) / den;
    // A container may store absurd rates (1000 fps time bases); such a rate says nothing.
    if (rate > 1000.0)
        return {};
    char text[32];
    if (std::fabs(rate - std::round(rate)) < 0.005) {
        std::snprintf(text, sizeof text, "%.0f fps", rate);
    } else {
        std::snprintf(text, sizeof text, "%.2f", rate);
        std::string trimmed = text;
        while (trimmed.back() == '0')
            trimmed.pop_back();
        return trimmed + " fps";
    }
    return text;
}

std::string CodecDisplayName(std::string_view codecName)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 26> names { {
        { "h264", "H.264" },
        { "hevc", "H.265" },
        { "mpeg4", "MPEG-4" },
        { "mpeg2video", "MPEG-2" },
        { "mpeg1video", "MPEG-1" },
        { "msmpeg4v1", "MS-MPEG4v1" },
        { "msmpeg4v2", "MS-MPEG4v2" },
        { "msmpeg4v3", "MS-MPEG4v3" },
        { "h263", "H.263" },
        { "flv1", "FLV" },
        { "vp6f", "VP6" },
        { "theora", "Theora" },
        { "rawvideo", "raw video" },
        { "mjpeg", "MJPEG" },
        { "prores", "ProRes" },
        { "wmv1", "WMV7" },
        { "wmv2", "WMV8" },
        { "wmv3", "WMV9" },
        { "aac", "AAC" },
        { "mp3", "MP3" },
        { "mp2", "MP2" },
        { "vorbis", "Vorbis" },
        { "opus", "Opus" },
        { "flac", "FLAC" },
        { "wmav2", "WMA" },
        { "ac3", "AC-3" },
    } };
    for (const auto& [ffmpegName, shown] : names) {
        if (ffmpegName == codecName)
            return std::string(shown);
    }
    if (codecName.starts_with("pcm_"))
        return "PCM";
    if (codecName.starts_with("adpcm_"))
        return "ADPCM";
    std::string upper(codecName);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string ChannelsDisplayName(int channels)
{
    switch (channels) {
    case 0:
        return {};
    case 1:
        return "mono";
    case 2:
        return "stereo";
    case 6:
        return "5.1";
    case 8:
        return "7.1";
    default:
        return std::to_string(channels) + " ch";
    }
}

std::string DescribeMedia(const MediaFacts& facts)
{
    std::string line;
    Append(line, FormatDuration(facts.durationSeconds));
    if (facts.width > 0 && facts.height > 0)
        Append(line, std::to_string(facts.width) + "x" + std::to_string(facts.height));
    Append(line, FormatFrameRate(facts.frameRateNum, facts.frameRateDen));
    if (!facts.videoCodec.empty())
        Append(line, CodecDisplayName(facts.videoCodec));
    if (!facts.hdrTransfer.empty())
        Append(line, "HDR (" + facts.hdrTransfer + ")");
    if (!facts.hasAudio) {
        Append(line, "no sound");
    } else {
        std::string audio = CodecDisplayName(facts.audioCodec);
        const std::string channels = ChannelsDisplayName(facts.audioChannels);
        if (!channels.empty())
            audio += (audio.empty() ? "" : " ") + channels;
        Append(line, audio.empty() ? "sound" : audio);
    }
    return line;
}
