#pragma once

#include <optional>
#include <string>

// How one file's frames are put in order in its GIF.
enum class FrameOrder
{
    Forward,
    Reverse,
    Bounce, // forward then back, the two turning frames shown once
};

enum class CaptionPlace
{
    Top,
    Bottom,
};

// A rectangle in the video's displayed pixels (after its display rotation).
struct CropRect
{
    int Width = 0;
    int Height = 0;
    int X = 0;
    int Y = 0;
    bool operator==(const CropRect&) const = default;
};

// What a person set for one file of the list: it lives beside the list row and
// never in the settings file. A default-constructed edit changes nothing.
struct FileEdit
{
    // Seconds; when set they replace the settings' Start and End for this file.
    std::optional<double> TrimStart;
    std::optional<double> TrimEnd;
    std::optional<CropRect> Crop;
    double Speed = 1.0; // 0.25 to 4
    FrameOrder Order = FrameOrder::Forward;
    std::string Caption; // UTF-8, one or two lines; empty for none
    CaptionPlace CaptionAt = CaptionPlace::Bottom;
    // Seconds of the clip; unset shows the caption throughout.
    std::optional<double> CaptionFrom;
    std::optional<double> CaptionTo;

    bool operator==(const FileEdit&) const = default;
    bool IsEmpty() const { return *this == FileEdit {}; }
};

inline constexpr double kMinSpeed = 0.25;
inline constexpr double kMaxSpeed = 4.0;
// Characters (not bytes) of a caption, both lines together: more would not fit a frame.
inline constexpr int kMaxCaptionCharacters = 200;

// Checks every value of `edit`, the way the settings table checks a field: an empty text
// when the edit can be used, else one sentence naming the value that is wrong. Checks
// against the clip need what is known of it: `clipSeconds` (its length) and the displayed
// size are skipped when 0 or less.
std::string CheckFileEdit(
    const FileEdit& edit, double clipSeconds = 0, int displayWidth = 0, int displayHeight = 0);

// --- The typed forms (the console program's options, the edit dialog's fields) ---

// A time of the clip: seconds ("12", "12.345") or [[HH:]MM:]SS[.mmm] ("00:01:02.500"),
// to the millisecond. Nothing for any other text, a negative or a non-finite one.
std::optional<double> ParseClipTime(const std::string& text);
// "START-END", either side a clip time; one side may be left out ("5-", "-12.5") for the
// clip's beginning or end. Only the form is checked here; CheckFileEdit checks the values.
bool ParseTrim(const std::string& text, std::optional<double>* start, std::optional<double>* end);
// "W:H:X:Y" in whole pixels, none negative.
std::optional<CropRect> ParseCrop(const std::string& text);
// A plain number, "2" or "0.5", optionally followed by 'x' ("1.5x"). The range is
// CheckFileEdit's.
std::optional<double> ParseSpeed(const std::string& text);

// A clip time as the tools take it: seconds with up to three decimals ("12.5", "3").
std::string FormatClipTime(double seconds);
// One line naming each part of the edit that is set, for a list row's tooltip and the
// console's messages: "trim 1.5-4 s, crop 320x240 at 10,20, speed 2x, bounce, caption "Hi"
// (top)". Empty for an empty edit.
std::string DescribeFileEdit(const FileEdit& edit);
