#pragma once

#include <string>
#include <string_view>

// Section names, keys and switch words are matched without regard to ASCII letter case only:
// bytes of other scripts compare as they are, whatever the locale.

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

struct LessIgnoringCase
{
    using is_transparent = void;

    bool operator()(std::string_view a, std::string_view b) const
    {
        std::size_t n = a.size() < b.size() ? a.size() : b.size();
        for (std::size_t i = 0; i < n; ++i) {
            auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
            auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
            if (ca != cb)
                return ca < cb;
        }
        return a.size() < b.size();
    }
};

inline bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// The text without blanks and tabs at either end.
inline std::string TrimBlanksAndTabs(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrTab(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrTab(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}
