#include "tools/video/OutputPattern.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace video {
namespace {

    std::string Lower(std::string s)
    {
        std::transform(s.begin(), s.end(), s.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    }

    bool FormatFromName(const std::string& name, ImageFormat& format)
    {
        auto dot = name.rfind('.');
        if (dot == std::string::npos)
            return false;
        std::string ext = Lower(name.substr(dot));
        if (ext == ".png")
            format = ImageFormat::Png;
        else if (ext == ".jpg" || ext == ".jpeg")
            format = ImageFormat::Jpeg;
        else if (ext == ".bmp")
            format = ImageFormat::Bmp;
        else if (ext == ".tga")
            format = ImageFormat::Tga;
        else if (ext == ".pcx")
            format = ImageFormat::Pcx;
        else
            return false;
        return true;
    }

} // namespace

Outcome<OutputPattern> OutputPattern::Parse(const std::string& path)
{
    OutputPattern p;
    auto slash = path.rfind('/');
    p.m_folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    // Find the last placeholder: '%', optionally '0' and one or two digits, then 'd'.
    size_t found = std::string::npos;
    size_t length = 0;
    int width = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%')
            continue;
        size_t j = i + 1;
        int w = 0;
        if (j < name.size() && name[j] == '0') {
            ++j;
            size_t digits = 0;
            while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))
                && digits < 2) {
                w = w * 10 + (name[j] - '0');
                ++j;
                ++digits;
            }
            if (digits == 0)
                continue;
        }
        if (j < name.size() && name[j] == 'd') {
            found = i;
            length = j + 1 - i;
            width = w;
        }
    }
    if (found == std::string::npos)
        return Outcome<OutputPattern>::Failure(
            "the output file name '" + name + "' has no %d or %0Nd number placeholder");
    p.m_prefix = name.substr(0, found);
    p.m_suffix = name.substr(found + length);
    p.m_width = width;
    if (!FormatFromName(p.m_suffix, p.m_format))
        return Outcome<OutputPattern>::Failure("unsupported output format '" + name
            + "' (the extension must be .png, .jpg, .bmp, .tga or .pcx)");
    return p;
}

std::string OutputPattern::FileName(long long number) const
{
    char digits[128];
    std::snprintf(digits, sizeof digits, "%0*lld", m_width, number);
    return m_folder + m_prefix + digits + m_suffix;
}

bool OutputPattern::IsTemporaryFrame() const
{
    return m_format == ImageFormat::Png && m_prefix.rfind("DasmereTemp", 0) == 0;
}

} // namespace video
