// Several copies of the console program at once, stopped and killed: each ends
// only its own tools and leaves nothing half-written behind.
#include "tests/support/Processes.h"
#include "tests/support/ProgramCopy.h"
#include "tests/support/ScriptFiles.h"
#include "tests/support/WaitUntil.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using test_processes::Alive;
using test_processes::ChildrenOf;

class ConsoleStop : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("clistop-" + std::to_string(::getpid()));
        // Every frame of a 25 fps clip: long enough to be stopped midway.
        test_program::MakeProgramCopy(s_dir / "bin",
            "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
            "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.04\n"
            "TimeDelay=0.00\nFileFormat=0\nLoop=0\n");
        ASSERT_TRUE(test_program::MakeClip(Clip(), "testsrc2=s=480x360:r=25:d=12"));
        std::ofstream(s_dir / "junk.mp4") << "this is no video at all\n";
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    static std::string Clip() { return (s_dir / "clip.mp4").string(); }

    // Starts the program as a child of the test, its output in NAME.out/.err.
    static pid_t Start(
        const std::string& name, std::vector<std::string> args, bool ownGroup = false)
    {
        fs::create_directories(s_dir / name);
        const std::string program = (s_dir / "bin" / "sablewick-cli").string();
        args.insert(args.begin(), { program, "-o", (s_dir / name).string() });
        const std::string out = (s_dir / (name + ".out")).string();
        const std::string err = (s_dir / (name + ".err")).string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (ownGroup)
                ::setpgid(0, 0);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, STDOUT_FILENO);
            ::dup2(e, STDERR_FILENO);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }

    // Waits until `pid` runs a tool; gives the tools' pids (empty after 10 s).
    static std::vector<pid_t> WaitForTool(pid_t pid)
    {
        for (int i = 0; i < 1000; ++i) {
            if (auto tools = ChildrenOf(pid); !tools.empty())
                return tools;
            std::this_thread::sleep_for(10ms);
        }
        return {};
    }

    static int Wait(pid_t pid)
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    static std::string Output(const std::string& name)
    {
        return test_files::ReadFile(s_dir / (name + ".out"));
    }

    static std::vector<std::string> HiddenFiles(const std::string& name)
    {
        std::vector<std::string> hidden;
        for (const auto& entry : fs::directory_iterator(s_dir / name))
            if (entry.path().filename().string()[0] == '.')
                hidden.push_back(entry.path().filename().string());
        return hidden;
    }

    static inline fs::path s_dir;
};

TEST_F(ConsoleStop, StoppingOneCopyLeavesTheOtherCopysConversion)
{
    const pid_t a = Start("a", { Clip() });
    const pid_t b = Start("b", { Clip() });
    ASSERT_FALSE(WaitForTool(a).empty());
    ASSERT_FALSE(WaitForTool(b).empty());
    ::kill(b, SIGINT);
    EXPECT_EQ(Wait(b), 130);
    EXPECT_EQ(Wait(a), 0) << Output("a") << test_files::ReadFile(s_dir / "a.err");
    EXPECT_NE(Output("a").find("Success"), std::string::npos) << Output("a");
    EXPECT_EQ(test_files::ReadFile(s_dir / "a" / "clip.gif").substr(0, 6), "GIF89a");
    EXPECT_TRUE(HiddenFiles("b").empty());
}

// With --json a stop still gives every file its line: the one cut short and
// those never started, with the signal; the exit status is the usual one.
TEST_F(ConsoleStop, AStoppedJobGivesEveryFileAStoppedJsonLine)
{
    const pid_t program = Start("json", { "--json", Clip(), Clip() });
    ASSERT_FALSE(WaitForTool(program).empty());
    ::kill(program, SIGTERM);
    EXPECT_EQ(Wait(program), 130);
    std::istringstream out(Output("json"));
    std::vector<nlohmann::json> lines;
    for (std::string line; std::getline(out, line);)
        ASSERT_NO_THROW(lines.push_back(nlohmann::json::parse(line))) << line;
    ASSERT_EQ(lines.size(), 2u) << Output("json");
    const char* reasons[] = { "stopped by SIGTERM", "not started: stopped by SIGTERM" };
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(lines[i]["input"], Clip());
        EXPECT_EQ(lines[i]["result"], "stopped");
        EXPECT_EQ(lines[i]["reason"].get<std::string>(), reasons[i]) << Output("json");
        EXPECT_EQ(lines[i]["outputs"], nlohmann::json::array());
        EXPECT_EQ(lines[i]["bytes"], 0);
    }
    EXPECT_TRUE(fs::is_empty(s_dir / "json"));
}

TEST_F(ConsoleStop, AnIgnoredSigchldStillGivesRealExitStatuses)
{
    // Some launchers hand on an ignored SIGCHLD through exec.
    const std::string line = "trap '' CHLD; exec '" + (s_dir / "bin" / "sablewick-cli").string()
        + "' -o '" + s_dir.string() + "' '" + (s_dir / "junk.mp4").string() + "' > '"
        + (s_dir / "junk.out").string() + "' 2>/dev/null";
    const int status = std::system(("sh -c \"" + line + "\"").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(Output("junk").find("Failed"), std::string::npos) << Output("junk");
    EXPECT_FALSE(fs::exists(s_dir / "junk.gif"));
}

TEST_F(ConsoleStop, AKilledProgramLeavesNoToolRunning)
{
    // Orphans come to the test, so that it sees them and can end them.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const pid_t program = Start("killed", { Clip() });
    const std::vector<pid_t> tools = WaitForTool(program);
    ASSERT_FALSE(tools.empty());
    ::kill(program, SIGKILL);
    Wait(program);
    // Well within a second in practice; the bound only keeps a fault from hanging the test.
    for (int i = 0; i < 300; ++i) {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) { }
        if (std::none_of(tools.begin(), tools.end(), Alive))
            break;
        std::this_thread::sleep_for(10ms);
    }
    for (pid_t tool : tools) {
        EXPECT_FALSE(Alive(tool)) << "tool " << tool << " outlived its program";
        ::kill(tool, SIGKILL);
    }
    while (::waitpid(-1, nullptr, WNOHANG) > 0) { }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// The state letter of /proc/PID/stat: 'T' while stopped.
char ProcessState(pid_t pid)
{
    const std::string stat = test_files::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() ? '?' : stat[paren + 2];
}

// Waits until `pid`'s state is `state` or not, as asked; false after 30 s.
bool AwaitState(pid_t pid, char state, bool is)
{
    for (int i = 0; i < 3000; ++i) {
        if ((ProcessState(pid) == state) == is)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// Ctrl+Z stops the tools with the program (they run in process groups of their own,
// which the terminal's stop does not reach), and fg continues them.
TEST_F(ConsoleStop, AJobControlStopPausesTheToolsAndContinueResumesThem)
{
    // In a process group of its own, as a shell's job is: a stop signal is not
    // discarded as it would be in an orphaned group.
    const pid_t program = Start("paused", { Clip() }, true);
    const std::vector<pid_t> tools = WaitForTool(program);
    ASSERT_FALSE(tools.empty());
    ::kill(program, SIGTSTP);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, WUNTRACED), program);
    ASSERT_TRUE(WIFSTOPPED(status));
    EXPECT_EQ(WSTOPSIG(status), SIGTSTP);
    for (pid_t tool : tools)
        EXPECT_TRUE(AwaitState(tool, 'T', true)) << "tool " << tool << " went on";

    ::kill(program, SIGCONT);
    for (pid_t tool : tools)
        EXPECT_TRUE(AwaitState(tool, 'T', false)) << "tool " << tool << " stayed stopped";
    EXPECT_EQ(Wait(program), 0) << test_files::ReadFile(s_dir / "paused.err");
    EXPECT_EQ(test_files::ReadFile(s_dir / "paused" / "clip.gif").substr(0, 6), "GIF89a");
}

TEST_F(ConsoleStop, StopDuringStillImagesLeavesNoHiddenFile)
{
    for (const char* format : { "jpg", "bmp" }) {
        const std::string name = std::string("still-") + format;
        const pid_t program = Start(name, { "--format", format, Clip() });
        ASSERT_FALSE(WaitForTool(program).empty());
        // Stop once the first image is there: the next ones are being written (hidden until
        // whole), so that the stop catches one half-written.
        const auto written = [&] {
            for (const auto& entry : fs::directory_iterator(s_dir / name))
                if (entry.path().filename().string()[0] != '.')
                    return true;
            return false;
        };
        EXPECT_TRUE(test_wait::Until(written)) << "no image was written";
        ::kill(program, SIGINT);
        EXPECT_EQ(Wait(program), 130);
        EXPECT_EQ(HiddenFiles(name), std::vector<std::string>()) << format;
    }
}

} // namespace
