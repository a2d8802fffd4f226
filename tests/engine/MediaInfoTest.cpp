#include "engine/ConversionController.h"
#include "engine/MediaInfo.h"
#include "engine/Preview.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

TEST(MediaInfo, TakesEverythingAfterTheFirstMarkerWithoutLineBreaks)
{
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"word -f 320x240, 25 fps\n", "320x240, 25 fps"},
        {"-f 0:00:10, 64x48,\r\n 10 fps\n", "0:00:10, 64x48, 10 fps"},
        {"a -f b -f c", "b -f c"},
        {"-f ", ""},
        {"no marker here\n", std::nullopt},
        {"-f", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [output, expected] : cases)
        EXPECT_EQ(MediaInfoFromOutput(output), expected) << output;
}

class MediaInfoTools : public testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/mediainfotestXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        SetProgramFolderForTesting(m_dir.string());
    }
    void TearDown() override
    {
        SetProgramFolderForTesting("");
        fs::remove_all(m_dir);
    }
    void Script(const char* name, const std::string& body)
    {
        test_files::WriteScript(m_dir / name, body);
    }
    fs::path m_dir;
};

TEST_F(MediaInfoTools, QueryRunsTheToolWithTheQuotedPath)
{
    EXPECT_EQ(QueryMediaInfo("/clips/a b.mp4"), std::nullopt) << "tool missing";
    Script("swfinfo.dll", "echo \"x -f [$1] [$2]\"\n");
    EXPECT_EQ(QueryMediaInfo("/clips/a b.mp4"), "[-f] [/clips/a b.mp4]");
    Script("swfinfo.dll", "exit 0\n");
    EXPECT_EQ(QueryMediaInfo("/clips/a.mp4"), std::nullopt);
}

// A tool that hangs is ended with the child that holds its output, once the time
// is up or the caller gives up, whichever comes first.
TEST_F(MediaInfoTools, AHangingToolIsEndedAtTheLimitOrWhenCancelled)
{
    const fs::path pids = m_dir / "pids";
    Script("swfinfo.dll", "sleep 60 &\necho \"$$ $!\" > '" + pids.string() + "'\necho '-f late'\nwait\n");
    struct Case
    {
        const char* name;
        std::chrono::milliseconds limit;
        bool cancel;
    };
    for (const Case& c : {Case {"time limit", 300ms, false}, Case {"cancelled", 60s, true}}) {
        SCOPED_TRACE(c.name);
        fs::remove(pids);
        std::atomic<bool> cancel {false};
        std::thread canceller([&] {
            if (!c.cancel)
                return;
            while (!fs::exists(pids) || fs::file_size(pids) == 0)
                std::this_thread::sleep_for(10ms);
            cancel = true;
        });
        EXPECT_EQ(QueryMediaInfo("/clips/a.mp4", c.limit, &cancel), std::nullopt);
        canceller.join();
        std::ifstream in(pids);
        pid_t shell = 0, child = 0;
        ASSERT_TRUE(in >> shell >> child);
        for (int i = 0; i < 200 && test_processes::Alive(child); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_FALSE(test_processes::Alive(shell));
        EXPECT_FALSE(test_processes::Alive(child));
    }
}

TEST_F(MediaInfoTools, PreviewClosesTheFirstPlayerBeforeTheSecondAndStopClosesIt)
{
    const fs::path clip = m_dir / "clip.mp4";
    std::ofstream(clip) << "x";
    RecordingHost host;
    ConversionController controller(host);
    EXPECT_FALSE(StartPreview(controller, clip.string())) << "player missing";

    // Each player notes its start and, when ended, its end in a log; it can be ended
    // once its start is noted.
    const fs::path log = m_dir / "player.log";
    Script("player.dll",
        "trap 'echo \"end $$\" >> '" + log.string() + "'; exit 0' TERM\necho \"start $$\" >> '"
            + log.string() + "'\nwhile :; do sleep 0.05; done\n");
    const auto lines = [&] {
        std::ifstream in(log);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    };
    EXPECT_FALSE(StartPreview(controller, (m_dir / "missing.mp4").string()));
    EXPECT_FALSE(StartPreview(controller, ""));
    ASSERT_TRUE(StartPreview(controller, clip.string()));
    EXPECT_TRUE(test_wait::Until([&] { return lines().size() == 1; }));
    ASSERT_TRUE(StartPreview(controller, clip.string()));
    EXPECT_TRUE(test_wait::Until([&] { return lines().size() >= 3; }));
    // The first player was ended before the second started; the second runs.
    auto seen = lines();
    ASSERT_EQ(seen.size(), 3u);
    const std::string first = seen[0].substr(6);
    const std::string second = seen[2].substr(6);
    EXPECT_EQ(seen, std::vector<std::string>({"start " + first, "end " + first, "start " + second}));

    controller.StopConversion();
    seen = lines();
    EXPECT_EQ(seen.back(), "end " + second) << "Stop left the player running";
}

} // namespace
