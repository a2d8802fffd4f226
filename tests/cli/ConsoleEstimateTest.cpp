// sablewick-cli --estimate on generated clips with the real tools: the printed range holds
// the real GIF's size, nothing is written, and a stop leaves no tool and no file.
#include "tests/support/Processes.h"
#include "tests/support/ProgramCopy.h"
#include "tests/support/ScriptFiles.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

class ConsoleEstimate : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("cliestimate-" + std::to_string(::getpid()));
        test_program::MakeProgramCopy(s_dir / "bin",
            "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
            "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
            "TimeDelay=0.00\nFileFormat=0\nLoop=0\n");
        // Long enough that the estimate samples stretches rather than taking all of it;
        // moving content, so that every frame costs bytes.
        ASSERT_TRUE(test_program::MakeClip(Clip(), "testsrc2=s=160x120:r=25:d=12"));
        ASSERT_TRUE(
            test_program::MakeClip((s_dir / "long.mp4").string(), "testsrc2=s=640x360:r=25:d=120"));
        std::ofstream(s_dir / "junk.mp4") << "this is no video at all\n";
        fs::create_directories(s_dir / "work");
        fs::create_directories(s_dir / "tmp");
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    static std::string Clip() { return (s_dir / "clip.mp4").string(); }
    static fs::path Tmp() { return s_dir / "tmp"; }

    // Runs the program in the work folder with TMPDIR in the test's own folder.
    static ProgramRun Run(const std::vector<std::string>& args)
    {
        std::string line = "cd '" + (s_dir / "work").string() + "' && TMPDIR='" + Tmp().string()
            + "' ../bin/sablewick-cli";
        for (const std::string& a : args)
            line += " '" + a + "'";
        line += " > ../out.log 2> ../err.log";
        ProgramRun r;
        const int status = std::system(line.c_str());
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = test_files::ReadFile(s_dir / "out.log");
        r.err = test_files::ReadFile(s_dir / "err.log");
        return r;
    }

    // Every file under `folder` (folders themselves are not counted).
    static std::vector<std::string> FilesUnder(const fs::path& folder)
    {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (!e.is_directory())
                files.push_back(e.path().string());
        return files;
    }

    static inline fs::path s_dir;
};

TEST_F(ConsoleEstimate, TheRealGifLiesInThePrintedRange)
{
    const ProgramRun json = Run({ "--estimate", "--json", "--size", "160x120", Clip() });
    ASSERT_EQ(json.status, 0) << json.out << json.err;
    const nlohmann::json e = nlohmann::json::parse(json.out);
    EXPECT_EQ(e["input"], Clip());
    EXPECT_EQ(e["width"], 160);
    EXPECT_EQ(e["height"], 120);
    EXPECT_EQ(e["frames"], 120);
    EXPECT_GT(e["seconds"].get<double>(), 0.0);
    // Nothing written: no GIF, no frame, no temporary file.
    EXPECT_TRUE(FilesUnder(s_dir / "work").empty());
    EXPECT_TRUE(FilesUnder(Tmp()).empty());

    const ProgramRun convert = Run({ "-q", "--size", "160x120", Clip() });
    ASSERT_EQ(convert.status, 0) << convert.err;
    const auto real = static_cast<long long>(fs::file_size(s_dir / "work" / "clip.gif"));
    EXPECT_LE(e["low"].get<long long>(), real) << json.out;
    EXPECT_GE(e["high"].get<long long>(), real) << json.out;
    fs::remove(s_dir / "work" / "clip.gif");
}

// A file's shape reaches its estimate: the frames it counts are the GIF's, and the real
// GIF lies in its range.
TEST_F(ConsoleEstimate, TheShapeOfTheGifIsEstimatedAsItIsMade)
{
    const struct
    {
        std::vector<std::string> shape;
        long long frames;
    } cases[] = {
        { { "--speed", "2" }, 60 },
        { { "--bounce" }, 238 },
        { { "--trim", "2-6", "--speed", "0.5" }, 80 },
        { { "--crop", "80:60:10:10", "--reverse" }, 120 },
    };
    for (const auto& c : cases) {
        std::vector<std::string> estimate = { "--estimate", "--json", "--size", "160x120" };
        estimate.insert(estimate.end(), c.shape.begin(), c.shape.end());
        estimate.push_back(Clip());
        const ProgramRun json = Run(estimate);
        ASSERT_EQ(json.status, 0) << c.shape[0] << json.out << json.err;
        const nlohmann::json e = nlohmann::json::parse(json.out);
        EXPECT_EQ(e["frames"], c.frames) << c.shape[0];

        std::vector<std::string> convert = { "-q", "--size", "160x120" };
        convert.insert(convert.end(), c.shape.begin(), c.shape.end());
        convert.push_back(Clip());
        const ProgramRun made = Run(convert);
        ASSERT_EQ(made.status, 0) << c.shape[0] << made.err;
        const auto real = static_cast<long long>(fs::file_size(s_dir / "work" / "clip.gif"));
        EXPECT_LE(e["low"].get<long long>(), real) << c.shape[0] << json.out;
        EXPECT_GE(e["high"].get<long long>(), real) << c.shape[0] << json.out;
        fs::remove(s_dir / "work" / "clip.gif");
    }
}

TEST_F(ConsoleEstimate, PrintsOneLinePerFileAndFailsForWhatIsNoVideo)
{
    const std::string junk = (s_dir / "junk.mp4").string();
    const ProgramRun r = Run({ "--estimate", Clip(), junk });
    EXPECT_EQ(r.status, 1);
    // One line: the size and its range, the clip's own frame size, 10 frames a second of 12 s.
    const std::string head = Clip() + ": about ";
    EXPECT_EQ(r.out.compare(0, head.size(), head), 0) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_NE(r.out.find("B ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\u2013"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("), 120 frames of 160\u00d7120, "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 12), " to convert\n") << r.out;
    EXPECT_NE(r.err.find(junk + ": no estimate: "), std::string::npos) << r.err;
    EXPECT_TRUE(FilesUnder(s_dir / "work").empty());
    EXPECT_TRUE(FilesUnder(Tmp()).empty());
}

TEST_F(ConsoleEstimate, SaysWhetherTheGifWouldFitTheMaxSize)
{
    const struct
    {
        const char* size;
        const char* verdict;
    } cases[] = {
        { "1k", "; the GIF made without --max-size too big for 1 kB\n" },
        { "500M", "; the GIF made without --max-size fits in 500 MB\n" },
    };
    for (const auto& c : cases) {
        const ProgramRun r = Run({ "--estimate", "--max-size", c.size, Clip() });
        EXPECT_EQ(r.status, 0) << r.err;
        ASSERT_GT(r.out.size(), std::string(c.verdict).size());
        EXPECT_EQ(r.out.substr(r.out.size() - std::string(c.verdict).size()), c.verdict) << r.out;
    }
}

TEST_F(ConsoleEstimate, AStoppedEstimateLeavesNoToolAndNoFile)
{
    const std::string program = (s_dir / "bin" / "sablewick-cli").string();
    const std::string clip = (s_dir / "long.mp4").string();
    const std::string tmp = Tmp().string();
    // At 25 frames a second, stretches of a long clip: the tools run for a while.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TMPDIR", tmp.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl(program.c_str(), program.c_str(), "--estimate", "--rate", "25", clip.c_str(),
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::vector<pid_t> tools;
    for (int i = 0; i < 2000 && tools.empty(); ++i) {
        tools = test_processes::ChildrenOf(pid);
        if (tools.empty())
            std::this_thread::sleep_for(5ms);
    }
    ASSERT_FALSE(tools.empty()) << "no tool started";
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    for (pid_t tool : tools) {
        EXPECT_FALSE(test_processes::Alive(tool)) << "tool " << tool << " outlived the stop";
        if (test_processes::Alive(tool))
            ::kill(tool, SIGKILL);
    }
    EXPECT_TRUE(FilesUnder(Tmp()).empty());
    EXPECT_TRUE(FilesUnder(s_dir / "work").empty());
}

} // namespace
