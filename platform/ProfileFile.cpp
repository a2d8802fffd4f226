#include "platform/ProfileFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

struct Line
{
    std::size_t begin; // offset of the first character
    std::size_t end;   // offset past the last character, before the line break
    std::size_t next;  // offset of the next line
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
        lines.push_back({pos, contentEnd, next});
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
    std::size_t insertAt = 0;                 // after the section's last key line
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
            inSection = EqualsNoCase(name, section);
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
            if (EqualsNoCase(k, key)) {
                loc.keyFound = true;
                loc.valueBegin = v.empty() ? l.end : static_cast<std::size_t>(v.data() - text.data());
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

std::string FindProfileValue(const std::string& text, const std::string& section,
                             const std::string& key, bool* found)
{
    Location loc = Locate(text, section, key);
    *found = loc.keyFound;
    if (!loc.keyFound)
        return {};
    return text.substr(loc.valueBegin, loc.valueEnd - loc.valueBegin);
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

bool ReadWholeFile(const std::string& path, std::string* data)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    data->clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data->append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteFileAtomically(const std::string& path, const std::string& data)
{
    std::string tmp = path + ".tmp-" + std::to_string(getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // Keep the mode of the file being replaced.
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    std::size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        ssize_t w = ::write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferSize)
{
    std::string text;
    bool found = false;
    std::string value;
    if (ReadWholeFile(path, &text))
        value = FindProfileValue(text, section, key, &found);
    if (!found)
        value = defaultValue;
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value)
{
    // A line break would split the entry and plant lines of its own in the file.
    for (const std::string* part : {&section, &key, &value})
        if (part->find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            return false;
    std::string text;
    ReadWholeFile(path, &text); // a missing file is created
    return WriteFileAtomically(path, ReplaceProfileValue(text, section, key, value));
}
