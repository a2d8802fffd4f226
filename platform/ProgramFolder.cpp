#include "platform/ProgramFolder.h"

#include <climits>
#include <grp.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    const std::string path = ProgramPath();
    return path.empty() ? std::string("./") : FolderOf(path);
}

std::string ProgramPath()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
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

namespace {

bool InGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<std::size_t>(i)] == gid)
            return true;
    return false;
}

} // namespace

bool IsFolderWritableByUser(const std::string& folder)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    mode_t bit = S_IWOTH;
    if (st.st_uid == ::geteuid())
        bit = S_IWUSR;
    else if (InGroup(st.st_gid))
        bit = S_IWGRP;
    return (st.st_mode & bit) != 0 && ::access(folder.c_str(), W_OK | X_OK) == 0;
}
