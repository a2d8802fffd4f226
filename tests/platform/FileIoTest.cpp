#include "platform/FileIo.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The limit counts bytes exactly, also across the reader's internal chunks.
TEST(FileIo, ReadWholeFileTakesUpToItsLimitAndRefusesMore)
{
    const std::string path = ::testing::TempDir() + "fileio-" + std::to_string(::getpid());
    const std::string data(70000, 'x'); // more than one read chunk
    ASSERT_TRUE(WriteFileAtomically(path, data));
    const struct
    {
        std::size_t limit;
        bool read;
    } rows[] = { { data.size(), true }, { data.size() + 1, true }, { data.size() - 1, false },
        { 65536, false }, { 0, false } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.limit);
        std::string text;
        EXPECT_EQ(ReadWholeFile(path, &text, row.limit), row.read);
        if (row.read) {
            EXPECT_EQ(text, data);
        }
    }
    std::string empty;
    ASSERT_TRUE(WriteFileAtomically(path, ""));
    EXPECT_TRUE(ReadWholeFile(path, &empty, 0));
    ::unlink(path.c_str());
    EXPECT_FALSE(ReadWholeFile(path, &empty));
}

// A FIFO, a device or a folder in a file's place: read as missing at once (a FIFO without a
// writer would block an ordinary open for ever, /dev/zero would never end), and never replaced
// by a write, also through a link.
TEST(FileIo, OnlyRegularFilesAreReadOrReplaced)
{
    namespace fs = std::filesystem;
    char dir[] = "/tmp/fileioXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string root = dir;
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0600), 0);
    fs::create_directory(root + "/folder");
    fs::create_symlink("/dev/zero", root + "/zero");
    fs::create_symlink("/dev/null", root + "/null");
    fs::create_symlink("fifo", root + "/fifo-link");

    const struct
    {
        const char* name;
        fs::file_type type; // of what the name leads to, before and after
    } cases[] = {
        { "fifo", fs::file_type::fifo },
        { "fifo-link", fs::file_type::fifo },
        { "folder", fs::file_type::directory },
        { "zero", fs::file_type::character },
        { "null", fs::file_type::character },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = root + "/" + c.name;
        std::string text = "left over";
        EXPECT_EQ(ReadRegularFile(path, &text), FileReadStatus::NotRegular);
        EXPECT_TRUE(text.empty());
        EXPECT_FALSE(ReadWholeFile(path, &text));
        EXPECT_FALSE(WriteFileAtomically(path, "[S]\nk=v\n"));
        EXPECT_EQ(fs::status(path).type(), c.type);
    }
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
    // Nothing was left beside them either.
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 5);

    std::string text;
    EXPECT_EQ(ReadRegularFile(root + "/none", &text), FileReadStatus::Missing);
    EXPECT_EQ(ReadRegularFile(root + "/fifo/x", &text), FileReadStatus::Missing);
    ASSERT_TRUE(WriteFileAtomically(root + "/big", std::string(11, 'x')));
    EXPECT_EQ(ReadRegularFile(root + "/big", &text, 10), FileReadStatus::TooLarge);
    EXPECT_TRUE(text.empty());
    fs::remove_all(root);
}

} // namespace
