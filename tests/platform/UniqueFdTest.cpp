#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <utility>

namespace {

bool IsOpenDescriptor(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

// A pipe whose two ends are owned; the write end tells whether the read end is still open
// (writing into a pipe without readers fails with EPIPE).
TEST(UniqueFd, ClosesOnceWhateverWayItIsHandedOn)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    UniqueFd writeEnd(fds[1]);
    {
        UniqueFd a(fds[0]);
        UniqueFd b(std::move(a));
        EXPECT_FALSE(a.IsOpen());
        EXPECT_EQ(b.Get(), fds[0]);
        UniqueFd c;
        c = std::move(b);
        EXPECT_FALSE(b.IsOpen());
        c = std::move(c); // a self-move keeps the descriptor
        EXPECT_TRUE(IsOpenDescriptor(fds[0]));
        EXPECT_TRUE(b.Close()); // nothing open: nothing to close
    }
    EXPECT_FALSE(IsOpenDescriptor(fds[0]));
}

TEST(UniqueFd, MoveAssignmentClosesWhatItHeld)
{
    int first[2], second[2];
    ASSERT_EQ(::pipe2(first, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(second, O_CLOEXEC), 0);
    UniqueFd keepFirst(first[1]), keepSecond(second[1]);
    UniqueFd held(first[0]);
    held = UniqueFd(second[0]);
    EXPECT_FALSE(IsOpenDescriptor(first[0]));
    EXPECT_EQ(held.Get(), second[0]);
    EXPECT_TRUE(held.Close());
    EXPECT_FALSE(IsOpenDescriptor(second[0]));
    EXPECT_FALSE(held.IsOpen());
}

TEST(UniqueFd, ReleaseHandsTheDescriptorOverOpen)
{
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    UniqueFd writeEnd(fds[1]);
    int released = -1;
    {
        UniqueFd owner(fds[0]);
        released = owner.Release();
    }
    EXPECT_EQ(released, fds[0]);
    EXPECT_TRUE(IsOpenDescriptor(released));
    UniqueFd again(released);
}

} // namespace
