#include "platform/OpenUrl.h"

#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"
#include "tests/support/WaitUntil.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using test_files::ReadFile;
using test_files::WriteScript;

namespace {

// A desktop of stand-ins: xdg-open, xdg-mime and a browser in a folder put
// first on PATH, and the browser's desktop entry in XDG_DATA_HOME.
class OpenUrlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/openurltestXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        fs::create_directories(m_dir / "bin");
        fs::create_directories(m_dir / "data/applications");
        m_oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        setenv("PATH", ((m_dir / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_dir / "data").string().c_str(), 1);
        setenv("XDG_DATA_DIRS", (m_dir / "none").string().c_str(), 1);
        WriteScript(m_dir / "bin/browser",
            "for a; do printf '%s\\n' \"$a\"; done > '" + BrowserLog().string()
                + ".part'\n"
                  "mv '"
                + BrowserLog().string() + ".part' '" + BrowserLog().string() + "'\n");
        WriteScript(m_dir / "bin/xdg-mime", "echo fake-browser.desktop\n");
        WriteBrowserEntry("Exec=\"" + (m_dir / "bin/browser").string() + "\" --new-tab %u\n");
    }

    void TearDown() override
    {
        setenv("PATH", m_oldPath.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_DATA_DIRS");
        fs::remove_all(m_dir);
    }

    void WriteOpener(int exitCode)
    {
        WriteScript(m_dir / "bin/xdg-open",
            "printf '%s\\n' \"$1\" >> '" + OpenerLog().string() + "'\nexit "
                + std::to_string(exitCode) + "\n");
    }

    void WriteBrowserEntry(const std::string& execLine)
    {
        std::ofstream(m_dir / "data/applications/fake-browser.desktop")
            << "[Desktop Entry]\nName=Fake\n"
            << execLine << "[Desktop Action new-window]\nExec=/wrong %u\n";
    }

    // The browser runs on its own; wait for its log to appear.
    std::string WaitForBrowserLog()
    {
        for (int i = 0; i < 500 && !fs::exists(BrowserLog()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ReadFile(BrowserLog());
    }

    fs::path OpenerLog() const { return m_dir / "opener.log"; }
    fs::path BrowserLog() const { return m_dir / "browser.log"; }

    fs::path m_dir;
    std::string m_oldPath;
};

TEST_F(OpenUrlTest, TheDesktopOpenerOpensTheTarget)
{
    WriteOpener(0);
    EXPECT_GT(OpenUrl("http://example.org/a b"), kOpenSucceeded);
    EXPECT_EQ(ReadFile(OpenerLog()), "http://example.org/a b\n");
    // A browser started anyway would be a child of this test until it has written its log
    // and ended: once no child lives, a missing log means that none was started.
    EXPECT_TRUE(test_wait::Until([] { return test_processes::ChildrenOf(getpid()).empty(); }));
    EXPECT_FALSE(fs::exists(BrowserLog()));
}

TEST_F(OpenUrlTest, AMissingLocalFileIsNotFoundWithoutAsking)
{
    WriteOpener(0);
    EXPECT_EQ(OpenUrl((m_dir / "missing.mp4").string()), kOpenFileNotFound);
    EXPECT_EQ(OpenUrl("file://" + (m_dir / "missing.mp4").string()), kOpenFileNotFound);
    EXPECT_EQ(OpenUrl(""), kOpenFileNotFound);
    EXPECT_FALSE(fs::exists(OpenerLog()));

    const fs::path clip = m_dir / "my clip.mp4";
    std::ofstream(clip) << "x";
    EXPECT_GT(OpenUrl("file://" + (m_dir / "my%20clip.mp4").string()), kOpenSucceeded);
    EXPECT_GT(OpenUrl(clip.string()), kOpenSucceeded);
}

TEST_F(OpenUrlTest, AFailedOpenerFallsBackToTheBrowser)
{
    WriteOpener(4);
    EXPECT_GT(OpenUrl("https://example.org/?q=1"), kOpenSucceeded);
    EXPECT_EQ(WaitForBrowserLog(), "--new-tab\nhttps://example.org/?q=1\n");
    EXPECT_EQ(ReadFile(OpenerLog()), "https://example.org/?q=1\n");
}

TEST_F(OpenUrlTest, NoOpenerAtAllFallsBackToTheBrowser)
{
    EXPECT_GT(OpenUrl("mailto:someone@example.org"), kOpenSucceeded);
    EXPECT_EQ(WaitForBrowserLog(), "--new-tab\nmailto:someone@example.org\n");
}

TEST_F(OpenUrlTest, FailuresOfTheFallbackGiveTheirCodes)
{
    WriteOpener(3);
    WriteScript(m_dir / "bin/xdg-mime", "exit 0\n");
    EXPECT_EQ(OpenUrl("http://example.org"), kOpenNoHandler);

    WriteScript(m_dir / "bin/xdg-mime", "echo other.desktop\n");
    EXPECT_EQ(OpenUrl("http://example.org"), kOpenNoHandler);

    WriteScript(m_dir / "bin/xdg-mime", "echo fake-browser.desktop\n");
    WriteBrowserEntry("Name=No Exec\n");
    EXPECT_EQ(OpenUrl("http://example.org"), kOpenNoHandler);

    WriteBrowserEntry("Exec=" + (m_dir / "bin/no-such-browser").string() + " %U\n");
    EXPECT_EQ(OpenUrl("http://example.org"), kOpenFailed);

    WriteOpener(2); // the opener's own "file not found"
    EXPECT_EQ(OpenUrl("http://example.org/x"), kOpenFileNotFound);
}

TEST(OpenUrlParts, SplitDesktopExec)
{
    struct Case
    {
        const char* exec;
        std::vector<std::string> args;
    } cases[] = {
        { "firefox %u", { "firefox" } },
        { "firefox --new-window %U --private", { "firefox", "--new-window" } },
        { "\"/opt/my browser/run\" -a %f", { "/opt/my browser/run", "-a" } },
        { "run \"say \\\"hi\\\"\" %u", { "run", "say \"hi\"" } },
        { "run 100%% %u", { "run", "100%" } },
        { "  run   -x  ", { "run", "-x" } },
        { "%u", {} },
        { "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitDesktopExec(c.exec), c.args) << c.exec;
}

TEST(OpenUrlParts, LocalTargets)
{
    EXPECT_TRUE(IsLocalTarget("/home/a/b.mp4"));
    EXPECT_TRUE(IsLocalTarget("relative/b.mp4"));
    EXPECT_TRUE(IsLocalTarget("/odd:name.mp4"));
    EXPECT_TRUE(IsLocalTarget("FILE:///x"));
    EXPECT_FALSE(IsLocalTarget("http://example.org"));
    EXPECT_FALSE(IsLocalTarget("mailto:a@b.c"));
    EXPECT_EQ(LocalPathOf("file:///a%20b/c"), "/a b/c");
    EXPECT_EQ(LocalPathOf("file://localhost/x"), "/x");
    EXPECT_EQ(LocalPathOf("/plain/100%25"), "/plain/100%25");
}

TEST(OpenUrlParts, DesktopEntryExecTakesTheMainGroup)
{
    EXPECT_EQ(DesktopEntryExec("[Desktop Action x]\nExec=wrong\n[Desktop Entry]\nExec = right %u\n"
                               "TryExec=no\n"),
        "right %u");
    EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nName=x\n"), "");
}

} // namespace

// The program that opens a file: xdg-mime's answer for the file's type, asked
// with the file's own name (a leading '-' made harmless).
TEST_F(OpenUrlTest, DefaultHandlerOfAFileIsTheHandlerOfItsType)
{
    const fs::path log = m_dir / "mime.log";
    WriteScript(m_dir / "bin/xdg-mime",
        "printf '%s|' \"$@\" >> '" + log.string() + "'; echo >> '" + log.string()
            + "'\n"
              "case \"$2\" in filetype) echo 'video/webm' ;;\n"
              "  default) [ \"$3\" = video/webm ] && printf 'net.tellurvane.Sablewick.desktop\\n' "
              ";;\n"
              "esac\n");
    EXPECT_EQ(DefaultHandlerOf("/v/clip.webm"), "net.tellurvane.Sablewick.desktop");
    EXPECT_EQ(DefaultHandlerOf("-odd.webm"), "net.tellurvane.Sablewick.desktop");
    EXPECT_EQ(ReadFile(log),
        "query|filetype|/v/clip.webm|\nquery|default|video/webm|\n"
        "query|filetype|./-odd.webm|\nquery|default|video/webm|\n");
    EXPECT_EQ(DefaultHandlerOf(""), "");

    // An unknown type, or no handler for it: unknown.
    WriteScript(m_dir / "bin/xdg-mime", "[ \"$2\" = filetype ] && exit 1; echo vlc.desktop\n");
    EXPECT_EQ(DefaultHandlerOf("/v/clip.webm"), "");
    WriteScript(m_dir / "bin/xdg-mime", "[ \"$2\" = filetype ] && echo video/mp4; exit 0\n");
    EXPECT_EQ(DefaultHandlerOf("/v/clip.mp4"), "");
}
