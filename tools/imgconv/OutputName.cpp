#include "tools/imgconv/OutputName.h"

#include <cstdio>

namespace imgconv {

Placeholder FindFrameNumberPlaceholder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    Placeholder last;
    for (size_t i = nameStart; i < path.size(); ++i) {
        if (path[i] != '%')
            continue;
        size_t j = i + 1;
        int width = 0;
        if (j < path.size() && path[j] == '0') {
            ++j;
            const size_t digitsStart = j;
            while (j < path.size() && path[j] >= '0' && path[j] <= '9' && j - digitsStart < 2) {
                width = width * 10 + (path[j] - '0');
                ++j;
            }
            if (j == digitsStart)
                continue;
        }
        if (j < path.size() && path[j] == 'd') {
            last.found = true;
            last.position = i;
            last.length = j + 1 - i;
            last.width = width;
        }
    }
    return last;
}

std::string NumberedPath(const std::string& path, long number)
{
    const Placeholder placeholder = FindFrameNumberPlaceholder(path);
    if (!placeholder.found)
        return path;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*ld", placeholder.width, number);
    std::string numbered = path.substr(0, placeholder.position);
    numbered.append(digits).append(path, placeholder.position + placeholder.length);
    return numbered;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder.assign(1, '.');
        name = path;
    } else {
        folder = path.substr(0, slash == 0 ? 1 : slash);
        name = path.substr(slash + 1);
    }
}

} // namespace imgconv
