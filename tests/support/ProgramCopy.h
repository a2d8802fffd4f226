#pragma once

// A private copy of the console program for the tests that run it: the real
// tools beside it and a settings file of its own.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace test_program {

inline void MakeProgramCopy(const std::filesystem::path& bin, const std::string& settings)
{
    namespace fs = std::filesystem;
    fs::create_directories(bin);
    // A copy, not a link: the program finds its tools and settings beside its own file.
    fs::copy_file(fs::path(SABLEWICK_BIN_DIR) / "sablewick-cli", bin / "sablewick-cli");
    for (const char* tool : { "video.dll", "imgconv.dll" })
        fs::create_symlink(fs::path(SABLEWICK_BIN_DIR) / tool, bin / tool);
    std::ofstream(bin / "TellurvaneInfo.ini") << settings;
}

// Makes a clip of ffmpeg's lavfi `source` (for example "testsrc2=s=64x48:r=10:d=2").
inline bool MakeClip(const std::filesystem::path& clip, const std::string& source)
{
    const std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i " + source
        + " -pix_fmt yuv420p '" + clip.string() + "'";
    return std::system(make.c_str()) == 0;
}

} // namespace test_program
