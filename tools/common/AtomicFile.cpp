#include "tools/common/AtomicFile.h"

#include "tools/common/ErrorText.h"
#include "tools/common/PartialFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> g_counter { 0 };

// Renames without replacing an existing file; link + unlink where the file system lacks it.
int renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    ::unlink(from.c_str());
    return 0;
}

} // namespace

Outcome<AtomicFile> AtomicFile::Create(const std::string& path)
{
    AtomicFile f;
    f.m_path = path;
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // Hidden, so that a wildcard over the finished frames never matches it.
    auto makeTag = [] {
        std::string tag(".");
        tag += std::to_string(::getpid());
        tag += '.';
        tag += std::to_string(g_counter++);
        tag += ".part";
        return tag;
    };
    std::string tag = makeTag();
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        f.m_temporary = folder + "." + name + tag;
        fd = partial_files::CreateRemembered(f.m_temporary, &f.m_partialSlot);
        if (fd < 0 && errno == ENAMETOOLONG) {
            f.m_temporary = folder + ".video" + tag;
            fd = partial_files::CreateRemembered(f.m_temporary, &f.m_partialSlot);
        }
        if (fd < 0 && errno != EEXIST)
            break;
        if (fd < 0)
            tag = makeTag();
    }
    if (fd < 0) {
        const int error = errno;
        // The last name tried may be another process's file: not ours to remove.
        f.m_temporary.clear();
        return Outcome<AtomicFile>::Failure(CannotWrite(path, error));
    }
    f.m_stream = ::fdopen(fd, "wb");
    if (!f.m_stream) {
        int error = errno;
        ::close(fd);
        ::unlink(f.m_temporary.c_str());
        return Outcome<AtomicFile>::Failure(CannotWrite(path, error));
    }
    return Outcome<AtomicFile>(std::move(f));
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_temporary(std::move(other.m_temporary))
    , m_stream(other.m_stream)
    , m_partialSlot(other.m_partialSlot)
{
    other.m_stream = nullptr;
    other.m_partialSlot = -1;
    other.m_temporary.clear();
}

AtomicFile::~AtomicFile()
{
    Discard();
}

void AtomicFile::Discard()
{
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    partial_files::Forget(m_partialSlot);
    m_partialSlot = -1;
}

std::string AtomicFile::Commit(bool overwrite)
{
    errno = 0;
    bool failed = std::fflush(m_stream) != 0 || std::ferror(m_stream) != 0;
    int error = errno;
    if (std::fclose(m_stream) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    m_stream = nullptr;
    if (failed) {
        Discard();
        return CannotWrite(m_path, error ? error : EIO);
    }
    int rc = overwrite ? std::rename(m_temporary.c_str(), m_path.c_str())
                       : renameNoReplace(m_temporary, m_path);
    if (rc != 0) {
        error = errno;
        Discard();
        if (error == EEXIST)
            return "'" + m_path + "' already exists (use -y to overwrite)";
        return CannotWrite(m_path, error);
    }
    m_temporary.clear();
    partial_files::Forget(m_partialSlot);
    m_partialSlot = -1;
    return {};
}
