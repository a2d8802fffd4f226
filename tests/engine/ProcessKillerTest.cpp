#include "engine/ProcessKiller.h"

#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"
#include "tests/support/WaitUntil.h"

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
    // Before its exec a copy is still this test, which no search finds: wait for its own name.
    for (std::size_t i = 0; i < pids.size(); ++i)
        EXPECT_TRUE(test_wait::Until([&] {
            return test_processes::ExecutableName(pids[i]) == cases[i].name;
        })) << cases[i].name;

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
    const auto start = [](const fs::path& script) {
        const pid_t pid = fork();
        if (pid == 0) {
            execl(script.c_str(), script.filename().c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    };
    // The shell replaces itself with sleep: that process is no longer the tool.
    const fs::path script = fs::path(dir) / OwnName("img.dll");
    test_files::WriteScript(script, "exec sleep 20\n");
    const pid_t replaced = start(script);
    // A script that keeps running is reached through its command name.
    const fs::path waiting = fs::path(dir) / OwnName("pl.dll");
    test_files::WriteScript(waiting, "while :; do sleep 1; done\n");
    const pid_t pid = start(waiting);

    EXPECT_TRUE(test_wait::Until([&] { return test_processes::CommandName(replaced) == "sleep"; }))
        << "the script did not exec sleep";
    EXPECT_FALSE(Found(FindProcessesByName(Upper(OwnName("img.dll"))), replaced));
    EXPECT_TRUE(test_wait::Until([&] {
        return test_processes::CommandName(pid) == waiting.filename().string().substr(0, 15);
    })) << "the script did not start";
    EXPECT_TRUE(Found(FindProcessesByName(Upper(OwnName("pl.dll"))), pid));
    End(replaced);
    End(pid);
    fs::remove_all(dir);
}

// The killer signals exactly what the search gives, so an empty search is enough.
TEST(KillProcessesByName, AnEmptyNameFindsNothing)
{
    EXPECT_TRUE(FindProcessesByName("").empty());
}

} // namespace
