#pragma once

#include <string>
#include <string_view>

// Names, keys, switch words and URL schemes are matched without regard to ASCII letter case
// only: bytes of other scripts compare as they are, whatever the locale.

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

struct LessIgnoringCase
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// The characters each kind of text trims: INI names and values only blanks and tabs, a
// profile line also a stray carriage return, a desktop entry any ASCII white space.
inline constexpr std::string_view kBlanksAndTabs = " \t";
inline constexpr std::string_view kBlanksTabsAndReturns = " \t\r";
inline constexpr std::string_view kAsciiWhiteSpace = " \t\n\v\f\r";

inline bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// The text without any of `trimmed` at either end.
std::string_view TrimView(std::string_view text, std::string_view trimmed);

// The text without blanks and tabs at either end.
inline std::string TrimBlanksAndTabs(std::string_view text)
{
    return std::string(TrimView(text, kBlanksAndTabs));
}
