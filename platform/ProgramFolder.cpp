#include "platform/ProgramFolder.h"

#include <climits>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::mutex g_mutex;
std::string g_override;
} // namespace

std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ProgramFolder()
{
    {
        std::lock_guard lock(g_mutex);
        if (!g_override.empty())
            return g_override;
    }
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "./";
    return FolderOf(std::string(buf, static_cast<std::size_t>(n)));
}

void SetProgramFolderForTesting(const std::string& folder)
{
    std::lock_guard lock(g_mutex);
    g_override = folder;
    if (!g_override.empty() && g_override.back() != '/')
        g_override += '/';
}

bool PathExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}
