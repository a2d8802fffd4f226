#pragma once

#include <cstddef>
#include <limits>
#include <string>

// Reads a whole file; false when it cannot be opened or read, or when it holds more than
// `maxSize` bytes (read no further than that, so a huge file costs no memory).
bool ReadWholeFile(const std::string& path, std::string* data,
    std::size_t maxSize = std::numeric_limits<std::size_t>::max());

// Writes `data` to `path` through a temporary file and a rename. A symbolic link is
// written through: its final target is replaced, from a temporary file in the target's
// folder. False, with nothing changed, when the file exists but may not be written (a
// file made read-only stays as it is, even for root).
bool WriteFileAtomically(const std::string& path, const std::string& data);
