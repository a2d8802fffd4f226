#pragma once

#include "tools/common/FfmpegHandles.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

// The one name a demuxer may open: the input itself. Concat lists, playlists,
// image sequences and "file:" references inside a container would otherwise
// make the tool read files nobody named.
inline int OpenOnlyNamedInput(
    AVFormatContext* context, AVIOContext** pb, const char* url, int flags, AVDictionary** options)
{
    if (context->url == nullptr || url == nullptr || std::strcmp(context->url, url) != 0
        || (flags & AVIO_FLAG_WRITE) != 0)
        return AVERROR(EPERM);
    return avio_open2(pb, url, flags, &context->interrupt_callback, options);
}

// Every demuxer but those that open further files by design: concat lists,
// HLS and DASH playlists, IMF compositions.
inline const std::string& SingleFileDemuxers()
{
    static const std::string names = [] {
        static const char* const refused[]
            = { "concat", "hls", "dash", "imf", "webm_dash_manifest" };
        std::string list;
        void* state = nullptr;
        while (const AVInputFormat* format = av_demuxer_iterate(&state)) {
            bool skip = false;
            for (const char* r : refused)
                skip = skip || std::strcmp(format->name, r) == 0;
            if (skip)
                continue;
            list += list.empty() ? "" : ",";
            list += format->name;
        }
        return list;
    }();
    return names;
}

// Opens `path` as a local regular file (or a symlink to one) and nothing else:
// a pipe or device would block the reader and a folder is no input. The "file:"
// prefix keeps a path such as "concat:a|b" from being read as a protocol, and
// the open callback keeps the demuxer from opening any other file. Returns
// avformat_open_input's result (AVERROR(EINVAL) for anything but a regular
// file); `context` holds the input on success.
inline int OpenLocalInput(const std::string& path, FormatContextPtr& context)
{
    context.reset();
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return AVERROR(errno);
    if (!S_ISREG(info.st_mode))
        return AVERROR(EINVAL);

    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr)
        return AVERROR(ENOMEM);
    raw->io_open = OpenOnlyNamedInput;
    AVDictionary* rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    av_dict_set(&rawOptions, "format_whitelist", SingleFileDemuxers().c_str(), 0);
    // An image file's name is never read as a numbered sequence.
    av_dict_set(&rawOptions, "pattern_type", "none", 0);
    const int opened = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &rawOptions);
    DictionaryPtr leftOptions(rawOptions);
    context.reset(opened < 0 ? nullptr : raw);
    return opened;
}
