#pragma once

#include "tools/imgconv/IndexedFrame.h"
#include "tools/imgconv/PngFrame.h"

#include <vector>

namespace imgconv {

struct FrameChange
{
    bool unchanged = false; // nothing visible changed: the frame merges into the one before
    bool clearPrevious = false; // the previous frame must be disposed to background first
    FrameJob job; // the changed rectangle, unchanged pixels transparent
};

// Keeps the picture a viewer shows (as source colours) and turns each new frame into the
// smallest rectangle that brings it up to date. Pixels whose colour moved by no more than
// the still threshold keep what is shown, which both shrinks the GIF and stops noise and
// dithering from flickering in still areas.
class FrameDiffer
{
public:
    FrameDiffer(int width, int height, int stillThreshold);

    FrameChange Next(const RgbaImage& frame);

    // A job that changes nothing, for a frame whose delay no longer fits the one before.
    static FrameJob EmptyJob();
    // Tells that an unchanged frame was written after all, as EmptyJob().
    void EmptyJobWritten();

private:
    bool Changed(const uint8_t* now, const uint8_t* shown) const;

    int m_width;
    int m_height;
    int m_limit; // squared weighted distance above which a pixel counts as changed
    std::vector<uint8_t> m_shown;
    Rect m_previousRect;
};

} // namespace imgconv
