#include "platform/AsciiText.h"

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && StartsWithIgnoringCase(a, b);
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

bool LessIgnoringCase::operator()(std::string_view a, std::string_view b) const
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

std::string_view TrimView(std::string_view text, std::string_view trimmed)
{
    const std::size_t begin = text.find_first_not_of(trimmed);
    if (begin == std::string_view::npos)
        return text.substr(text.size());
    const std::size_t end = text.find_last_not_of(trimmed);
    return text.substr(begin, end - begin + 1);
}
