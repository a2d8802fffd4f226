#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
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

TEST(TempFolder, RefusesAParentThatIsASymlink)
{
    const std::string base = MakeBase();
    const std::string elsewhere = base + "/elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    const std::string parent = base + "/sablewick-" + std::to_string(getuid());
    ASSERT_EQ(symlink(elsewhere.c_str(), parent.c_str()), 0);
    ASSERT_EQ(setenv("TMPDIR", base.c_str(), 1), 0);
    EXPECT_EQ(TempFolder(), "");
    RemoveTree(base);
}

} // namespace
