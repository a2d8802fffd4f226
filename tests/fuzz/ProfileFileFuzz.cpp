// The private-profile reader and writer on any file text, section, key and value.
// Input: section NUL key NUL value NUL file text.

#include "platform/ProfileFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <string>

namespace {

bool IsTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Trimmed(const std::string& s)
{
    std::size_t begin = 0, end = s.size();
    while (begin < end && IsTrimmed(s[begin]))
        ++begin;
    while (end > begin && IsTrimmed(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

bool HasLineBreak(const std::string& s)
{
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool IsPlainName(const std::string& s)
{
    return !HasLineBreak(s) && (s.empty() || (!IsTrimmed(s.front()) && !IsTrimmed(s.back())));
}

// Every character of `inner`, in order, is in `outer`: the writer only added text.
bool IsSubsequence(const std::string& inner, const std::string& outer)
{
    std::size_t at = 0;
    for (char c : outer)
        if (at < inner.size() && inner[at] == c)
            ++at;
    return at == inner.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view rest = AsText(data, size);
    const std::string section = TakeField(rest);
    const std::string key = TakeField(rest);
    const std::string value = TakeField(rest);
    const std::string text(rest);

    bool found = false;
    const std::string before = FindProfileValue(text, section, key, &found);
    // A value lies within its line and comes back trimmed.
    FUZZ_CHECK(before.find('\n') == std::string::npos);
    FUZZ_CHECK(before == Trimmed(before));
    FUZZ_CHECK(found || before.empty());

    // The writer refuses names and values with line breaks; only what it accepts goes on.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return 0;
    const std::string after = ReplaceProfileValue(text, section, key, value);

    // The file keeps every other byte: a new key or section only adds text.
    if (!found)
        FUZZ_CHECK(IsSubsequence(text, after));

    // Names a file line can hold as they are: the written value reads back (trimmed, as
    // every value is), and writing it again changes nothing.
    bool plainSection = IsPlainName(section) && section.find(']') == std::string::npos;
    bool plainKey = IsPlainName(key) && key.find('=') == std::string::npos
        && (key.empty() || key.front() != '[');
    if (plainSection && plainKey) {
        bool readBack = false;
        FUZZ_CHECK(FindProfileValue(after, section, key, &readBack) == Trimmed(value));
        FUZZ_CHECK(readBack);
        // A value without blanks at its ends lands where the old one stood: writing it again
        // changes nothing, and writing the old value back restores the file byte for byte.
        if (!value.empty() && IsPlainName(value)) {
            FUZZ_CHECK(ReplaceProfileValue(after, section, key, value) == after);
            if (found)
                FUZZ_CHECK(ReplaceProfileValue(after, section, key, before) == text);
        }
    }
    return 0;
}
