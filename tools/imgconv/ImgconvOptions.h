#pragma once

#include <optional>
#include <string>
#include <vector>

namespace imgconv {

enum class OutputForm
{
    Animation, // one animated GIF
    PerFrame, // one GIF per frame, numbered from 1
};

// The order in which the frames go into the output.
enum class FrameOrder
{
    Forward, // name order
    Reverse,
    Bounce, // forward, then back without the last and the first frame again
};

struct CommandLine
{
    OutputForm form = OutputForm::Animation;
    std::optional<int> delay; // hundredths of a second between frames; absent: real time
    int loop = 0; // replay count, 0 = endless
    std::optional<int> quality; // 1..100; absent: the default settings
    std::optional<long long> maxSize; // bytes the animation may take at most
    FrameOrder order = FrameOrder::Forward;
    std::string wildcard;
    std::string output;
};

struct ParsedCommandLine
{
    CommandLine command;
    bool help = false;
    std::string error; // empty when the command line is good
};

// Accepts the two forms
//   [OPTIONS] WILDCARD OUT.gif      (animation)
//   WILDCARD [OPTIONS] OUT%d.gif    (one GIF per frame)
// with the options -delay N, -loop N, -quality Q, -order forward|reverse|bounce and
// -max-size BYTES (animation only)
// and --help. Without any option, an output name holding %d selects the per-frame form.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Reads a byte count with an optional k (1000) or M (1000000) suffix, at least 1; false
// when the text is not one.
bool ParseByteCount(const std::string& text, long long& bytes);

const char* UsageText();

} // namespace imgconv
