#include "tools/imgconv/FrameDiffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace imgconv {

namespace {

    constexpr int kMostActivity = 3 * 255; // the largest contrast between two pixels

    bool Opaque(const uint8_t* pixel)
    {
        return pixel[3] >= 128;
    }

    constexpr uint8_t kKept = 0;
    constexpr uint8_t kChanged = 1;
    constexpr uint8_t kUndecided = 2;

    // Sorts a row's pixels by their distance alone: the pixels between the two limits
    // need a look at their neighbours. Written for the compiler to vectorise: every pixel
    // of a moving scene goes through it.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
    __attribute__((target_clones("avx2", "default")))
#endif
    void
    ClassifyRow(
        const uint8_t* now, const uint8_t* shown, int width, int lowest, int highest, uint8_t* code)
    {
        for (int x = 0; x < width; ++x) {
            const uint8_t* s = now + x * 4;
            const uint8_t* h = shown + x * 4;
            const int dr = s[0] - h[0];
            const int dg = s[1] - h[1];
            const int db = s[2] - h[2];
            const int distance = dr * dr * 2 + dg * dg * 4 + db * db * 3;
            const bool sourceOpaque = s[3] >= 128;
            const bool shownOpaque = h[3] >= 128;
            const uint8_t byDistance
                = distance > highest ? kChanged : (distance > lowest ? kUndecided : kKept);
            code[x] = sourceOpaque ? (shownOpaque ? byDistance : kChanged) : kKept;
        }
    }

} // namespace

FrameDiffer::FrameDiffer(int width, int height, const QuantizeSettings& settings)
    : m_width(width)
    , m_height(height)
    , m_settings(settings)
    , m_shown(static_cast<size_t>(width) * height * 4, 0)
    , m_changed(static_cast<size_t>(width) * height, 0)
{ }

int FrameDiffer::Limit(const uint8_t* now, int x, int y) const
{
    // Changes hide in texture and noise but show on smooth areas, where banding and stale
    // patches catch the eye: the still threshold grows with the local contrast.
    const size_t i = static_cast<size_t>(y) * m_width + x;
    auto contrast = [&](size_t other) {
        const uint8_t* p = now + i * 4;
        const uint8_t* q = now + other * 4;
        return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
    };
    int activity = 0;
    if (x > 0)
        activity = std::max(activity, contrast(i - 1));
    if (x + 1 < m_width)
        activity = std::max(activity, contrast(i + 1));
    if (y > 0)
        activity = std::max(activity, contrast(i - m_width));
    if (y + 1 < m_height)
        activity = std::max(activity, contrast(i + m_width));
    return LimitFor(activity);
}

int FrameDiffer::LimitFor(int activity) const
{
    const float threshold = std::min(static_cast<float>(m_settings.stillThreshold),
        m_settings.stillBase + m_settings.stillGain * static_cast<float>(activity) / 3.0f);
    return static_cast<int>(threshold * threshold * 9.0f);
}

FrameJob FrameDiffer::EmptyJob()
{
    FrameJob job;
    job.rect = Rect { 0, 0, 1, 1 };
    job.rgba.assign(4, 0);
    return job;
}

int FrameDiffer::Distance(const uint8_t* a, const uint8_t* b)
{
    const int dr = a[0] - b[0];
    const int dg = a[1] - b[1];
    const int db = a[2] - b[2];
    return dr * dr * 2 + dg * dg * 4 + db * db * 3;
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

    // The limit lies between these, and costs a look at the neighbours: most pixels of a
    // still scene are decided without it.
    const int lowest = LimitFor(0);
    const int highest = LimitFor(kMostActivity);
    int left = m_width, right = -1, top = m_height, bottom = -1;
    for (int y = 0; y < m_height; ++y) {
        const size_t rowStart = static_cast<size_t>(y) * m_width;
        uint8_t* code = &m_changed[rowStart];
        ClassifyRow(now + rowStart * 4, &m_shown[rowStart * 4], m_width, lowest, highest, code);
        int first = -1, last = -1;
        for (int x = 0; x < m_width; ++x) {
            if (code[x] == kKept)
                continue;
            if (code[x] == kUndecided) {
                const size_t i = rowStart + x;
                code[x]
                    = Distance(now + i * 4, &m_shown[i * 4]) > Limit(now, x, y) ? kChanged : kKept;
                if (code[x] == kKept)
                    continue;
            }
            if (first < 0)
                first = x;
            last = x;
        }
        if (first >= 0) {
            left = std::min(left, first);
            right = std::max(right, last);
            top = std::min(top, y);
            bottom = y;
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
            if (m_changed[row + x]) {
                std::copy_n(now + (row + x) * 4, 4, out + x * 4);
                std::copy_n(now + (row + x) * 4, 4, &m_shown[(row + x) * 4]);
            }
        }
    }
    m_previousRect = rect;
    return change;
}

} // namespace imgconv
