#pragma once

#include <string>

// A folder of its own inside the private temporary folder for one estimate's or preview's
// frames, apart from the conversion's frames (which a conversion sweeps away): removed
// with everything in it when the owner goes.
class SampleFolder
{
public:
    SampleFolder();
    ~SampleFolder();
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

    // With a trailing '/'; empty when none could be made.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
