#include "tools/imgconv/FrameFiles.h"

#include "tools/imgconv/OutputName.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace imgconv {

namespace {

    // Length of the UTF-8 sequence starting at name[i], never past the end.
    size_t CharacterLength(const std::string& name, size_t i)
    {
        const auto lead = static_cast<unsigned char>(name[i]);
        size_t length = 1;
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        size_t n = 1;
        while (n < length && i + n < name.size()
            && (static_cast<unsigned char>(name[i + n]) & 0xC0) == 0x80)
            ++n;
        return n;
    }

    struct DirCloser
    {
        void operator()(DIR* dir) const { closedir(dir); }
    };

} // namespace

bool MatchWildcard(const std::string& name, const std::string& pattern)
{
    // Iterative matcher with one backtrack point: linear in practice, no recursion.
    size_t n = 0, p = 0;
    size_t starPattern = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharacterLength(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            starName += CharacterLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

FrameFileList ListFrameFiles(const std::string& wildcard)
{
    FrameFileList result;
    std::string folder, pattern;
    SplitPath(wildcard, folder, pattern);
    if (pattern.empty()) {
        result.error = "no file name in '" + wildcard + "'";
        return result;
    }

    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) {
        result.error = "cannot read folder '" + folder + "': " + std::strerror(errno);
        return result;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (MatchWildcard(name, pattern))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());

    const std::string prefix = wildcard.find('/') == std::string::npos ? "" : folder + "/";
    for (const std::string& name : names) {
        std::string path = (folder == "/" ? "/" : prefix) + name;
        struct stat info
        {
        };
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            result.paths.push_back(std::move(path));
    }
    if (result.paths.empty())
        result.error = "no file matches '" + wildcard + "'";
    return result;
}

std::vector<std::string> OrderFrames(std::vector<std::string> paths, FrameOrder order)
{
    if (order == FrameOrder::Reverse) {
        std::reverse(paths.begin(), paths.end());
    } else if (order == FrameOrder::Bounce && paths.size() > 2) {
        const std::size_t n = paths.size();
        paths.reserve(2 * n - 2);
        for (std::size_t i = n - 2; i >= 1; --i)
            paths.push_back(paths[i]);
    }
    return paths;
}

} // namespace imgconv
