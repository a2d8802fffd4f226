#include "platform/FileIo.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileReadStatus ReadRegularFile(const std::string& path, std::string* data, std::size_t maxSize)
{
    data->clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen())
        return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::Missing
                                                   : FileReadStatus::Failed;
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0)
        return FileReadStatus::Failed;
    if (!S_ISREG(st.st_mode))
        return FileReadStatus::NotRegular;
    if (static_cast<unsigned long long>(st.st_size) > maxSize)
        return FileReadStatus::TooLarge;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n == 0)
            return FileReadStatus::Read;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            data->clear();
            return FileReadStatus::Failed;
        }
        // The file may have grown since fstat.
        if (static_cast<std::size_t>(n) > maxSize - data->size()) {
            data->clear();
            return FileReadStatus::TooLarge;
        }
        data->append(buf, static_cast<std::size_t>(n));
    }
}

bool ReadWholeFile(const std::string& path, std::string* data, std::size_t maxSize)
{
    return ReadRegularFile(path, data, maxSize) == FileReadStatus::Read;
}

namespace {

// The file a write to `path` lands on: `path` itself, or the end of its chain of symbolic
// links, so that a linked file stays linked and its target is what changes. False for a
// chain that loops or cannot be read.
bool FollowLinks(const std::string& path, std::string* target)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = current;
            return true;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf)
            return false;
        std::string link(buf, static_cast<std::size_t>(n));
        if (link.front() != '/') {
            const std::size_t slash = current.rfind('/');
            if (slash != std::string::npos)
                link.insert(0, current, 0, slash + 1);
        }
        current = link;
    }
    return false;
}

// Whether an existing file may be written. The rename below would go around the file's
// mode, so ask what writing the file in place would be allowed: for an ordinary user that
// is access(W_OK) (mode, owner, ACLs, read-only mounts). Root may write any file, so for
// root a cleared owner write bit is taken as the user's "read-only" and respected.
bool MayWrite(const std::string& target, const struct stat& st)
{
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;
    return ::geteuid() != 0 || (st.st_mode & S_IWUSR) != 0;
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::string& data)
{
    std::string target;
    if (!FollowLinks(path, &target))
        return false;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || !MayWrite(target, st)))
        return false;
    // The temporary file lies beside the target, so the rename stays on its file system.
    std::string tmp = target + ".tmp-" + std::to_string(getpid());
    UniqueFd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.IsOpen())
        return false;
    // Keep the mode of the file being replaced.
    if (exists)
        ::fchmod(fd.Get(), st.st_mode & 07777);
    std::size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        ssize_t w = ::write(fd.Get(), data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    if (ok && ::fsync(fd.Get()) != 0)
        ok = false;
    if (!fd.Close())
        ok = false;
    if (ok && std::rename(tmp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}
