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
