#include "tools/imgconv/LossyLzw.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

namespace imgconv {

namespace {

    constexpr int kMaxCode = 4095; // giflib clears the dictionary when this many are in use
    constexpr int kNone = -1;

    // The dictionary's exact entries, (code, pixel) -> code, as an open-addressing table
    // small enough to stay in the processor's cache. A slot holds key << 12 | code.
    class ChildTable
    {
    public:
        ChildTable() { Clear(); }

        void Clear() { std::fill(std::begin(m_slots), std::end(m_slots), kEmpty); }

        int Find(int code, int pixel) const
        {
            const uint32_t key = Key(code, pixel);
            for (uint32_t at = Hash(key);; at = (at + 1) & kMask) {
                const uint32_t slot = m_slots[at];
                if (slot == kEmpty)
                    return 0;
                if (slot >> 12 == key)
                    return static_cast<int>(slot & 0xfff);
            }
        }

        void Add(int code, int pixel, int child)
        {
            const uint32_t key = Key(code, pixel);
            uint32_t at = Hash(key);
            while (m_slots[at] != kEmpty)
                at = (at + 1) & kMask;
            m_slots[at] = key << 12 | static_cast<uint32_t>(child);
        }

    private:
        // Codes stay below 4095, so no key is all ones.
        static constexpr uint32_t kEmpty = 0xffffffffu;
        static constexpr uint32_t kSize = 16384; // four times the most entries
        static constexpr uint32_t kMask = kSize - 1;

        static uint32_t Key(int code, int pixel)
        {
            return static_cast<uint32_t>(code) << 8 | static_cast<uint32_t>(pixel);
        }
        static uint32_t Hash(uint32_t key) { return (key * 2654435761u) >> 18; }

        uint32_t m_slots[kSize];
    };

} // namespace

void ReduceForLzw(IndexedFrame& frame, int tolerance)
{
    if (tolerance <= 0 || frame.indices.size() < 2)
        return;
    const int colours = static_cast<int>(frame.palette.size() / 3);
    int bits = 2;
    while ((1 << bits) < colours)
        ++bits;
    const int eofCode = (1 << bits) + 1;

    // Weighted squared distances between palette entries, capped (only those within the
    // limit matter), and the most a swap may cost.
    const int limit = std::min(tolerance * tolerance * 9, 65534);
    std::vector<uint16_t> distance(static_cast<size_t>(colours) * colours);
    for (int a = 0; a < colours; ++a) {
        for (int b = 0; b < colours; ++b) {
            const int dr = frame.palette[a * 3] - frame.palette[b * 3];
            const int dg = frame.palette[a * 3 + 1] - frame.palette[b * 3 + 1];
            const int db = frame.palette[a * 3 + 2] - frame.palette[b * 3 + 2];
            distance[static_cast<size_t>(a) * colours + b]
                = static_cast<uint16_t>(std::min(dr * dr * 2 + dg * dg * 4 + db * db * 3, 65535));
        }
    }
    const int transparent = frame.transparentIndex;

    // The dictionary as a tree: exact children in the table, and each code's children as a
    // list for the search of a close one.
    auto child = std::make_unique<ChildTable>();
    std::vector<int16_t> firstChild(kMaxCode + 1, kNone);
    std::vector<int16_t> nextSibling(kMaxCode + 1, kNone);
    std::vector<uint8_t> lastPixel(kMaxCode + 1, 0);
    int running = eofCode + 1;

    uint8_t* pixels = frame.indices.data();
    const size_t count = frame.indices.size();
    int current = pixels[0];
    for (size_t i = 1; i < count; ++i) {
        const int pixel = pixels[i];
        const int exact = child->Find(current, pixel);
        if (exact != 0) {
            current = exact;
            continue;
        }
        if (pixel != transparent) {
            int best = kNone;
            int bestDistance = limit + 1;
            const uint16_t* toPixel = &distance[static_cast<size_t>(pixel) * colours];
            for (int c = firstChild[current]; c != kNone; c = nextSibling[c]) {
                const int candidate = lastPixel[c];
                if (candidate == transparent)
                    continue;
                // The table is symmetric: one row serves every candidate.
                const int d = toPixel[candidate];
                if (d < bestDistance) {
                    bestDistance = d;
                    best = c;
                }
            }
            if (best != kNone) {
                pixels[i] = lastPixel[best];
                current = best;
                continue;
            }
        }
        // The string ends here: the encoder writes it and starts a new one at this pixel.
        if (running >= kMaxCode) {
            child->Clear();
            std::fill(firstChild.begin(), firstChild.end(), kNone);
            running = eofCode + 1;
        } else {
            child->Add(current, pixel, running);
            lastPixel[running] = static_cast<uint8_t>(pixel);
            nextSibling[running] = firstChild[current];
            firstChild[current] = static_cast<int16_t>(running);
            ++running;
        }
        current = pixel;
    }
}

} // namespace imgconv
