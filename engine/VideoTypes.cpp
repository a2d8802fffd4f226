#include "engine/VideoTypes.h"

#include <sstream>

const std::vector<VideoType>& VideoTypes()
{
    static const std::vector<VideoType> types = {
#define VIDEO_TYPE(extension, mimeTypes) { extension, mimeTypes },
#include "engine/VideoTypes.def"
#undef VIDEO_TYPE
    };
    return types;
}

std::vector<std::string> VideoMimeTypes()
{
    std::vector<std::string> all;
    for (const VideoType& type : VideoTypes()) {
        std::istringstream words(type.MimeTypes);
        for (std::string mime; words >> mime;)
            all.push_back(mime);
    }
    return all;
}
