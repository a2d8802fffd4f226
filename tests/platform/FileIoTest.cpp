#include "platform/FileIo.h"

#include <gtest/gtest.h>
#include <string>
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

} // namespace
