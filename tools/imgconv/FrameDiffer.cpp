#include "tools/imgconv/FrameDiffer.h"

#include <algorithm>
#include <cstdlib>

namespace imgconv {

namespace {

    bool Opaque(const uint8_t* pixel)
    {
        return pixel[3] >= 128;
    }

} // namespace

FrameDiffer::FrameDiffer(int width, int height, const QuantizeSettings& settings)
    : m_width(width)
    , m_height(height)
    , m_settings(settings)
    , m_shown(static_cast<size_t>(width) * height * 4, 0)
    , m_limits(static_cast<size_t>(width) * height, 0)
    , m_sum(static_cast<size_t>(width) * height * 3, 0)
    , m_count(static_cast<size_t>(width) * height, 0)
    , m_target(static_cast<size_t>(width) * height * 4, 0)
    , m_changed(static_cast<size_t>(width) * height, 0)
{ }

void FrameDiffer::ComputeLimits(const uint8_t* now)
{
    // Changes hide in texture and noise but show on smooth areas, where banding and stale
    // patches catch the eye: the still threshold grows with the local contrast.
    const float base = m_settings.stillBase;
    const float cap = static_cast<float>(m_settings.stillThreshold);
    const float gain = m_settings.stillGain;
    auto contrast = [&](size_t a, size_t b) {
        const uint8_t* p = now + a * 4;
        const uint8_t* q = now + b * 4;
        return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
    };
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const size_t i = static_cast<size_t>(y) * m_width + x;
            int activity = 0;
            if (x > 0)
                activity = std::max(activity, contrast(i, i - 1));
            if (x + 1 < m_width)
                activity = std::max(activity, contrast(i, i + 1));
            if (y > 0)
                activity = std::max(activity, contrast(i, i - m_width));
            if (y + 1 < m_height)
                activity = std::max(activity, contrast(i, i + m_width));
            const float threshold
                = std::min(cap, base + gain * static_cast<float>(activity) / 3.0f);
            m_limits[i] = static_cast<int>(threshold * threshold * 9.0f);
        }
    }
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

    ComputeLimits(now);
    const int windowFrames = std::max(1, std::min(m_settings.denoiseFrames, 64));
    int left = m_width, right = -1, top = m_height, bottom = -1;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const size_t i = static_cast<size_t>(y) * m_width + x;
            const uint8_t* source = now + i * 4;
            uint8_t* target = &m_target[i * 4];
            m_changed[i] = 0;
            if (!Opaque(source)) {
                m_count[i] = 0;
                continue;
            }
            // Temporal denoising: while a pixel stays within the noise limit of its recent
            // mean, the mean is what is shown; a larger step starts a new run.
            uint16_t* sum = &m_sum[i * 3];
            int count = m_count[i];
            uint8_t mean[3];
            if (count > 0) {
                for (int c = 0; c < 3; ++c)
                    mean[c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
            }
            if (count > 0 && Distance(source, mean) <= m_limits[i]) {
                if (count == windowFrames) {
                    for (int c = 0; c < 3; ++c)
                        sum[c] = static_cast<uint16_t>(sum[c] - mean[c]);
                    --count;
                }
                ++count;
                for (int c = 0; c < 3; ++c) {
                    sum[c] = static_cast<uint16_t>(sum[c] + source[c]);
                    target[c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
                }
            } else {
                count = 1;
                for (int c = 0; c < 3; ++c)
                    target[c] = static_cast<uint8_t>(sum[c] = source[c]);
            }
            m_count[i] = static_cast<uint8_t>(count);
            target[3] = 255;
            const uint8_t* shown = &m_shown[i * 4];
            if (!Opaque(shown) || Distance(target, shown) > m_limits[i]) {
                m_changed[i] = 1;
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
            if (m_changed[row + x]) {
                std::copy_n(&m_target[(row + x) * 4], 4, out + x * 4);
                std::copy_n(&m_target[(row + x) * 4], 4, &m_shown[(row + x) * 4]);
            }
        }
    }
    m_previousRect = rect;
    return change;
}

} // namespace imgconv
