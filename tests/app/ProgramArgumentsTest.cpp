#include "app/ProgramArguments.h"

#include "app/WindowTitle.h"

#include <gtest/gtest.h>

namespace {

using Kind = CommandLineAction::Kind;

struct CommandLineCase
{
    std::vector<std::string> args;
    std::vector<CommandLineAction> actions;
};

TEST(ProgramArguments, ReadsTheSwitches)
{
    const CommandLineCase cases[] = {
        { { "sablewick" }, {} },
        { { "sablewick", "-ADD", "/v/a.mp4" }, { { Kind::AddPath, "/v/a.mp4" } } },
        { { "sablewick", "-add", "/v/a.mp4", "-Open", "/v/b.mkv" },
            { { Kind::AddPath, "/v/a.mp4" }, { Kind::AddPath, "/v/b.mkv" } } },
        { { "sablewick", "-add" }, {} },
        { { "sablewick", "-add", "-copyright" }, { { Kind::AddPath, "-copyright" } } },
        { { "sablewick", "-add", "/v/a.mp4", "-copyright", "-add", "/v/b.mp4" },
            { { Kind::AddPath, "/v/a.mp4" }, { Kind::ShowCopyright, "" } } },
        { { "sablewick", "/v/a.mp4", "-addx", "/v/b.mp4", "--add" }, {} },
        { { "sablewick", "-open", "" }, { { Kind::AddPath, "" } } },
        { { "sablewick", "--files", "/v/a b.mp4", "-copyright", "-add" },
            { { Kind::AddPath, "/v/a b.mp4", true }, { Kind::AddPath, "-copyright", true },
                { Kind::AddPath, "-add", true } } },
        { { "sablewick", "-add", "/v/a.mp4", "--files" }, { { Kind::AddPath, "/v/a.mp4" } } },
    };
    for (const CommandLineCase& c : cases) {
        std::string line;
        for (const auto& arg : c.args)
            line += arg + " ";
        EXPECT_EQ(ParseCommandLine(c.args), c.actions) << line;
    }
    EXPECT_TRUE(ParseCommandLine({}).empty());
}

TEST(ProgramArguments, CopyrightNoticeIsOneLine)
{
    std::string notice = CopyrightNotice();
    EXPECT_FALSE(notice.empty());
    EXPECT_EQ(notice.find('\n'), std::string::npos);
}

TEST(WindowTitleTest, CutsLongNamesTo199Bytes)
{
    EXPECT_EQ(MainWindowTitle("Sablewick"), "Sablewick");
    EXPECT_EQ(MainWindowTitle(std::string(199, 'x')), std::string(199, 'x'));
    EXPECT_EQ(MainWindowTitle(std::string(1023, 'x')), std::string(199, 'x'));
    EXPECT_EQ(MainWindowTitle(std::string(198, 'x') + "\xC3\xA9"), std::string(198, 'x'));
}

} // namespace
