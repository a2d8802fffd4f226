#pragma once

#include "engine/FileEdit.h"
#include "engine/Settings.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

// sablewick-cli --estimate: one line per file with the GIF its conversion would give
// (size and range, frames, frame size, time), and with `budget` (bytes, 0 for none)
// whether the GIF made without one would fit in it. Writes no GIF and leaves no file;
// `interrupted` ends the tools and stops. Gives the exit status: 0 when every file was
// estimated, 1 when one was not. With `json`, each line is a JSON object instead: input,
// bytes, low, high, frames, width, height, seconds (null where there is no estimate) and
// reason.
int RunEstimates(const std::vector<std::string>& names, const std::vector<std::string>& paths,
    const ConversionSettings& settings, const FileEdit& edit, long long budget, bool json,
    const std::atomic<bool>& interrupted, std::FILE* out, std::FILE* err);
