#include "engine/ConversionController.h"
#include "engine/FrameSweeper.h"

#include "engine/Preview.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"
#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using test_files::ReadFile;
using test_files::WriteScript;
using namespace std::chrono_literals;

namespace {

// Logs its arguments, one per line, then a line "--".
std::string LogArgs(const fs::path& log)
{
    return "for a; do printf '%s\\n' \"$a\" >> '" + log.string() + "'; done; echo -- >> '"
        + log.string() + "'\n";
}

// Writes the frame file that the last argument's pattern gives for frame 1.
const char* kWriteFrame = "for last; do :; done; f=$(printf \"$last\" 1); : > \"$f\"\n";
// Writes the file named by the last argument.
const char* kWriteOutput = "for last; do :; done; : > \"$last\"\n";

using test_processes::Alive;

class ConversionControllerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/jobtestXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        m_bin = m_dir / "bin";
        m_out = m_dir / "out";
        fs::create_directories(m_bin);
        fs::create_directories(m_out);
        SetProgramFolderForTesting(m_bin.string());
        host.folder = m_out.string();
        WriteSettings("0");
        WriteScript(m_bin / "video.dll", LogArgs(VideoLog()) + kWriteFrame);
        WriteScript(m_bin / "imgconv.dll", LogArgs(ImageLog()) + kWriteOutput);
    }

    void TearDown() override
    {
        SetProgramFolderForTesting("");
        fs::remove_all(m_dir);
    }

    void WriteSettings(const std::string& format)
    {
        std::ofstream(m_bin / "TellurvaneInfo.ini")
            << "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\nResolutionY=Default\n"
               "VBRValue=Default\nImagesPerSecond=0.10\nTimeDelay=0.00\nFileFormat="
            << format << "\nLoop=0\n";
    }

    fs::path VideoLog() const { return m_dir / "video.log"; }
    fs::path ImageLog() const { return m_dir / "image.log"; }

    bool RunToEnd(ConversionController& c)
    {
        if (!c.StartConversion())
            return false;
        return host.Pump([&] { return host.ended; });
    }

    fs::path m_dir, m_bin, m_out;
    RecordingHost host;
};

TEST_F(ConversionControllerTest, PassesTheExactCommandLinesAndReportsInOrder)
{
    host.rows = { "/clips/a.mp4", "/clips/b b.mp4", "/clips/c.avi", "/clips/d" };
    ConversionController c(host);
    ASSERT_TRUE(RunToEnd(c));

    const std::vector<std::string> expected
        = { "job started", "progress 5", "progress 0", "started 0", "result 0 succeeded",
              "progress 25", "started 1", "result 1 succeeded", "progress 50", "started 2",
              "result 2 succeeded", "progress 75", "started 3", "result 3 succeeded", "progress 0",
              "job ended" };
    EXPECT_EQ(host.events, expected);

    const std::string temp = TempFolder();
    EXPECT_EQ(ReadFile(VideoLog()).substr(0, ReadFile(VideoLog()).find("--\n") + 3),
        "-i\n/clips/a.mp4\n-y\n-ss\n0\n-r\n10.00\n" + temp + "DasmereTemp%08d.png\n--\n");
    const std::string image = ReadFile(ImageLog());
    EXPECT_EQ(image.substr(0, image.find("--\n") + 3),
        "-loop\n0\n" + temp + "DasmereTemp*.png\n" + m_out.string() + "/a.gif\n--\n");
    EXPECT_NE(image.find(m_out.string() + "/b b.gif\n"), std::string::npos);
    EXPECT_NE(image.find(m_out.string() + "/d.gif\n"), std::string::npos);
    // Every temporary frame is gone.
    EXPECT_TRUE(fs::is_empty(temp));
}

// The GIF group's keys reach the image tool's command line only when they are set: a file
// without them, or with them unset, gives the command line it always gave.
TEST_F(ConversionControllerTest, ASetSizeLimitReachesTheImageToolAndAnUnsetOneChangesNothing)
{
    const std::string temp = TempFolder();
    const std::string tail = temp + "DasmereTemp*.png\n" + m_out.string() + "/a.gif\n--\n";
    const struct
    {
        const char* keys;
        std::string image; // the image tool's arguments
    } cases[] = {
        {"", "-loop\n0\n" + tail},
        {"GifQuality=Default\nMaxSize=None\nFitBy=quality\n", "-loop\n0\n" + tail},
        {"MaxSize=abc\nFitBy=frames\n", "-loop\n0\n" + tail},
        {"MaxSize=10M\n", "-loop\n0\n-max-size\n10000000\n" + tail},
        {"GifQuality=34\nMaxSize=256k\nFitBy=frames\n",
            "-loop\n0\n-quality\n34\n-max-size\n256000\n" + tail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        fs::remove(ImageLog());
        fs::remove(VideoLog());
        std::ofstream(m_bin / "TellurvaneInfo.ini", std::ios::app) << c.keys;
        host.rows = { "/clips/a.mp4" };
        ConversionController controller(host);
        ASSERT_TRUE(RunToEnd(controller));
        EXPECT_EQ(ReadFile(ImageLog()), c.image);
        EXPECT_EQ(ReadFile(VideoLog()),
            "-i\n/clips/a.mp4\n-y\n-ss\n0\n-r\n10.00\n" + temp + "DasmereTemp%08d.png\n--\n");
        EXPECT_TRUE(host.fitted.empty());
        WriteSettings("0");
    }
}

// Prints "progress k/total" for k = 1..total, slowly, when the runner asks for it.
std::string SlowFrames(int total)
{
    return "[ \"$SABLEWICK_PROGRESS\" = 1 ] || exit 0\nk=0\nwhile [ $k -lt " + std::to_string(total)
        + " ]; do k=$((k+1)); echo \"progress $k/" + std::to_string(total)
        + "\"; sleep 0.02; done\n";
}

// Each file moves through its own share of the bar, forward only, while its tools work.
TEST_F(ConversionControllerTest, ProgressMovesWithTheToolsFramesWithinEachFilesShare)
{
    WriteScript(m_bin / "video.dll", kWriteFrame + SlowFrames(20));
    WriteScript(m_bin / "imgconv.dll", kWriteOutput + SlowFrames(20));
    host.rows = { "/clips/a.mp4", "/clips/b.mp4", "/clips/c.mp4" };
    ConversionController c(host);
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(host.results, std::vector<std::string>({ "succeeded", "succeeded", "succeeded" }));

    // The positions each file's rows were shown with, from its start to its result.
    std::vector<std::vector<int>> positions(3);
    int file = -1;
    for (const std::string& e : host.events) {
        if (e.rfind("started ", 0) == 0)
            file = std::stoi(e.substr(8));
        else if (e.rfind("result ", 0) == 0)
            file = -1;
        else if (e.rfind("progress ", 0) == 0 && file >= 0)
            positions[static_cast<size_t>(file)].push_back(std::stoi(e.substr(9)));
    }
    const int first[] = { 0, 33, 66 };
    const int last[] = { 32, 65, 99 };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        const std::vector<int>& p = positions[i];
        ASSERT_GE(p.size(), 20u) << "a position for every report of the tools";
        EXPECT_GE(p.front(), first[i]);
        EXPECT_LE(p.back(), last[i]);
        EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
        EXPECT_GT(p.back(), p.front() + 20) << "it moves through most of the share";
        if (i + 1 < 3) {
            ASSERT_FALSE(positions[i + 1].empty());
            EXPECT_LT(p.back(), positions[i + 1].front());
        }
    }
    // The end-of-run reset stays.
    EXPECT_EQ(host.events.at(host.events.size() - 2), "progress 0");
}

TEST_F(ConversionControllerTest, StillImagesGoStraightToTheOutputFolder)
{
    WriteSettings("3");
    host.rows = { "/clips/a.mp4" };
    ConversionController c(host);
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(host.results, std::vector<std::string>({ "succeeded" }));
    EXPECT_NE(ReadFile(VideoLog()).find(m_out.string() + "/a%d.png\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(ImageLog()));
}

TEST_F(ConversionControllerTest, FailuresGiveFailed)
{
    struct Case
    {
        const char* name;
        const char* format;
        const char* video; // script body, or nullptr for a missing tool
        const char* image;
        bool imageRuns;
    } cases[] = {
        { "image tool missing, still images", "2", "exit 0\n", nullptr, false },
        { "image tool missing, animation", "0", "exit 0\n", nullptr, false },
        { "video tool missing", "0", nullptr, "exit 0\n", false },
        { "video tool fails", "0", "exit 1\n", "exit 0\n", false },
        { "video tool killed", "1", "kill -9 $$\n", "exit 0\n", false },
        { "image tool fails", "1", "exit 0\n", "exit 2\n", true },
        { "still images, video tool fails", "5", "exit 1\n", "exit 0\n", false },
    };
    for (const Case& k : cases) {
        fs::remove(m_bin / "video.dll");
        fs::remove(m_bin / "imgconv.dll");
        fs::remove(ImageLog());
        if (k.video)
            WriteScript(m_bin / "video.dll", k.video);
        if (k.image)
            WriteScript(m_bin / "imgconv.dll", LogArgs(ImageLog()) + k.image);
        WriteSettings(k.format);
        host.rows = { "/clips/a.mp4", "/clips/b.mp4" };
        host.results.clear();
        host.ended = false;
        ConversionController c(host);
        ASSERT_TRUE(RunToEnd(c)) << k.name;
        EXPECT_EQ(host.results, std::vector<std::string>({ "failed", "failed" })) << k.name;
        EXPECT_EQ(fs::exists(ImageLog()), k.imageRuns) << k.name;
    }
}

TEST_F(ConversionControllerTest, StopDuringTheFirstFileEndsQuicklyAndSilencesTheJob)
{
    const fs::path tool = m_dir / "tool.pid";
    const fs::path term = m_dir / "tool.term";
    WriteScript(m_bin / "video.dll",
                "trap 'echo TERM > \"" + term.string() + "\"; exit 143' TERM\necho $$ > '"
                    + tool.string() + "'\n" + LogArgs(VideoLog()) + kWriteFrame
                    + "echo progress 1/2\nwhile :; do sleep 0.05; done\n");
    host.rows = { "/clips/a.mp4", "/clips/b.mp4", "/clips/c.mp4" };
    ConversionController c(host);
    ASSERT_TRUE(c.StartConversion());
    // Wait until the first video tool runs and its runner reads it, which it does once
    // the tool is registered: from then on a stop reaches it with SIGTERM. (A tool that
    // the stop overtakes between its start and its registration gets SIGKILL.)
    const auto reported = [&] {
        const auto started = std::find(host.events.begin(), host.events.end(), "started 0");
        return std::any_of(started, host.events.end(),
            [](const std::string& e) { return e.rfind("progress ", 0) == 0; });
    };
    ASSERT_TRUE(host.Pump(reported));

    c.StopConversion();
    // The stop asked the tool to end, rather than leaving it to a fallback.
    EXPECT_EQ(ReadFile(term), "TERM\n") << "the tool got no SIGTERM";
    EXPECT_TRUE(host.ended);
    EXPECT_EQ(host.events.back(), "job ended");
    const std::size_t seen = host.events.size();
    host.Pump([] { return false; }, 500ms);
    EXPECT_EQ(host.events.size(), seen) << "a stopped job reported: " << host.events.back();
    EXPECT_EQ(host.results, std::vector<std::string>({ "", "", "" }));
    EXPECT_FALSE(Alive(std::atoi(ReadFile(tool).c_str()))) << "a tool was left running";
    EXPECT_FALSE(fs::exists(ImageLog())) << "the image tool ran on a stopped file";
    EXPECT_TRUE(AwaitFrameSweeps(false));
    EXPECT_TRUE(fs::is_empty(TempFolder()));
}

// Holds the frame sweeps until released, so a test sees what happens meanwhile.
class HeldSweeps
{
public:
    HeldSweeps()
    {
        SetFrameSweepGateForTesting([held = m_release.get_future().share()] { held.wait(); });
    }
    ~HeldSweeps()
    {
        Release();
        SetFrameSweepGateForTesting(nullptr);
    }
    void Release()
    {
        if (!m_released)
            m_release.set_value();
        m_released = true;
    }

private:
    std::promise<void> m_release;
    bool m_released = false;
};

// Stop returns without removing the frames itself (tens of thousands after a long
// extraction froze the window); they go in the background, and a job started
// meanwhile waits for that before it makes frames of its own.
TEST_F(ConversionControllerTest, StopLeavesTheFramesToABackgroundSweepThatANewJobAwaits)
{
    const std::string temp = TempFolder();
    WriteScript(m_bin / "video.dll",
                LogArgs(VideoLog()) + kWriteFrame + "while :; do sleep 0.05; done\n");
    host.rows = { "/clips/a.mp4" };
    ConversionController c(host);
    HeldSweeps held;
    ASSERT_TRUE(c.StartConversion());
    ASSERT_TRUE(test_files::AwaitPath(VideoLog()));
    for (int i = 2; i <= 500; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "DasmereTemp%08d.png", i);
        std::ofstream(temp + name) << "x";
    }
    c.StopConversion();
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(fs::exists(temp + "DasmereTemp00000500.png")) << "Stop removed the frames itself";

    // A new job waits for the sweep, then converts with frames of its own.
    fs::remove(VideoLog());
    WriteScript(m_bin / "video.dll", LogArgs(VideoLog()) + kWriteFrame);
    WriteScript(m_bin / "imgconv.dll",
        "ls '" + temp + "' > '" + ImageLog().string() + "'\n" + kWriteOutput);
    host.ended = false;
    ASSERT_TRUE(c.StartConversion());
    host.Pump([] { return false; }, 300ms);
    EXPECT_FALSE(fs::exists(VideoLog())) << "the new job made frames while the old ones went";
    held.Release();
    ASSERT_TRUE(host.Pump([&] { return host.ended; }));
    EXPECT_EQ(host.results, std::vector<std::string>({ "succeeded" }));
    EXPECT_EQ(ReadFile(ImageLog()), "DasmereTemp00000001.png\n");
    EXPECT_TRUE(AwaitFrameSweeps(false));
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(ConversionControllerTest, TwoInputsOfOneNameGetTwoOutputs)
{
    host.rows = { "/one/clip.mp4", "/two/clip.mp4", "/three/clip.avi" };
    ConversionController c(host);
    ASSERT_TRUE(RunToEnd(c));
    const std::string image = ReadFile(ImageLog());
    for (const char* name : { "/clip.gif\n", "/clip (2).gif\n", "/clip (3).gif\n" })
        EXPECT_NE(image.find(m_out.string() + name), std::string::npos) << name;
    EXPECT_TRUE(fs::exists(m_out / "clip (3).gif"));
    // The host learns each row's output, before the row starts.
    const std::string out = m_out.string();
    EXPECT_EQ(host.chosen,
        std::vector<std::string>({ "0 " + out + "/clip.gif", "1 " + out + "/clip (2).gif",
            "2 " + out + "/clip (3).gif" }));
}

// Outputs that exist already in the folder: the host is asked once, and its
// answer replaces them, keeps both, leaves them (their files fail with the
// reason, no tool runs for them) or starts nothing.
TEST_F(ConversionControllerTest, ExistingOutputsAreReplacedOnlyWhenTheHostSaysSo)
{
    std::ofstream(m_out / "a.gif") << "mine";
    std::ofstream(m_out / "b (2).gif") << "mine too";
    host.rows = { "/clips/a.mp4", "/clips/b.mp4" };
    ConversionController c(host);
    const std::string out = m_out.string() + "/";

    host.existingAnswer = ExistingOutputsAnswer::Cancel;
    EXPECT_FALSE(c.StartConversion());
    EXPECT_EQ(host.asked, std::vector<std::string>({ "1 in " + out }));
    EXPECT_TRUE(host.events.empty());
    EXPECT_FALSE(c.IsConverting());

    host.existingAnswer = ExistingOutputsAnswer::LeaveThem;
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(host.results, std::vector<std::string>({ "failed", "succeeded" }));
    EXPECT_EQ(host.reasons, std::vector<std::string>({ "0 " + out + "a.gif exists already" }));
    EXPECT_EQ(ReadFile(m_out / "a.gif"), "mine");
    EXPECT_EQ(ReadFile(VideoLog()).find("/clips/a.mp4"), std::string::npos); // not converted

    fs::remove(m_out / "b.gif");
    host.existingAnswer = ExistingOutputsAnswer::KeepBoth;
    host.outputs.clear();
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(
        host.outputs, std::vector<std::string>({ "0 " + out + "a (2).gif", "1 " + out + "b.gif" }));
    EXPECT_EQ(ReadFile(m_out / "a.gif"), "mine");
    EXPECT_EQ(ReadFile(m_out / "b (2).gif"), "mine too");
    EXPECT_TRUE(fs::exists(m_out / "a (2).gif"));

    host.existingAnswer = ExistingOutputsAnswer::Replace;
    host.asked.clear();
    host.outputs.clear();
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(host.asked, std::vector<std::string>({ "2 in " + out }));
    EXPECT_EQ(
        host.outputs, std::vector<std::string>({ "0 " + out + "a.gif", "1 " + out + "b.gif" }));
    EXPECT_EQ(ReadFile(m_out / "a.gif"), ""); // the stand-in tool's GIF
    EXPECT_EQ(host.results, std::vector<std::string>({ "succeeded", "succeeded" }));
}

// The host learns where each row goes, so that it can show and hand out the results.
TEST_F(ConversionControllerTest, TheHostIsToldWhereEachRowGoes)
{
    host.rows = { "/one/clip.mp4", "/two/clip.mp4" };
    ConversionController c(host);
    ASSERT_TRUE(RunToEnd(c));
    const std::string out = m_out.string();
    EXPECT_EQ(host.outputs,
        std::vector<std::string>({ "0 " + out + "/clip.gif", "1 " + out + "/clip (2).gif" }));
    WriteSettings("3"); // still images: numbered files
    host.outputs.clear();
    host.rows = { "/one/clip.mp4" };
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(host.outputs, std::vector<std::string>({ "0 " + out + "/clip.png numbered" }));
}

TEST_F(ConversionControllerTest, NothingStartsWithoutAFolderOrASettingsFile)
{
    host.rows = { "/clips/a.mp4" };
    ConversionController c(host);
    host.folder = "";
    EXPECT_FALSE(c.StartConversion());
    EXPECT_TRUE(host.events.empty()); // a cancelled folder question says nothing
    host.folder = m_out.string();
    fs::remove(m_bin / "TellurvaneInfo.ini");
    EXPECT_FALSE(c.StartConversion());
    // The host is told which file could not be read, so that it can say so.
    const std::vector<std::string> told
        = { "settings not read " + (m_bin / "TellurvaneInfo.ini").string() };
    EXPECT_EQ(host.events, told);
    EXPECT_FALSE(c.IsConverting());
    c.StopConversion(); // nothing runs: nothing happens
    EXPECT_EQ(host.events, told);
    // A settings file that is a folder cannot be read either.
    fs::create_directory(m_bin / "TellurvaneInfo.ini");
    host.events.clear();
    EXPECT_FALSE(c.StartConversion());
    EXPECT_EQ(host.events, told);
}

TEST_F(ConversionControllerTest, LeftoverFramesAreRemovedBeforeAGif)
{
    // Frames 1 to 5 and 7 of an earlier run, and a file that is not a frame.
    const std::string temp = TempFolder();
    for (const char* name : { "DasmereTemp00000001.png", "DasmereTemp00000005.png",
             "DasmereTemp00000007.png", "keep.txt" })
        std::ofstream(temp + name) << "x";
    WriteScript(m_bin / "imgconv.dll",
        "ls '" + temp + "' > '" + ImageLog().string() + "'\n" + kWriteOutput);
    host.rows = { "/clips/a.mp4" };
    ConversionController c(host);
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(ReadFile(ImageLog()), "DasmereTemp00000001.png\nkeep.txt\n");
    EXPECT_TRUE(fs::exists(temp + "keep.txt"));
}

} // namespace

namespace {

// Another copy of the program is converting: its video tool runs, a child of
// the test (so that the test can end it), named as our tools are named.
pid_t StartOtherCopysTool(const fs::path& folder)
{
    fs::create_directories(folder);
    fs::copy_file(fs::path(SABLEWICK_TEST_HELPERS) / "toolstub", folder / "video.dll");
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string path = (folder / "video.dll").string();
        execl(path.c_str(), "video.dll", "sleep", "20000", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Until its exec it is still this test, which no search by name would find.
    EXPECT_TRUE(test_wait::Until([pid] {
        return test_processes::ExecutableName(pid) == "video.dll";
    })) << "the other copy's tool did not start";
    return pid;
}

// Ends the other copy's tool with a signal that no stop sends, and gives the signal it
// died of: a kill sent before (the stop returns after its kills) is the one that counts.
int EndOtherCopysTool(pid_t pid)
{
    kill(pid, SIGUSR1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

TEST_F(ConversionControllerTest, AnIdleControllerThatGoesLeavesOtherToolsAlone)
{
    const pid_t pid = StartOtherCopysTool(m_dir / "other");
    {
        ConversionController idle(host);
        idle.StopConversion(); // nothing of its own runs: nothing happens
    }
    EXPECT_EQ(EndOtherCopysTool(pid), SIGUSR1)
        << "an idle window closing killed another copy's tool";
}

TEST_F(ConversionControllerTest, APreviewAndAConvertLeaveAnotherCopysToolsAlone)
{
    const pid_t pid = StartOtherCopysTool(m_dir / "other");
    const fs::path playerLog = m_dir / "player.log";
    WriteScript(m_bin / "player.dll", "echo $$ >> '" + playerLog.string() + "'\n");
    const fs::path clip = m_dir / "clip.mp4";
    std::ofstream(clip) << "x";
    host.rows = { clip.string() };
    {
        ConversionController c(host);
        ASSERT_TRUE(StartPreview(c, clip.string()));
        // The player has ended and its thread has collected it.
        EXPECT_TRUE(test_wait::Until([&] { return !ReadFile(playerLog).empty(); }));
        const pid_t player = std::atoi(ReadFile(playerLog).c_str());
        EXPECT_TRUE(test_wait::Until([player] { return test_processes::State(player) == 0; }));
        // Convert, as the window does it: stop first, then start.
        c.StopConversion();
        ASSERT_TRUE(RunToEnd(c));
        EXPECT_EQ(host.results, std::vector<std::string>({ "succeeded" }));
        host.ended = false;
        ASSERT_TRUE(c.StartConversion());
        c.StopConversion();
    }
    EXPECT_EQ(EndOtherCopysTool(pid), SIGUSR1) << "this copy's stop killed another copy's tool";
}

TEST_F(ConversionControllerTest, StopEndsTheToolsWholeGroupEvenWhenItIgnoresTerm)
{
    // A tool that will not end on SIGTERM, with a child of its own.
    const fs::path child = m_dir / "child.pid";
    WriteScript(m_bin / "video.dll",
                LogArgs(VideoLog()) + "trap '' TERM\nsleep 30 &\necho $! > '" + child.string()
                    + "'\nwait\n");
    host.rows = { "/clips/a.mp4" };
    ConversionController c(host);
    ASSERT_TRUE(c.StartConversion());
    for (int i = 0; i < 300 && ReadFile(child).empty(); ++i)
        std::this_thread::sleep_for(10ms);
    const pid_t sleeper = std::atoi(ReadFile(child).c_str());
    ASSERT_GT(sleeper, 0);
    c.StopConversion();
    EXPECT_TRUE(host.ended);
    for (int i = 0; i < 100 && Alive(sleeper); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(Alive(sleeper)) << "the tool's child outlived the stop";
}

} // namespace
