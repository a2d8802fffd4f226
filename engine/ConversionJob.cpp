#include "engine/ConversionJob.h"

#include "engine/CommandLines.h"

#include <set>

namespace {

std::string WithSuffix(const std::string& path, int n)
{
    const std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    return path.substr(0, dot) + " (" + std::to_string(n) + ")" + path.substr(dot);
}

} // namespace

ConversionJob BuildConversionJob(const std::vector<std::string>& inputs, const std::string& folder,
                                 const std::string& storedFileFormat,
                                 const std::string& videoOptions, const std::string& imageOptions)
{
    const OutputFormat format = LookupOutputFormat(storedFileFormat);
    ConversionJob job;
    job.Mode = format.Mode;
    std::set<std::string> used;
    for (const std::string& input : inputs) {
        const std::string first = OutputPath(folder, input, format.Extension);
        std::string output = first;
        for (int n = 2; used.count(output); ++n)
            output = WithSuffix(first, n);
        used.insert(output);
        job.Entries.push_back({input, output, videoOptions, imageOptions});
    }
    return job;
}
