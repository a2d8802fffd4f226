#include "engine/ProcessKiller.h"

#include "tests/support/ScriptFiles.h"

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

pid_t StartCopy(const fs::path& program)
{
    pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.filename().c_str(), "sleep", "20000",
            static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Names of this test's own, so that the search finds only the processes it started.
std::string OwnName(const std::string& tail)
{
    return "k" + std::to_string(getpid()) + tail; // short: a command name keeps 15 characters
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Found(const std::vector<NamedProcess>& found, pid_t pid)
{
    for (const NamedProcess& p : found)
        if (p.Pid == pid)
            return true;
    return false;
}

// The test ends what it started, by pid.
void End(pid_t pid)
{
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

TEST(KillProcessesByName, MatchesACaseInsensitivePrefixOfTheExecutableName)
{
    char dir[] = "/tmp/killertestXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const fs::path stub = fs::path(SABLEWICK_TEST_HELPERS) / "toolstub";
    const struct
    {
        std::string name;
        bool found;
    } cases[] = { { OwnName(".dll"), true }, { Upper(OwnName(".dll")), true },
        { OwnName(".dll.bak"), true }, { OwnName(".avi"), false } };
    std::vector<pid_t> pids;
    for (const auto& c : cases) {
        const fs::path copy = fs::path(dir) / c.name;
        fs::copy_file(stub, copy);
        fs::permissions(copy, fs::perms::owner_all);
        pids.push_back(StartCopy(copy));
    }
    usleep(300 * 1000); // let every copy reach exec

    const std::vector<NamedProcess> found = FindProcessesByName(OwnName(".dll"));
    for (std::size_t i = 0; i < pids.size(); ++i) {
        EXPECT_EQ(Found(found, pids[i]), cases[i].found) << cases[i].name;
        End(pids[i]);
    }
    fs::remove_all(dir);
}

TEST(KillProcessesByName, ReachesScriptsByTheirName)
{
    char dir[] = "/tmp/killertestXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const fs::path script = fs::path(dir) / OwnName("img.dll");
    test_files::WriteScript(script, "exec sleep 20\n");
    // The shell replaces itself with sleep: that process is no longer the tool.
    // A script that keeps running is reached through its command name.
    const fs::path waiting = fs::path(dir) / OwnName("pl.dll");
    test_files::WriteScript(waiting, "while :; do sleep 1; done\n");
    pid_t pid = fork();
    if (pid == 0) {
        execl(waiting.c_str(), waiting.filename().c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    usleep(300 * 1000);
    EXPECT_TRUE(Found(FindProcessesByName(Upper(OwnName("pl.dll"))), pid));
    End(pid);
    fs::remove_all(dir);
}

// The killer signals exactly what the search gives, so an empty search is enough.
TEST(KillProcessesByName, AnEmptyNameFindsNothing)
{
    EXPECT_TRUE(FindProcessesByName("").empty());
}

} // namespace
