#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string MakeBase()
{
    char dir[] = "/tmp/tempfoldertestXXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    return dir;
}

TEST(TempFolder, IsPrivateAndRemovesFoldersOfDeadProcesses)
{
    const std::string base = MakeBase();
    const std::string parent = base + "/sablewick-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(parent.c_str(), 0700), 0);
    // A folder left by a process that no longer runs (pid numbers this high are unused).
    const std::string dead = parent + "/2147483000";
    ASSERT_EQ(mkdir(dead.c_str(), 0700), 0);
    ASSERT_EQ(setenv("TMPDIR", base.c_str(), 1), 0);

    const std::string folder = TempFolder();
    EXPECT_EQ(folder, parent + "/" + std::to_string(getpid()) + "/");
    struct stat st;
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(lstat(dead.c_str(), &st), 0) << "folder of a dead process left behind";
    RemoveTree(base);
}

} // namespace

namespace {

// The per-user folder taken by someone else (a symlink, or another user's
// folder open to all): refused, and a private folder of our own serves instead.
TEST(TempFolder, ATakenPerUserFolderGivesAFreshPrivateOne)
{
    for (const bool link : {true, false}) {
        const std::string base = MakeBase();
        const std::string elsewhere = base + "/elsewhere";
        ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
        const std::string parent = base + "/sablewick-" + std::to_string(getuid());
        if (link)
            ASSERT_EQ(symlink(elsewhere.c_str(), parent.c_str()), 0);
        else
            ASSERT_EQ(mkdir(parent.c_str(), 0777), 0);
        ASSERT_EQ(setenv("TMPDIR", base.c_str(), 1), 0);
        const pid_t child = fork(); // a process of its own: the folder is made once a process
        if (child == 0) {
            const std::string folder = TempFolder();
            struct stat st;
            const bool ok = folder.rfind(base + "/sablewick-" + std::to_string(getuid()) + "-", 0) == 0
                && lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
                && (st.st_mode & 0777) == 0700 && st.st_uid == getuid();
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << (link ? "symlink" : "open");
        RemoveTree(base);
    }
}

// A copy in another PID namespace: its pid means nothing here (this one is
// unused), but it holds its folder's lock, so its frames stay.
TEST(TempFolder, LeavesTheFolderOfALiveCopyWhateverItsPid)
{
    const std::string base = MakeBase();
    const std::string parent = base + "/sablewick-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(parent.c_str(), 0700), 0);
    const std::string live = parent + "/2147483001";
    const std::string gone = parent + "/2147483002";
    for (const std::string& folder : {live, gone}) {
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        close(open((folder + "/DasmereTemp00000001.png").c_str(), O_WRONLY | O_CREAT, 0600));
    }
    const int lock = open(live.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    ASSERT_EQ(setenv("TMPDIR", base.c_str(), 1), 0);

    const pid_t child = fork(); // another process: the lock is held by this one
    if (child == 0)
        _exit(TempFolder().empty() ? 1 : 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st;
    EXPECT_EQ(lstat((live + "/DasmereTemp00000001.png").c_str(), &st), 0)
        << "a live copy's frames were removed";
    EXPECT_NE(lstat(gone.c_str(), &st), 0) << "a gone copy's folder was left";
    close(lock);
    RemoveTree(base);
}

} // namespace
