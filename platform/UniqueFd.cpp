#include "platform/UniqueFd.h"

#include <unistd.h>

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

int UniqueFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool UniqueFd::Close()
{
    if (m_fd < 0)
        return true;
    // Linux frees the descriptor even when close fails, so it is never closed twice.
    const bool ok = ::close(m_fd) == 0;
    m_fd = -1;
    return ok;
}
