#pragma once

#include <QString>

// What the edit dialog knows of a clip, read from the row's media information
// ("0:00:10, 640x480, 25 fps, H.264, AAC stereo"). Unknown values stay at 0.
struct ClipFacts
{
    // The description rounds to whole seconds: the clip may run up to half a
    // second longer than this.
    double Duration = 0.0;
    int Width = 0;
    int Height = 0;
    double FrameRate = 0.0;

    // The rate the dialog steps by: the clip's, or 25 when it is not known.
    double StepRate() const { return FrameRate > 0 ? FrameRate : 25.0; }
    // The longest the clip may be, or 0 when that is not known.
    double LongestDuration() const { return Duration > 0 ? Duration + 0.5 : 0.0; }
    // How many frames the slider offers: the clip's, or ten minutes' worth
    // when its length is not known.
    int FrameCount() const;
    // Where frame `frame` begins, in whole milliseconds at or before its time,
    // so that a tool starting there takes that very frame first.
    double FrameStart(int frame) const;
    // The frame shown at `seconds`.
    int FrameAt(double seconds) const;
};

ClipFacts ParseClipFacts(const QString& description);

// "0:01:02.345" for 62.345 seconds.
QString ClipTimeText(double seconds);
