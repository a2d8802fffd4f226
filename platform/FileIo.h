#pragma once

#include <cstddef>
#include <limits>
#include <string>

// How a read of a whole file went.
enum class FileReadStatus
{
    Read,
    Missing, // no such file (or a path through a missing folder)
    NotRegular, // a FIFO, a device, a folder, a socket: never read, so never waited on
    TooLarge, // more than the limit
    Failed, // not readable, or an error while reading
};

// Reads a whole regular file. Anything else is not opened for reading: it is opened without
// waiting (O_NONBLOCK) and checked first, so a FIFO or a device in a file's place can never
// block or feed the program endlessly. A file larger than `maxSize` bytes is not read (nor
// read further than that, so a huge or growing file costs no memory).
FileReadStatus ReadRegularFile(const std::string& path, std::string* data,
    std::size_t maxSize = std::numeric_limits<std::size_t>::max());

// ReadRegularFile that only tells whether the file was read.
bool ReadWholeFile(const std::string& path, std::string* data,
    std::size_t maxSize = std::numeric_limits<std::size_t>::max());

// Writes `data` to `path` through a temporary file and a rename. A symbolic link is
// written through: its final target is replaced, from a temporary file in the target's
// folder. False, with nothing changed, when the file exists but may not be written (a
// file made read-only stays as it is, even for root), or when it is not a regular file
// (a FIFO or a device is never replaced).
bool WriteFileAtomically(const std::string& path, const std::string& data);
