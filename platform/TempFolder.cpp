#include "platform/TempFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_mutex;
std::string g_folder;

// A folder that is ours alone: no symlink, owned by us, no access for others.
bool SafeFolder(std::string path)
{
    // A trailing '/' would make lstat follow a symlink.
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

bool MakePrivateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return SafeFolder(path);
}

void RemoveDeadSiblings(const std::string& parent)
{
    DIR* dir = ::opendir(parent.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
            continue; // still running
        RemoveTree(parent + e->d_name);
    }
    ::closedir(dir);
}

void RemoveAtExit()
{
    std::lock_guard lock(g_mutex);
    if (!g_folder.empty())
        RemoveTree(g_folder);
}

} // namespace

void RemoveTree(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                std::string name = e->d_name;
                if (name == "." || name == "..")
                    continue;
                std::string child = path;
                if (child.back() != '/')
                    child += '/';
                RemoveTree(child + name);
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

std::string TempFolder()
{
    std::lock_guard lock(g_mutex);
    if (!g_folder.empty() && SafeFolder(g_folder))
        return g_folder;
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    if (base.back() != '/')
        base += '/';
    std::string parent = base + "sablewick-" + std::to_string(::getuid()) + "/";
    if (!MakePrivateFolder(parent)) {
        std::fprintf(stderr, "sablewick: refusing temporary folder %s (not a private folder)\n",
                     parent.c_str());
        return {};
    }
    RemoveDeadSiblings(parent);
    std::string folder = parent + std::to_string(::getpid()) + "/";
    if (!MakePrivateFolder(folder)) {
        std::fprintf(stderr, "sablewick: cannot make temporary folder %s\n", folder.c_str());
        return {};
    }
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(RemoveAtExit);
    }
    g_folder = folder;
    return g_folder;
}
