#include "tools/imgconv/FrameDiffer.h"

#include <algorithm>

namespace imgconv {

namespace {

    bool Opaque(const uint8_t* pixel) { return pixel[3] >= 128; }

} // namespace

FrameDiffer::FrameDiffer(int width, int height, int stillThreshold)
    : m_width(width)
    , m_height(height)
    , m_limit(stillThreshold * stillThreshold * 9)
    , m_shown(static_cast<size_t>(width) * height * 4, 0)
{
}

FrameJob FrameDiffer::EmptyJob()
{
    FrameJob job;
    job.rect = Rect { 0, 0, 1, 1 };
    job.rgba.assign(4, 0);
    return job;
}

bool FrameDiffer::Changed(const uint8_t* now, const uint8_t* shown) const
{
    if (!Opaque(now))
        return false;
    if (!Opaque(shown))
        return true;
    const int dr = now[0] - shown[0];
    const int dg = now[1] - shown[1];
    const int db = now[2] - shown[2];
    return dr * dr * 2 + dg * dg * 4 + db * db * 3 > m_limit;
}

void FrameDiffer::EmptyJobWritten()
{
    m_previousRect = EmptyJob().rect;
}

FrameChange FrameDiffer::Next(const RgbaImage& frame)
{
    FrameChange change;
    const size_t pixels = static_cast<size_t>(m_width) * m_height;
    const uint8_t* now = frame.pixels.data();

    // A pixel that turns transparent cannot be drawn over what is shown: the previous
    // frame's rectangle is cleared instead, and everything visible in it drawn again.
    for (size_t i = 0; i < pixels; ++i) {
        if (!Opaque(now + i * 4) && Opaque(&m_shown[i * 4])) {
            change.clearPrevious = true;
            break;
        }
    }
    if (change.clearPrevious) {
        const Rect& r = m_previousRect;
        for (int y = r.y; y < r.y + r.height; ++y) {
            std::fill_n(&m_shown[(static_cast<size_t>(y) * m_width + r.x) * 4],
                static_cast<size_t>(r.width) * 4, uint8_t { 0 });
        }
    }

    int left = m_width, right = -1, top = m_height, bottom = -1;
    for (int y = 0; y < m_height; ++y) {
        const size_t row = static_cast<size_t>(y) * m_width;
        for (int x = 0; x < m_width; ++x) {
            if (Changed(now + (row + x) * 4, &m_shown[(row + x) * 4])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        change.unchanged = !change.clearPrevious;
        change.job = EmptyJob();
        if (!change.unchanged)
            m_previousRect = change.job.rect;
        return change;
    }

    Rect& rect = change.job.rect;
    rect = Rect { left, top, right - left + 1, bottom - top + 1 };
    change.job.rgba.assign(static_cast<size_t>(rect.width) * rect.height * 4, 0);
    for (int y = 0; y < rect.height; ++y) {
        const size_t row = static_cast<size_t>(y + rect.y) * m_width + rect.x;
        uint8_t* out = &change.job.rgba[static_cast<size_t>(y) * rect.width * 4];
        for (int x = 0; x < rect.width; ++x) {
            const uint8_t* source = now + (row + x) * 4;
            uint8_t* shown = &m_shown[(row + x) * 4];
            if (Changed(source, shown)) {
                out[x * 4] = source[0];
                out[x * 4 + 1] = source[1];
                out[x * 4 + 2] = source[2];
                out[x * 4 + 3] = 255;
                std::copy_n(out + x * 4, 4, shown);
            }
        }
    }
    m_previousRect = rect;
    return change;
}

} // namespace imgconv
