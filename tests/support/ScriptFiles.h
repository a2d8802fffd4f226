#pragma once

// Files the tests write and read back: stand-in tools as shell scripts, and logs.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace test_files {

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// An executable /bin/sh script with the given body.
inline void WriteScript(const std::filesystem::path& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

} // namespace test_files
