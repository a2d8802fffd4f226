#include "tools/imgconv/FrameRemapper.h"

#include <algorithm>
#include <climits>

namespace imgconv {

namespace {

    // The colour distance of the rest of the tool (the differ, the lossy LZW): green counts
    // most, red least.
    constexpr int kWeightR = 2;
    constexpr int kWeightG = 4;
    constexpr int kWeightB = 3;

    // Error carried into a pixel beyond this is noise of its own: streaks from a colour
    // the palette lacks.
    constexpr float kMostError = 40.0f;

    // Dithering hides banding on smooth areas; in busy ones its noise only costs bytes, and
    // the eye does not miss it. A pixel counts as smooth by how many of its neighbours are
    // within this distance (about two levels) of it, and busy ones keep this share.
    constexpr int kFlatDistance = 20;
    constexpr float kBusyShare = 0.35f;

    int Gap(int value, int low, int high)
    {
        return value < low ? low - value : (value > high ? value - high : 0);
    }

    int Far(int value, int low, int high)
    {
        return std::max(value - low, high - value);
    }

    uint8_t ToLevel(float value)
    {
        // Never negative here.
        return static_cast<uint8_t>(std::min(static_cast<int>(value + 0.5f), 255));
    }

} // namespace

FrameRemapper::FrameRemapper(
    const std::vector<uint8_t>& palette, const std::vector<bool>& usable, int transparent)
    : m_palette(palette)
    , m_transparent(transparent < 0 ? 0 : transparent)
    , m_cellStart(static_cast<size_t>(kCellsPerSide) * kCellsPerSide * kCellsPerSide, -1)
{
    const int count = static_cast<int>(std::min(palette.size() / 3, usable.size()));
    for (int i = 0; i < count; ++i) {
        if (usable[static_cast<size_t>(i)])
            m_entries.push_back(
                Entry { palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2], i });
    }
    m_nearBox.resize(m_entries.size());
}

void FrameRemapper::BuildCell(int cell)
{
    const int lowR = (cell / (kCellsPerSide * kCellsPerSide)) << kCellBits;
    const int lowG = (cell / kCellsPerSide % kCellsPerSide) << kCellBits;
    const int lowB = (cell % kCellsPerSide) << kCellBits;
    const int side = (1 << kCellBits) - 1;
    // An entry can be nearest somewhere in the cube only if its least distance to the cube
    // is within the greatest distance of the entry that is closest at its far corner.
    int bound = INT_MAX;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        const int gr = Gap(e.r, lowR, lowR + side);
        const int gg = Gap(e.g, lowG, lowG + side);
        const int gb = Gap(e.b, lowB, lowB + side);
        m_nearBox[i] = kWeightR * gr * gr + kWeightG * gg * gg + kWeightB * gb * gb;
        const int fr = Far(e.r, lowR, lowR + side);
        const int fg = Far(e.g, lowG, lowG + side);
        const int fb = Far(e.b, lowB, lowB + side);
        bound = std::min(bound, kWeightR * fr * fr + kWeightG * fg * fg + kWeightB * fb * fb);
    }
    m_order.clear();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_nearBox[i] <= bound)
            m_order.push_back(static_cast<uint16_t>(i));
    }
    // Closest to the cube first: the search ends at the first entry that cannot beat the
    // best so far.
    std::stable_sort(m_order.begin(), m_order.end(),
        [&](uint16_t a, uint16_t b) { return m_nearBox[a] < m_nearBox[b]; });
    m_cellStart[static_cast<size_t>(cell)] = static_cast<int32_t>(m_lists.size());
    m_lists.push_back(Candidate { static_cast<int>(m_order.size()), 0, 0, 0, 0 });
    for (uint16_t i : m_order) {
        const Entry& e = m_entries[i];
        m_lists.push_back(Candidate { m_nearBox[i], e.r, e.g, e.b, e.index });
    }
}

const FrameRemapper::Candidate* FrameRemapper::Candidates(int r, int g, int b)
{
    const int cell
        = ((r >> kCellBits) * kCellsPerSide + (g >> kCellBits)) * kCellsPerSide + (b >> kCellBits);
    if (m_cellStart[static_cast<size_t>(cell)] < 0)
        BuildCell(cell);
    return &m_lists[static_cast<size_t>(m_cellStart[static_cast<size_t>(cell)])];
}

int FrameRemapper::Nearest(int r, int g, int b)
{
    if (m_entries.empty())
        return m_transparent;
    const Candidate* list = Candidates(r, g, b);
    const int count = list[0].lowest;
    int best = list[1].index;
    int bestDistance = INT_MAX;
    for (int k = 1; k <= count; ++k) {
        const Candidate& c = list[k];
        if (c.lowest > bestDistance)
            break;
        const int dr = c.r - r;
        const int dg = c.g - g;
        const int db = c.b - b;
        const int d = kWeightR * dr * dr + kWeightG * dg * dg + kWeightB * db * db;
        // Ties go to the lower index, whatever the order of the list.
        if (d < bestDistance || (d == bestDistance && c.index < best)) {
            bestDistance = d;
            best = c.index;
        }
    }
    return best;
}

void FrameRemapper::MoveToMeans(const std::vector<uint64_t>& sums)
{
    // One step of k-means over the whole picture: each entry moves to the mean of the
    // pixels it got, which the palette search (made on a histogram) only approximates.
    bool moved = false;
    for (Entry& e : m_entries) {
        const uint64_t* sum = &sums[static_cast<size_t>(e.index) * 4];
        if (sum[3] == 0)
            continue;
        const auto mean = [&](int c) { return static_cast<int>((sum[c] + sum[3] / 2) / sum[3]); };
        const int r = mean(0), g = mean(1), b = mean(2);
        if (r != e.r || g != e.g || b != e.b) {
            e.r = r;
            e.g = g;
            e.b = b;
            uint8_t* colour = &m_palette[static_cast<size_t>(e.index) * 3];
            colour[0] = static_cast<uint8_t>(r);
            colour[1] = static_cast<uint8_t>(g);
            colour[2] = static_cast<uint8_t>(b);
            moved = true;
        }
    }
    if (moved) {
        std::fill(m_cellStart.begin(), m_cellStart.end(), -1);
        m_lists.clear();
    }
}

void FrameRemapper::Remap(
    const uint8_t* rgba, int width, int height, float strength, bool refine, uint8_t* out)
{
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (refine && !m_entries.empty()) {
        std::vector<uint64_t> sums(m_palette.size() / 3 * 4, 0);
        int lastColour = -1;
        int lastIndex = 0;
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t* p = rgba + i * 4;
            if (p[3] < 128)
                continue;
            const int colour = p[0] << 16 | p[1] << 8 | p[2];
            if (colour != lastColour) {
                lastColour = colour;
                lastIndex = Nearest(p[0], p[1], p[2]);
            }
            uint64_t* sum = &sums[static_cast<size_t>(lastIndex) * 4];
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
            ++sum[3];
        }
        MoveToMeans(sums);
    }

    // Per pixel of a row: the strength of its dithering, from how many of its neighbours
    // have nearly its colour.
    const float busy = strength * kBusyShare;
    const float perSame = strength * (1.0f - kBusyShare);
    std::vector<float> share(static_cast<size_t>(width));
    auto shares = [&](int y) {
        const uint8_t* row = rgba + static_cast<size_t>(y) * width * 4;
        const size_t stride = static_cast<size_t>(width) * 4;
        for (int x = 0; x < width; ++x) {
            const uint8_t* here = row + static_cast<size_t>(x) * 4;
            int same = 0;
            int around = 0;
            // See-through neighbours are not part of the picture: they do not count.
            const auto look = [&](const uint8_t* other) {
                if (other[3] < 128)
                    return;
                const int dr = here[0] - other[0];
                const int dg = here[1] - other[1];
                const int db = here[2] - other[2];
                ++around;
                same += kWeightR * dr * dr + kWeightG * dg * dg + kWeightB * db * db
                    <= kFlatDistance;
            };
            if (x > 0)
                look(here - 4);
            if (x + 1 < width)
                look(here + 4);
            if (y > 0)
                look(here - stride);
            if (y + 1 < height)
                look(here + stride);
            share[static_cast<size_t>(x)] = around
                ? busy + perSame * static_cast<float>(same) / static_cast<float>(around)
                : strength;
        }
    };

    // Error of this row and the next, one pixel of margin on each side.
    const size_t rowFloats = (static_cast<size_t>(width) + 2) * 3;
    std::vector<float> here(rowFloats, 0.0f);
    std::vector<float> below(rowFloats, 0.0f);
    for (int y = 0; y < height; ++y) {
        shares(y);
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        for (int n = 0; n < width; ++n) {
            const int x = forward ? n : width - 1 - n;
            const size_t i = static_cast<size_t>(y) * width + x;
            const uint8_t* p = rgba + i * 4;
            if (p[3] < 128) {
                out[i] = static_cast<uint8_t>(m_transparent);
                continue;
            }
            const float* e = &here[static_cast<size_t>(x + 1) * 3];
            const float r = std::clamp(p[0] + e[0], 0.0f, 255.0f);
            const float g = std::clamp(p[1] + e[1], 0.0f, 255.0f);
            const float b = std::clamp(p[2] + e[2], 0.0f, 255.0f);
            const int index = Nearest(ToLevel(r), ToLevel(g), ToLevel(b));
            out[i] = static_cast<uint8_t>(index);
            const uint8_t* chosen = &m_palette[static_cast<size_t>(index) * 3];
            const float k = share[static_cast<size_t>(x)];
            const float residual[3] = {
                std::clamp((r - chosen[0]) * k, -kMostError, kMostError),
                std::clamp((g - chosen[1]) * k, -kMostError, kMostError),
                std::clamp((b - chosen[2]) * k, -kMostError, kMostError),
            };
            float* ahead = &here[static_cast<size_t>(x + step + 1) * 3];
            float* under = &below[static_cast<size_t>(x + 1) * 3];
            float* underBehind = &below[static_cast<size_t>(x - step + 1) * 3];
            float* underAhead = &below[static_cast<size_t>(x + step + 1) * 3];
            for (int c = 0; c < 3; ++c) {
                ahead[c] += residual[c] * (7.0f / 16);
                underBehind[c] += residual[c] * (3.0f / 16);
                under[c] += residual[c] * (5.0f / 16);
                underAhead[c] += residual[c] * (1.0f / 16);
            }
        }
        std::swap(here, below);
        std::fill(below.begin(), below.end(), 0.0f);
    }
}

} // namespace imgconv
