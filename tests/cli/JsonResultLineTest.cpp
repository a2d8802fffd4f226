// The JSON line of one file: strict JSON whatever the names, every name back
// exactly, the keys in their order.
#include "cli/JsonResultLine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

// The name a reader gets back from a value: a string as it stands, an array as its bytes.
std::string NameFrom(const Json& value)
{
    if (value.is_string())
        return value.get<std::string>();
    std::string name;
    for (const Json& byte : value) {
        EXPECT_TRUE(byte.is_number_unsigned());
        EXPECT_LE(byte.get<int>(), 255);
        name += static_cast<char>(byte.get<int>());
    }
    return name;
}

TEST(JsonResultLine, EveryNameComesBackExactlyAndTheLineIsStrictJson)
{
    const struct
    {
        const char* what;
        std::string name;
        bool asText; // a JSON string rather than an array of bytes
    } cases[] = {
        { "plain", "clips/a.mp4", true },
        { "UTF-8", "clips/caf\xc3\xa9 \xf0\x9f\x8e\xac.mp4", true },
        { "quotes, backslash, control bytes", "a\"b\\c\n\t\x01\x7f.mp4", true },
        { "Latin-1", "caf\xe9.mp4", false },
        { "stray continuation byte", "a\x80.mp4", false },
        { "overlong slash", "a\xc0\xaf.mp4", false },
        { "UTF-16 surrogate", "a\xed\xa0\x80.mp4", false },
        { "cut short", "a\xe2\x82", false },
        { "above U+10FFFF", "a\xf4\x90\x80\x80", false },
        { "empty", "", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileReport report;
        report.Input = c.name;
        report.Outputs = { c.name + "1.gif", "plain.gif" };
        report.Result = "success";
        const std::string line = JsonResultLine(report);
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line only";
        Json parsed;
        ASSERT_NO_THROW(parsed = Json::parse(line)) << line;
        EXPECT_EQ(parsed["input"].is_string(), c.asText) << line;
        EXPECT_EQ(NameFrom(parsed["input"]), c.name);
        ASSERT_EQ(parsed["outputs"].size(), 2u);
        EXPECT_EQ(NameFrom(parsed["outputs"][0]), c.name + "1.gif");
        EXPECT_EQ(parsed["outputs"][1], "plain.gif");
    }
}

TEST(JsonResultLine, KeysInOrderWithTheirTypes)
{
    FileReport report;
    report.Input = "clip.mp4";
    report.Result = "failed";
    report.Reason = "has no video stream";
    report.Bytes = 5'000'000'000ULL; // beyond 32 bits
    report.Frames = 12;
    report.Seconds = 1.23456;
    EXPECT_EQ(JsonResultLine(report),
        "{\"input\":\"clip.mp4\",\"outputs\":[],\"result\":\"failed\","
        "\"reason\":\"has no video stream\",\"bytes\":5000000000,\"frames\":12,"
        "\"seconds\":1.235}\n");

    report.Result = "success";
    report.Reason.reset();
    report.Seconds = -1; // a clock that stepped back
    const Json parsed = Json::parse(JsonResultLine(report));
    EXPECT_TRUE(parsed["reason"].is_null());
    EXPECT_EQ(parsed["seconds"], 0.0);
}

TEST(JsonResultLine, AReasonThatIsNoTextStillGivesJson)
{
    FileReport report;
    report.Input = "clip.mp4";
    report.Result = "failed";
    report.Reason = "bad byte \xff here";
    Json parsed;
    ASSERT_NO_THROW(parsed = Json::parse(JsonResultLine(report)));
    EXPECT_EQ(parsed["reason"], "bad byte \xef\xbf\xbd here");
}

} // namespace
