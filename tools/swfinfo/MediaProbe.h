#pragma once

#include "tools/swfinfo/MediaFacts.h"

#include <string>

struct ProbeResult
{
    bool ok = false;
    MediaFacts facts;
    std::string error; // short reason for the user when !ok, e.g. "not a video file"
};

// Reads the container headers of the file at `path` (a local file, never a URL) and
// collects the facts of its main video stream and first audio stream. Decodes frames
// only when the headers leave a fact open, and then only the first ones.
ProbeResult ProbeMedia(const std::string& path);
