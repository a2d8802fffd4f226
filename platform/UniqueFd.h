#pragma once

// Owns one file descriptor and closes it when dropped; moves hand the descriptor on.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    { }
    UniqueFd(UniqueFd&& other) noexcept
        : m_fd(other.Release())
    { }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Close(); }

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release();
    // Closes the descriptor now; false when close reports an error (for a written file
    // that is a lost write). True when nothing was open.
    bool Close();

private:
    int m_fd = -1;
};
