#pragma once

#include <atomic>
#include <string>

// Converts one file with the tools of the program folder. True only when every
// tool it ran ended with status 0. `stopped` is looked at between the tools:
// once it is set, nothing further runs.
bool ConvertFile(const std::string& inputPath, const std::string& outputPath,
                 const std::string& videoOptions, const std::string& imageOptions,
                 const std::string& mode, const std::atomic<bool>& stopped);

// Removes every temporary frame (DasmereTemp*.png) of the private temporary folder.
void DeleteTempFrames();
