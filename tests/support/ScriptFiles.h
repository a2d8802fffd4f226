#pragma once

// Files the tests write and read back: stand-in tools as shell scripts, and logs.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

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

// Waits until `path` exists (a tool has started, a file was written); false when it
// has not after `limit`, a bound for a slow machine rather than a verdict.
inline bool AwaitPath(
    const std::filesystem::path& path, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace test_files
