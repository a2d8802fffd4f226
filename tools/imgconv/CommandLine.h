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

struct CommandLine
{
    OutputForm form = OutputForm::Animation;
    std::optional<int> delay; // hundredths of a second between frames; absent: real time
    int loop = 0; // replay count, 0 = endless
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
//   [-delay N] [-loop N] WILDCARD OUT.gif      (animation)
//   WILDCARD [-delay N] [-loop N] OUT%d.gif    (one GIF per frame)
// and --help. Without any option, an output name holding %d selects the per-frame form.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

const char* UsageText();

} // namespace imgconv
