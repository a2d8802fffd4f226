#include "tools/common/AtomicFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every temporary name this process would try already belongs to someone else:
// the write fails and each of those files stays as it was.
TEST(AtomicFile, AFailedCreationLeavesOtherFilesAlone)
{
    const fs::path dir = fs::temp_directory_path() / ("atomicfile-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string prefix = ".frame1.png." + std::to_string(::getpid()) + ".";
    for (int n = 0; n < 400; ++n)
        std::ofstream(dir / (prefix + std::to_string(n) + ".part")) << "theirs";

    const auto file = AtomicFile::Create((dir / "frame1.png").string());
    EXPECT_FALSE(file);
    for (int n = 0; n < 400; ++n)
        EXPECT_EQ(Read(dir / (prefix + std::to_string(n) + ".part")), "theirs") << n;
    fs::remove_all(dir);
}

} // namespace
