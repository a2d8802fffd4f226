#pragma once

#include <string>

namespace imgconv {

struct Placeholder
{
    bool found = false;
    size_t position = 0; // of the '%'
    size_t length = 0; // "%d" is 2, "%08d" is 4
    int width = 0; // zero-padded width, 0 for plain %d
};

// The last %d or %0Nd in the file-name part of path; a '%' in a folder name is left alone.
Placeholder FindFrameNumberPlaceholder(const std::string& path);

// path with its placeholder replaced by number; path itself when it has none.
std::string NumberedPath(const std::string& path, long number);

// Splits at the last '/': folder ("." when none) and file name.
void SplitPath(const std::string& path, std::string& folder, std::string& name);

} // namespace imgconv
