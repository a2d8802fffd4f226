#include "engine/ConversionJob.h"

#include "engine/ToolCommandLines.h"
#include "platform/AsciiText.h"

#include <algorithm>

namespace {

// Where the extension of the path's file name starts (its end when it has none).
std::size_t ExtensionStart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path.size();
    return dot;
}

std::string WithSuffix(const std::string& path, int n)
{
    const std::size_t dot = ExtensionStart(path);
    return path.substr(0, dot) + " (" + std::to_string(n) + ")" + path.substr(dot);
}

} // namespace

bool OutputsCollide(const std::string& a, const std::string& b, bool numbered)
{
    if (!numbered)
        return a == b;
    // Numbered outputs are STEM + N + EXT, N from 1 without leading zeros: two
    // stems share a file when one is the other followed by such a number's
    // leading digits ("a" + "11" and "a1" + "1").
    const std::size_t dotA = ExtensionStart(a);
    const std::size_t dotB = ExtensionStart(b);
    if (a.compare(dotA, std::string::npos, b, dotB, std::string::npos) != 0)
        return false;
    std::string shorter = a.substr(0, dotA);
    std::string longer = b.substr(0, dotB);
    if (shorter.size() > longer.size())
        std::swap(shorter, longer);
    if (longer.compare(0, shorter.size(), shorter) != 0)
        return false;
    const std::string rest = longer.substr(shorter.size());
    return rest.empty() || (rest[0] != '0' && std::all_of(rest.begin(), rest.end(), [](char c) {
        return c >= '0' && c <= '9';
    }));
}

ConversionJob BuildConversionJob(const std::vector<std::string>& inputs, const std::string& folder,
    const std::string& storedFileFormat, const std::string& videoOptions,
    const std::string& imageOptions)
{
    const OutputFormat format = LookupOutputFormat(storedFileFormat);
    ConversionJob job;
    job.Mode = format.Mode;
    const bool numbered = !EqualsIgnoringCase(format.Mode, "AnimationGIF");
    std::vector<std::string> used;
    const auto taken = [&](const std::string& output) {
        return std::any_of(used.begin(), used.end(),
            [&](const std::string& other) { return OutputsCollide(output, other, numbered); });
    };
    for (const std::string& input : inputs) {
        const std::string first = OutputPath(folder, input, format.Extension);
        std::string output = first;
        for (int n = 2; taken(output); ++n)
            output = WithSuffix(first, n);
        used.push_back(output);
        job.Entries.push_back({ input, output, videoOptions, imageOptions });
    }
    return job;
}
