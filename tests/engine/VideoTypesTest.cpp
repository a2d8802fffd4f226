#include "engine/VideoTypes.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

TEST(VideoTypes, TheTableIsWellFormedAndKeepsTheFirstSevenInTheirOrder)
{
    std::set<std::string> extensions;
    for (const VideoType& type : VideoTypes()) {
        const std::string extension = type.Extension;
        ASSERT_FALSE(extension.empty());
        for (char c : extension)
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << extension;
        EXPECT_TRUE(extensions.insert(extension).second) << extension << " twice";
    }
    const char* const first[] = { "avi", "flv", "mp4", "mov", "wmv", "mpg", "mkv" };
    ASSERT_GT(VideoTypes().size(), std::size(first));
    for (std::size_t i = 0; i < std::size(first); ++i)
        EXPECT_STREQ(VideoTypes()[i].Extension, first[i]);
    EXPECT_TRUE(extensions.count("webm"));

    std::set<std::string> mimes;
    for (const std::string& mime : VideoMimeTypes()) {
        EXPECT_EQ(mime.rfind("video/", 0), 0u) << mime;
        EXPECT_TRUE(mimes.insert(mime).second) << mime << " twice";
    }
    EXPECT_TRUE(mimes.count("video/webm"));
}

// The installed menu entry claims exactly the table's MIME types, so that a
// desktop offers the program for the files its dialogs and drops take.
TEST(VideoTypes, TheMenuEntryClaimsTheTablesMimeTypes)
{
    std::ifstream entry(SABLEWICK_DESKTOP_ENTRY);
    ASSERT_TRUE(entry) << SABLEWICK_DESKTOP_ENTRY;
    std::string line, claimed;
    int found = 0;
    while (std::getline(entry, line))
        if (line.rfind("MimeType=", 0) == 0) {
            claimed = line.substr(9);
            ++found;
        }
    ASSERT_EQ(found, 1);
    std::string expected;
    for (const std::string& mime : VideoMimeTypes())
        expected += mime + ";";
    EXPECT_EQ(claimed, expected);
}
