#include "platform/TempFolder.h"

#include "platform/CHandles.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::mutex g_mutex;
std::string g_folder;
UniqueFd g_lock; // the folder's own lock, held for the process's lifetime: its owner lives

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

// Opens the folder and takes its lock (flock on the folder itself); nothing open when
// its owner holds it, or when it is no folder.
UniqueFd TakeOwnerLock(const std::string& folder)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.IsOpen() && ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        fd.Close();
    return fd;
}

// Whether the folder's owner is gone: its lock can be taken. Unlike a pid,
// this holds across PID namespaces (containers sharing a temporary folder).
bool OwnerGone(const std::string& folder)
{
    return TakeOwnerLock(folder).IsOpen();
}

void RemoveDeadSiblings(const std::string& parent, const std::string& own)
{
    const UniqueDir dir(::opendir(parent.c_str()));
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || parent + name + "/" == own)
            continue;
        if (OwnerGone(parent + name))
            RemoveTree(parent + name);
    }
}

// Makes the process's folder in `parent` under `name`, with its owner lock
// taken before the folder gets that name, so that no other copy ever sees it
// without a held lock. Empty when it cannot.
std::string MakeLockedFolder(const std::string& parent, const std::string& name)
{
    // Another copy's clean-up may take an unlocked staging folder away in the
    // moment between mkdtemp and the lock: then try again.
    std::string staging;
    UniqueFd lock;
    for (int attempt = 0; attempt < 5 && !lock.IsOpen(); ++attempt) {
        staging = parent + ".new-XXXXXX";
        if (!::mkdtemp(staging.data()))
            return {};
        lock = TakeOwnerLock(staging);
    }
    if (!lock.IsOpen())
        return {};
    // The pid names the folder unless a live copy elsewhere (another PID
    // namespace) has that name already; then the staging name stays.
    // Never over an existing folder: an empty one may still be a live copy's.
    std::string folder = parent + name;
    const auto moveInto = [&] {
        return ::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, folder.c_str(), RENAME_NOREPLACE)
            == 0;
    };
    if (!moveInto()) {
        if (OwnerGone(folder)) {
            RemoveTree(folder);
            if (!moveInto())
                folder = staging;
        } else {
            folder = staging;
        }
    }
    g_lock = std::move(lock);
    return folder + "/";
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
        if (const UniqueDir dir { ::opendir(path.c_str()) }) {
            while (dirent* e = ::readdir(dir.get())) {
                std::string name = e->d_name;
                if (name == "." || name == "..")
                    continue;
                std::string child = path;
                if (child.back() != '/')
                    child += '/';
                RemoveTree(child + name);
            }
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
    const std::string parent = base + "sablewick-" + std::to_string(::getuid()) + "/";
    std::string folder;
    if (MakePrivateFolder(parent)) {
        folder = MakeLockedFolder(parent, std::to_string(::getpid()));
        if (!folder.empty())
            RemoveDeadSiblings(parent, folder);
    } else {
        // Someone else holds the per-user folder: a folder of our own beside it.
        std::string own = base + "sablewick-" + std::to_string(::getuid()) + "-XXXXXX";
        if (::mkdtemp(own.data()) && SafeFolder(own)) {
            folder = own + "/";
            std::fprintf(stderr, "sablewick: %s is not a private folder; using %s\n",
                parent.c_str(), folder.c_str());
        }
    }
    if (folder.empty() || !SafeFolder(folder)) {
        std::fprintf(stderr, "sablewick: cannot make a temporary folder in %s\n", base.c_str());
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
