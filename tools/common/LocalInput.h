#pragma once

#include "tools/common/FfmpegHandles.h"

#include <string>

// Opens `path` as a local file and nothing else: the "file:" prefix keeps a path
// such as "concat:a|b" from being read as a protocol, and the whitelist keeps a
// playlist inside the file from reaching anything but local files. Returns
// avformat_open_input's result; `context` holds the input on success.
inline int OpenLocalInput(const std::string& path, FormatContextPtr& context)
{
    AVDictionary* rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &rawOptions);
    DictionaryPtr leftOptions(rawOptions);
    context.reset(opened < 0 ? nullptr : raw);
    return opened;
}
