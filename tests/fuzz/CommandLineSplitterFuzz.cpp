// The command-line splitter on any text, and the path quoting it undoes.

#include "engine/CommandLineSplitter.h"
#include "engine/CommandLines.h"
#include "tests/fuzz/FuzzSupport.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(AsText(data, size));

    // Any text, quoted, splits back into exactly itself: every path reaches the tool intact.
    FUZZ_CHECK(SplitCommandLine(QuotePath(text)) == std::vector<std::string> { text });

    // The arguments of any line, quoted and joined again, split into the same arguments.
    const std::vector<std::string> args = SplitCommandLine(text);
    std::string joined;
    for (const std::string& arg : args)
        joined += (joined.empty() ? "" : " ") + QuotePath(arg);
    FUZZ_CHECK(SplitCommandLine(joined) == args);

    // Blanks before the first argument never make one.
    FUZZ_CHECK(SplitCommandLine(" \t\r\n" + text) == args);
    return 0;
}
