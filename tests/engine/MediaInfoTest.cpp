#include "engine/ConversionController.h"
#include "engine/MediaInfo.h"
#include "engine/Preview.h"
#include "engine/ProcessKiller.h"
#include "platform/ProgramFolder.h"
#include "tests/ScriptFiles.h"
#include "tests/engine/RecordingHost.h"

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
        KillProcessesByName("player.dll");
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

TEST_F(MediaInfoTools, PreviewClosesTheFirstPlayerBeforeTheSecondAndStopClosesIt)
{
    const fs::path clip = m_dir / "clip.mp4";
    std::ofstream(clip) << "x";
    RecordingHost host;
    ConversionController controller(host);
    EXPECT_FALSE(StartPreview(controller, clip.string())) << "player missing";

    // Each player notes its start and end in a log.
    const fs::path log = m_dir / "player.log";
    Script("player.dll", "echo \"start $1\" >> '" + log.string()
                             + "'\ntrap 'exit 0' TERM\nwhile :; do sleep 0.05; done\n");
    EXPECT_FALSE(StartPreview(controller, (m_dir / "missing.mp4").string()));
    EXPECT_FALSE(StartPreview(controller, ""));
    ASSERT_TRUE(StartPreview(controller, clip.string()));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(StartPreview(controller, clip.string()));
    std::this_thread::sleep_for(300ms);
    // Only the second player still runs.
    EXPECT_EQ(KillProcessesByName("player.dll"), 1);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "start " + clip.string() + "\nstart " + clip.string() + "\n");

    ASSERT_TRUE(StartPreview(controller, clip.string()));
    std::this_thread::sleep_for(300ms);
    controller.StopConversion();
    EXPECT_EQ(KillProcessesByName("player.dll"), 0) << "Stop left the player running";
}

} // namespace
