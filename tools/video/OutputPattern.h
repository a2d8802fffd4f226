#pragma once

#include "tools/common/Outcome.h"

#include <string>

namespace video {

enum class ImageFormat
{
    Png,
    Jpeg,
    Bmp,
    Tga,
    Pcx
};

// The output path with its number placeholder. Only the last %d or %0Nd in the file name is a
// placeholder; every other character, a % in a folder name included, stays literal.
class OutputPattern
{
public:
    static Outcome<OutputPattern> Parse(const std::string& path);

    std::string FileName(long long number) const;
    const std::string& Folder() const { return m_folder; }
    ImageFormat Format() const { return m_format; }
    // Temporary frames for the GIF assembler: their PNGs favour speed over size.
    bool IsTemporaryFrame() const;

private:
    OutputPattern() = default;
    std::string m_folder; // with its trailing '/', or empty for the current folder
    std::string m_prefix; // file name before the placeholder
    std::string m_suffix; // file name after it
    int m_width = 0; // zero-padded width, 0 for %d
    ImageFormat m_format = ImageFormat::Png;
};

} // namespace video
