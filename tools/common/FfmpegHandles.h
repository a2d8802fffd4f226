#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// Owners for FFmpeg's C handles, shared by the tools.
struct FormatContextCloser
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecContextFreer
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ResamplerFreer
{
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct ScalerFreer
{
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

struct DictionaryFreer
{
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryFreer>;

// FFmpeg's text for an error code.
inline std::string FfmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}
