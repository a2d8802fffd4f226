#include "engine/ConversionJob.h"

#include "engine/ToolCommandLines.h"
#include "platform/AsciiText.h"
#include "platform/CHandles.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

struct FileIdentity
{
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

bool Identify(const std::string& path, FileIdentity* identity)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    *identity = { st.st_dev, st.st_ino };
    return true;
}

// An input of the job, as the file system knows it: an output must never land on
// it, whatever name leads there (a link, "dir/../", another spelling).
struct InputFile
{
    FileIdentity File;
    FileIdentity Folder;
    std::string Name; // the file name within its folder
};

std::vector<InputFile> IdentifyInputs(const std::vector<std::string>& inputs)
{
    std::vector<InputFile> files;
    for (const std::string& input : inputs) {
        InputFile file;
        const std::size_t slash = input.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : input.substr(0, slash + 1);
        file.Name = slash == std::string::npos ? input : input.substr(slash + 1);
        if (Identify(input, &file.File) && Identify(folder, &file.Folder))
            files.push_back(file);
    }
    return files;
}

std::size_t ExtensionStart(const std::string& path);

// Whether `name` is one of the numbered files of `output` (its name STEM.EXT):
// STEM + N + EXT, N from 1 without a leading zero.
bool IsNumberedFileOf(const std::string& name, const std::string& output)
{
    const std::size_t slash = output.rfind('/');
    const std::size_t dot = ExtensionStart(output);
    const std::string stem = output.substr(slash + 1, dot - slash - 1);
    const std::string extension = output.substr(dot);
    if (name.size() <= stem.size() + extension.size() || name.compare(0, stem.size(), stem) != 0
        || name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
        return false;
    const std::string number
        = name.substr(stem.size(), name.size() - stem.size() - extension.size());
    return number[0] != '0'
        && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether writing `output` (for numbered outputs, its frames) would replace one of `inputs`.
bool LandsOnInput(const std::string& output, const std::vector<InputFile>& inputs, bool numbered)
{
    FileIdentity identity;
    if (!numbered)
        return Identify(output, &identity)
            && std::find_if(inputs.begin(), inputs.end(),
                   [&](const InputFile& f) { return f.File == identity; })
            != inputs.end();
    // Frames are written as STEM + N + EXT beside the output's name: an input in
    // the same folder whose name is such a frame's would be replaced.
    const std::size_t slash = output.rfind('/');
    const std::string folder = output.substr(0, slash + 1);
    if (!Identify(folder.empty() ? "." : folder, &identity))
        return false;
    return std::any_of(inputs.begin(), inputs.end(), [&](const InputFile& f) {
        return f.Folder == identity && IsNumberedFileOf(f.Name, output);
    });
}

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

bool OutputExists(const std::string& output, bool numbered)
{
    struct stat st;
    if (!numbered)
        return ::lstat(output.c_str(), &st) == 0;
    const std::string folder = output.substr(0, output.rfind('/') + 1);
    const UniqueDir dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (IsNumberedFileOf(entry->d_name, output))
            return true;
    }
    return false;
}

ConversionJob BuildConversionJob(const std::vector<std::string>& inputs, const std::string& folder,
    const std::string& storedFileFormat, const std::string& videoOptions,
    const std::string& imageOptions, bool keepExisting)
{
    const OutputFormat format = LookupOutputFormat(storedFileFormat);
    ConversionJob job;
    job.Mode = format.Mode;
    const bool numbered = !EqualsIgnoringCase(format.Mode, "AnimationGIF");
    const std::vector<InputFile> inputFiles = IdentifyInputs(inputs);
    std::vector<std::string> used;
    const auto taken = [&](const std::string& output) {
        return std::any_of(used.begin(), used.end(), [&](const std::string& other) {
            return OutputsCollide(output, other, numbered);
        }) || LandsOnInput(output, inputFiles, numbered)
            || (keepExisting && OutputExists(output, numbered));
    };
    for (const std::string& input : inputs) {
        const std::string first = OutputPath(folder, input, format.Extension);
        std::string output = first;
        for (int n = 2; taken(output); ++n)
            output = WithSuffix(first, n);
        used.push_back(output);
        job.Entries.push_back({ input, output, videoOptions, imageOptions, {} });
    }
    return job;
}

ConversionJob BuildConversionJob(const std::vector<std::string>& inputs,
    const std::vector<FileEdit>& edits, const std::string& folder,
    const ConversionSettings& settings, bool keepExisting)
{
    ConversionJob job = BuildConversionJob(inputs, folder, settings.FileFormat,
        VideoArguments(settings), ImageArguments(settings), keepExisting);
    for (std::size_t i = 0; i < job.Entries.size() && i < edits.size(); ++i) {
        const FileEdit& edit = edits[i];
        if (edit.IsEmpty())
            continue;
        ConversionEntry& entry = job.Entries[i];
        entry.VideoOptions = VideoArguments(settings, edit);
        entry.ImageOptions = ImageArguments(settings, edit);
        entry.Refusal = CheckFileEdit(edit);
    }
    return job;
}
