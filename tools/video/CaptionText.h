#pragma once

#include "tools/common/Outcome.h"

#include <string>

namespace video {

// Characters of a caption, both lines together: more would not fit a frame.
inline constexpr int kMaxCaptionCharacters = 200;

// Empty when `text` can be a caption: UTF-8, one or two lines, no other control
// character, at most kMaxCaptionCharacters characters; else why not.
std::string CheckCaptionText(const std::string& text);

// The caption held in a file (a final line break is dropped), checked as above.
Outcome<std::string> ReadCaptionFile(const std::string& path);

// The path of an installed font (through fontconfig) that has every character of `text`,
// a sans-serif face first; an error when no installed font has them all.
Outcome<std::string> FindCaptionFont(const std::string& text);

} // namespace video
