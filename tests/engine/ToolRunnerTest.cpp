#include "engine/ToolRunner.h"

#include "tests/support/Processes.h"
#include "tests/support/ScriptFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

const std::string kStub = std::string(SABLEWICK_TEST_HELPERS) + "toolstub";

std::string Line(const std::string& args) { return "\"" + kStub + "\" " + args; }

TEST(RunTool, CollectsWhatTheToolPrints)
{
    struct Case
    {
        const char* args;
        std::string output;
        int exitCode;
    } cases[] = {
        {"exit 0", "", 0},
        {"exit 3", "", 3},
        {"print 20000", "", 0},        // more than one read's worth, in one burst
        {"zero", "beforeafter", 0},    // the zero byte is dropped, nothing after it
        {"late", "last words", 0},     // printed right before the end
        {"args \"a b\" \"c\\\"d\" e", "[a b]\n[c\"d]\n[e]\n", 0},
    };
    for (Case& c : cases) {
        if (std::string(c.args) == "print 20000")
            for (int i = 0; i < 20000; ++i)
                c.output += static_cast<char>('a' + i % 26);
        std::string output;
        ToolExit exit;
        EXPECT_TRUE(RunTool(Line(c.args), output, &exit)) << c.args;
        EXPECT_EQ(output, c.output) << c.args;
        EXPECT_TRUE(exit.Started);
        EXPECT_TRUE(exit.Exited);
        EXPECT_EQ(exit.ExitCode, c.exitCode) << c.args;
        EXPECT_EQ(exit.Succeeded(), c.exitCode == 0);
    }
}

TEST(RunTool, AMissingProgramIsNotStarted)
{
    for (const char* line : {"\"/nonexistent/video.dll\" -i x", "", "   ",
                             "\"" SABLEWICK_TEST_HELPERS "\" x"}) {
        std::string output;
        ToolExit exit;
        EXPECT_FALSE(RunTool(line, output, &exit)) << line;
        EXPECT_EQ(output, "");
        EXPECT_FALSE(exit.Started);
        EXPECT_FALSE(exit.Succeeded());
    }
}

TEST(RunTool, AppendsToTheCallersText)
{
    std::string output = "kept ";
    EXPECT_TRUE(RunTool(Line("args x"), output));
    EXPECT_EQ(output, "kept [x]\n");
}

TEST(RunTool, AToolThatLeavesAChildRunningDoesNotHoldTheRunner)
{
    // The shell ends at once while its child keeps the pipe open for a minute.
    char dir[] = "/tmp/runchildXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string pidFile = std::string(dir) + "/child.pid";
    std::string output;
    ToolExit exit;
    EXPECT_TRUE(RunTool(
        "/bin/sh -c \"echo hi; sleep 60 & echo $! > '" + pidFile + "'; exit 4\"", output, &exit));
    const pid_t child = std::atoi(test_files::ReadFile(pidFile).c_str());
    std::remove(pidFile.c_str());
    ::rmdir(dir);
    ASSERT_GT(child, 0);
    // The runner came back while the child still held the pipe.
    EXPECT_TRUE(test_processes::Alive(child));
    EXPECT_EQ(output, "hi\n");
    EXPECT_EQ(exit.ExitCode, 4);
    if (test_processes::CommandName(child) == "sleep")
        ::kill(child, SIGKILL); // the test's own grandchild, by pid
}

// Lines reach the handler while the tool runs, and the tool is asked for its progress.
TEST(RunTool, HandsOnEachLineAsItComes)
{
    // The tool waits (at most 20 s) for the handler to have seen "one" before going on.
    char dir[] = "/tmp/runlinesXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string seen = std::string(dir) + "/seen";
    const std::string script = "/bin/sh -c \"echo asked=$SABLEWICK_PROGRESS; printf 'one\\r\\n'; "
                               "i=0; while [ ! -e '"
        + seen
        + "' ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done; "
          "[ -e '"
        + seen + "' ] && echo two || echo unseen; printf 'no end'\"";
    std::vector<std::string> lines;
    std::string output = "kept\n";
    ToolExit exit;
    EXPECT_TRUE(RunTool(script, output, &exit, [&](const std::string& line) {
        lines.push_back(line);
        if (line == "one")
            std::fclose(std::fopen(seen.c_str(), "w"));
    }));
    std::remove(seen.c_str());
    ::rmdir(dir);
    EXPECT_TRUE(exit.Succeeded());
    EXPECT_EQ(lines, std::vector<std::string>({"asked=1", "one", "two", "no end"}));
    EXPECT_EQ(output, "kept\nasked=1\none\r\ntwo\nno end");

    // Without a handler the variable is not set by the runner.
    ::unsetenv("SABLEWICK_PROGRESS");
    output.clear();
    EXPECT_TRUE(RunTool("/bin/sh -c \"echo asked=$SABLEWICK_PROGRESS\"", output));
    EXPECT_EQ(output, "asked=\n");
}

} // namespace
