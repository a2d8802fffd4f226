#pragma once

#include <string>
#include <vector>

// One video type of the program's table (engine/VideoTypes.def).
struct VideoType
{
    const char* Extension; // without the dot, lower case: "webm"
    const char* MimeTypes; // separated by blanks; may be empty
};

// The table, in its order.
const std::vector<VideoType>& VideoTypes();

// Every MIME type of the table, in its order, each once.
std::vector<std::string> VideoMimeTypes();
