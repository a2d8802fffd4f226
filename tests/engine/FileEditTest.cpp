#include "engine/FileEdit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

FileEdit Trim(std::optional<double> start, std::optional<double> end)
{
    FileEdit e;
    e.TrimStart = start;
    e.TrimEnd = end;
    return e;
}

FileEdit Crop(int w, int h, int x, int y)
{
    FileEdit e;
    e.Crop = CropRect { w, h, x, y };
    return e;
}

FileEdit Speed(double speed)
{
    FileEdit e;
    e.Speed = speed;
    return e;
}

FileEdit Caption(
    const std::string& text, std::optional<double> from = {}, std::optional<double> to = {})
{
    FileEdit e;
    e.Caption = text;
    e.CaptionFrom = from;
    e.CaptionTo = to;
    return e;
}

struct CheckCase
{
    const char* name;
    FileEdit edit;
    double clipSeconds;
    int width;
    int height;
    const char* expected; // empty: accepted
};

TEST(FileEdit, CheckNamesTheWrongValue)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CheckCase cases[] = {
        { "nothing set", FileEdit {}, 10, 320, 240, "" },
        { "trim inside", Trim(1.5, 4.25), 10, 0, 0, "" },
        { "trim to the clip's end", Trim(0, 10), 10, 0, 0, "" },
        { "trim end only", Trim({}, 3), 10, 0, 0, "" },
        { "trim start only", Trim(9.999, {}), 10, 0, 0, "" },
        { "negative start", Trim(-1, 3), 10, 0, 0,
            "The trim start -1 s lies before the clip's beginning." },
        { "end before start", Trim(5, 3), 10, 0, 0,
            "The trim end 3 s is not after its start 5 s." },
        { "end equal to start", Trim(2.5, 2.5), 0, 0, 0,
            "The trim end 2.5 s is not after its start 2.5 s." },
        { "end past the clip", Trim(1, 12), 10, 0, 0,
            "The trim end 12 s lies past the clip's end (10 s)." },
        { "start past the clip", Trim(11, {}), 10, 0, 0,
            "The trim start 11 s lies past the clip's end (10 s)." },
        { "unknown length: only the order counts", Trim(100, 200), 0, 0, 0, "" },
        { "start not a number", Trim(nan, 3), 10, 0, 0,
            "The trim start (not a number) s lies before the clip's beginning." },
        { "crop inside", Crop(100, 50, 220, 190), 0, 320, 240, "" },
        { "crop the whole picture", Crop(320, 240, 0, 0), 0, 320, 240, "" },
        { "zero width", Crop(0, 10, 0, 0), 0, 320, 240,
            "The crop 0:10:0:0 is empty: its width and height must be 1 pixel or more." },
        { "zero height, size unknown", Crop(10, 0, 0, 0), 0, 0, 0,
            "The crop 10:0:0:0 is empty: its width and height must be 1 pixel or more." },
        { "one pixel too wide", Crop(100, 50, 221, 0), 0, 320, 240,
            "The crop 100:50:221:0 lies outside the 320x240 picture." },
        { "below the picture", Crop(10, 10, 0, 240), 0, 320, 240,
            "The crop 10:10:0:240 lies outside the 320x240 picture." },
        { "negative corner", Crop(10, 10, -1, 0), 0, 320, 240,
            "The crop 10:10:-1:0 starts outside the picture." },
        { "size unknown: any corner", Crop(10, 10, 5000, 5000), 0, 0, 0, "" },
        { "huge", Crop(20000, 10, 0, 0), 0, 0, 0,
            "The crop 20000:10:0:0 is larger than 16384 pixels." },
        { "slowest", Speed(0.25), 0, 0, 0, "" },
        { "fastest", Speed(4), 0, 0, 0, "" },
        { "too slow", Speed(0.2), 0, 0, 0, "The speed 0.2 is outside 0.25 to 4." },
        { "too fast", Speed(4.5), 0, 0, 0, "The speed 4.5 is outside 0.25 to 4." },
        { "speed zero", Speed(0), 0, 0, 0, "The speed 0 is outside 0.25 to 4." },
        { "speed not a number", Speed(nan), 0, 0, 0,
            "The speed (not a number) is outside 0.25 to 4." },
        { "caption", Caption("Hello"), 10, 0, 0, "" },
        { "two lines", Caption("one\ntwo"), 10, 0, 0, "" },
        { "right to left and CJK", Caption("שלום 世界 مرحبا"), 10, 0, 0, "" },
        { "three lines", Caption("a\nb\nc"), 0, 0, 0, "The caption has 3 lines; at most 2." },
        { "bell", Caption("ding\adong"), 0, 0, 0,
            "The caption holds the control character U+0007." },
        { "tab", Caption("a\tb"), 0, 0, 0, "The caption holds the control character U+0009." },
        { "C1 control", Caption("a\xC2\x85z"), 0, 0, 0,
            "The caption holds the control character U+0085." },
        { "not UTF-8", Caption("caf\xE9"), 0, 0, 0, "The caption is not UTF-8 text." },
        { "overlong UTF-8", Caption("\xC0\xAF"), 0, 0, 0, "The caption is not UTF-8 text." },
        { "cut UTF-8", Caption("\xE4\xB8"), 0, 0, 0, "The caption is not UTF-8 text." },
        { "200 characters", Caption(std::string(200, 'x')), 0, 0, 0, "" },
        { "200 CJK characters", Caption([] {
             std::string s;
             for (int i = 0; i < 200; ++i)
                 s += "\xE4\xB8\x96";
             return s;
         }()),
            0, 0, 0, "" },
        { "1000 characters", Caption(std::string(1000, 'x')), 0, 0, 0,
            "The caption has 1000 characters; at most 200 fit a frame." },
        { "caption times", Caption("x", 1, 2.5), 10, 0, 0, "" },
        { "caption end before start", Caption("x", 3, 2), 10, 0, 0,
            "The caption's end 2 s is not after its start 3 s." },
        { "caption start negative", Caption("x", -0.5, {}), 10, 0, 0,
            "The caption's start -0.5 s lies before the clip's beginning." },
        { "caption start past the clip", Caption("x", 12, {}), 10, 0, 0,
            "The caption's start 12 s lies past the clip's end (10 s)." },
    };
    for (const CheckCase& c : cases)
        EXPECT_EQ(CheckFileEdit(c.edit, c.clipSeconds, c.width, c.height), c.expected) << c.name;
}

TEST(FileEdit, ClipTimes)
{
    const struct
    {
        const char* text;
        std::optional<double> expected;
    } cases[] = {
        { "0", 0.0 },
        { "12", 12.0 },
        { "12.5", 12.5 },
        { "12.345", 12.345 },
        { "1:02", 62.0 },
        { "00:01:02.500", 62.5 },
        { "1:00:00", 3600.0 },
        { "12.3456", {} }, // finer than a millisecond
        { "", {} },
        { "-1", {} },
        { "+1", {} },
        { "1e3", {} },
        { "1:60", {} },
        { "1:60:00", {} },
        { "1:2:3:4", {} },
        { ":5", {} },
        { "1.2.3", {} },
        { "5 ", {} },
        { "inf", {} },
        { "nan", {} },
    };
    for (const auto& c : cases) {
        const auto value = ParseClipTime(c.text);
        ASSERT_EQ(value.has_value(), c.expected.has_value()) << c.text;
        if (value) {
            EXPECT_NEAR(*value, *c.expected, 1e-9) << c.text;
        }
    }
}

TEST(FileEdit, TrimForms)
{
    const struct
    {
        const char* text;
        bool ok;
        std::optional<double> start;
        std::optional<double> end;
    } cases[] = {
        { "1.5-4", true, 1.5, 4.0 },
        { "00:00:01.500-00:00:04", true, 1.5, 4.0 },
        { "5-", true, 5.0, {} },
        { "-12.5", true, {}, 12.5 },
        // The order of the values is CheckFileEdit's to judge.
        { "4-1", true, 4.0, 1.0 },
        { "-", false, {}, {} },
        { "", false, {}, {} },
        { "5", false, {}, {} },
        { "1-2-3", false, {}, {} },
        { "a-b", false, {}, {} },
        { "1--2", false, {}, {} },
    };
    for (const auto& c : cases) {
        std::optional<double> start = 99.0, end = 99.0;
        EXPECT_EQ(ParseTrim(c.text, &start, &end), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(start, c.start) << c.text;
            EXPECT_EQ(end, c.end) << c.text;
        }
    }
}

TEST(FileEdit, CropAndSpeedForms)
{
    EXPECT_EQ(ParseCrop("320:240:10:20"), (CropRect { 320, 240, 10, 20 }));
    EXPECT_EQ(ParseCrop("0:0:0:0"), (CropRect { 0, 0, 0, 0 })); // refused by the check
    for (const char* bad : { "", "320:240:10", "320:240:10:20:5", "320x240", "-1:2:3:4",
             "1:2:3:", "1.5:2:3:4", "9999999:1:1:1", " 1:2:3:4" })
        EXPECT_FALSE(ParseCrop(bad).has_value()) << bad;

    EXPECT_EQ(ParseSpeed("2"), 2.0);
    EXPECT_EQ(ParseSpeed("0.5"), 0.5);
    EXPECT_EQ(ParseSpeed("1.5x"), 1.5);
    for (const char* bad : { "", "x", "-2", "two", "1e1", "2 ", "nan" })
        EXPECT_FALSE(ParseSpeed(bad).has_value()) << bad;
}

TEST(FileEdit, FormatsAndDescriptions)
{
    EXPECT_EQ(FormatClipTime(0), "0");
    EXPECT_EQ(FormatClipTime(12.5), "12.5");
    EXPECT_EQ(FormatClipTime(1.0 / 3.0), "0.333");
    EXPECT_EQ(FormatClipTime(62.0005), "62.001");

    EXPECT_EQ(DescribeFileEdit(FileEdit {}), "");
    FileEdit e;
    e.TrimStart = 1.5;
    e.TrimEnd = 4;
    e.Crop = CropRect { 320, 240, 10, 20 };
    e.Speed = 2;
    e.Order = FrameOrder::Bounce;
    e.Caption = "Hi\nthere";
    e.CaptionAt = CaptionPlace::Top;
    e.CaptionTo = 3;
    EXPECT_EQ(DescribeFileEdit(e),
        "trim 1.5-4 s, crop 320x240 at 10,20, speed 2x, bounce, caption \"Hi / there\" (top, to 3 "
        "s)");
    EXPECT_EQ(DescribeFileEdit(Trim(2, {})), "trim from 2 s");
}

} // namespace
