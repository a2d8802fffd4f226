#pragma once

#include "tools/imgconv/IndexedFrame.h"
#include "tools/imgconv/PngFrame.h"
#include "tools/imgconv/QuantizeSettings.h"

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
    FrameDiffer(int width, int height, const QuantizeSettings& settings);

    FrameChange Next(const RgbaImage& frame);

    // A job that changes nothing, for a frame whose delay no longer fits the one before.
    static FrameJob EmptyJob();
    // Tells that an unchanged frame was written after all, as EmptyJob().
    void EmptyJobWritten();

private:
    static int Distance(const uint8_t* a, const uint8_t* b);
    // The squared weighted distance that counts as noise at a pixel of the new frame.
    int Limit(const uint8_t* now, int x, int y) const;
    int LimitFor(int activity) const;

    int m_width;
    int m_height;
    QuantizeSettings m_settings;
    std::vector<uint8_t> m_shown;
    std::vector<uint8_t> m_changed; // per pixel: whether it must be drawn
    Rect m_previousRect;
};

} // namespace imgconv
