#include "platform/ProfileFile.h"

#include "platform/AsciiText.h"

#include <cerrno>
#include <string_view>
#include <vector>

namespace {

std::string_view Trim(std::string_view s)
{
    return TrimView(s, kBlanksTabsAndReturns);
}

struct Line
{
    std::size_t begin; // offset of the first character
    std::size_t end; // offset past the last character, before the line break
    std::size_t next; // offset of the next line
};

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        std::size_t next = nl == std::string::npos ? text.size() : nl + 1;
        std::size_t contentEnd = end;
        if (contentEnd > pos && text[contentEnd - 1] == '\r')
            --contentEnd;
        lines.push_back({ pos, contentEnd, next });
        pos = next;
    }
    return lines;
}

// Section name of a header line, or false when the line is no header.
bool SectionName(std::string_view line, std::string_view* name)
{
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return false;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    *name = Trim(line.substr(1, close - 1));
    return true;
}

// Key and value of a key line, or false when the line has no '='.
bool KeyValue(std::string_view line, std::string_view* key, std::string_view* value)
{
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    *key = Trim(line.substr(0, eq));
    *value = Trim(line.substr(eq + 1));
    return true;
}

// Where the value of `key` in `section` lies in `text`, and where a new key or
// section would go.
struct Location
{
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0, valueEnd = 0; // the value, when keyFound
    std::size_t insertAt = 0; // after the section's last key line
};

Location Locate(const std::string& text, std::string_view section, std::string_view key)
{
    Location loc;
    bool inSection = false;
    for (const Line& l : SplitLines(text)) {
        std::string_view line(text.data() + l.begin, l.end - l.begin);
        std::string_view name;
        if (SectionName(line, &name)) {
            if (inSection)
                break; // first matching section wins
            inSection = EqualsIgnoringCase(name, section);
            if (inSection) {
                loc.sectionFound = true;
                loc.insertAt = l.next;
            }
            continue;
        }
        if (!inSection)
            continue;
        std::string_view k, v;
        if (KeyValue(line, &k, &v)) {
            if (EqualsIgnoringCase(k, key)) {
                loc.keyFound = true;
                loc.valueBegin
                    = v.empty() ? l.end : static_cast<std::size_t>(v.data() - text.data());
                loc.valueEnd = loc.valueBegin + v.size();
                return loc;
            }
        }
        if (!Trim(line).empty())
            loc.insertAt = l.next;
    }
    return loc;
}

} // namespace

std::string FindProfileValue(
    const std::string& text, const std::string& section, const std::string& key, bool* found)
{
    Location loc = Locate(text, section, key);
    *found = loc.keyFound;
    if (!loc.keyFound)
        return {};
    return text.substr(loc.valueBegin, loc.valueEnd - loc.valueBegin);
}

std::vector<std::pair<std::string, std::string>> ProfileSectionEntries(
    const std::string& text, const std::string& section, bool* found)
{
    std::vector<std::pair<std::string, std::string>> entries;
    bool inSection = false;
    bool seen = false;
    for (const Line& l : SplitLines(text)) {
        std::string_view line(text.data() + l.begin, l.end - l.begin);
        std::string_view name;
        if (SectionName(line, &name)) {
            if (inSection)
                break; // first matching section wins
            inSection = EqualsIgnoringCase(name, section);
            seen = seen || inSection;
            continue;
        }
        std::string_view k, v;
        if (inSection && KeyValue(line, &k, &v))
            entries.emplace_back(std::string(k), std::string(v));
    }
    if (found)
        *found = seen;
    return entries;
}

std::string ReplaceProfileValue(const std::string& text, const std::string& section,
    const std::string& key, const std::string& value)
{
    Location loc = Locate(text, section, key);
    // Use the file's own line break.
    const char* eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    if (loc.keyFound) {
        std::string out = text;
        out.replace(loc.valueBegin, loc.valueEnd - loc.valueBegin, value);
        return out;
    }
    std::string keyLine = key + "=" + value + eol;
    if (loc.sectionFound) {
        std::string out = text;
        std::size_t at = loc.insertAt;
        if (at > 0 && at == out.size() && out.back() != '\n') {
            out += eol;
            at = out.size();
        }
        out.insert(at, keyLine);
        return out;
    }
    std::string out = text;
    if (!out.empty() && out.back() != '\n')
        out += eol;
    out += "[" + section + "]" + eol + keyLine;
    return out;
}

std::string ReadProfileString(const std::string& path, const std::string& section,
    const std::string& key, const std::string& defaultValue, std::size_t bufferSize)
{
    std::string text;
    bool found = false;
    std::string value;
    if (ReadWholeFile(path, &text, kMaxProfileFileSize))
        value = FindProfileValue(text, section, key, &found);
    if (!found)
        value = defaultValue;
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
    const std::string& value)
{
    if (path.empty()) {
        errno = ENOENT; // no place to keep the file
        return false;
    }
    // A line break would split the entry and plant lines of its own in the file.
    for (const std::string* part : { &section, &key, &value })
        if (part->find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            return false;
    std::string text;
    // A missing file is created; one that cannot be read whole is left alone rather than
    // replaced by a file holding only this key (and a FIFO or a device is never replaced).
    const FileReadStatus read = ReadRegularFile(path, &text, kMaxProfileFileSize);
    if (read == FileReadStatus::TooLarge || read == FileReadStatus::Failed)
        return false;
    return WriteFileAtomically(path, ReplaceProfileValue(text, section, key, value));
}
