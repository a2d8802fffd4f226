#pragma once

#include "tools/imgconv/ImgconvOptions.h"

#include <string>
#include <vector>

namespace imgconv {

// True when name matches pattern, where '*' stands for any run of characters and '?' for
// one character (one UTF-8 sequence); every other character stands for itself.
bool MatchWildcard(const std::string& name, const std::string& pattern);

struct FrameFileList
{
    std::vector<std::string> paths; // in name order
    std::string error; // empty on success
};

// The regular files matching the wildcard's file-name part in its (literal) folder.
FrameFileList ListFrameFiles(const std::string& wildcard);

// The frames in the given order. A bounce names the middle frames twice (n frames give
// 2n - 2); each is read from its one file again, nothing is copied.
std::vector<std::string> OrderFrames(std::vector<std::string> paths, FrameOrder order);

} // namespace imgconv
