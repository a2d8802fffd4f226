#include "platform/FileIo.h"

#include "platform/CHandles.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadWholeFile(const std::string& path, std::string* data, std::size_t maxSize)
{
    UniqueFile f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return false;
    data->clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        if (n > maxSize - data->size())
            return false;
        data->append(buf, n);
    }
    return !std::ferror(f.get());
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
    if (exists && !MayWrite(target, st))
        return false;
    // The temporary file lies beside the target, so the rename stays on its file system.
    std::string tmp = target + ".tmp-" + std::to_string(getpid());
    UniqueFd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
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
