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

    // Packs codes into bytes, low bits first, and bytes into sub-blocks of up to 255, with
    // giflib's rules for when codes grow a bit.
    class CodeWriter
    {
    public:
        CodeWriter(std::vector<uint8_t>& out, int bits)
            : m_out(out)
        {
            ResetWidth(bits);
        }

        void ResetWidth(int bits)
        {
            m_bits = bits + 1;
            m_limit = 1 << m_bits;
        }

        // `running` is the next code the dictionary will give out.
        void Put(int code, int running)
        {
            m_word |= static_cast<uint32_t>(code) << m_shift;
            m_shift += m_bits;
            while (m_shift >= 8) {
                PutByte(static_cast<uint8_t>(m_word));
                m_word >>= 8;
                m_shift -= 8;
            }
            if (running >= m_limit && code <= kMaxCode)
                m_limit = 1 << ++m_bits;
        }

        void Finish()
        {
            while (m_shift > 0) {
                PutByte(static_cast<uint8_t>(m_word));
                m_word >>= 8;
                m_shift -= 8;
            }
            if (m_blockStart != kNoBlock)
                m_out[m_blockStart] = static_cast<uint8_t>(m_out.size() - m_blockStart - 1);
        }

    private:
        static constexpr size_t kNoBlock = static_cast<size_t>(-1);

        void PutByte(uint8_t byte)
        {
            if (m_blockStart == kNoBlock) {
                m_blockStart = m_out.size();
                m_out.push_back(0);
            }
            m_out.push_back(byte);
            if (m_out.size() - m_blockStart - 1 == 255) {
                m_out[m_blockStart] = 255;
                m_blockStart = kNoBlock;
            }
        }

        std::vector<uint8_t>& m_out;
        int m_bits = 0;
        int m_limit = 0;
        uint32_t m_word = 0;
        int m_shift = 0;
        size_t m_blockStart = kNoBlock;
    };

} // namespace

void CompressImageData(IndexedFrame& frame, int tolerance)
{
    frame.lzw.clear();
    const int colours = static_cast<int>(frame.palette.size() / 3);
    const int bits = std::max(2, ColourBits(frame.palette.size() / 3));
    const int clearCode = 1 << bits;
    const int eofCode = clearCode + 1;
    frame.lzw.reserve(frame.indices.size() / 2 + 64);
    CodeWriter writer(frame.lzw, bits);
    int running = eofCode + 1;
    writer.Put(clearCode, running);
    if (frame.indices.empty()) {
        writer.Put(eofCode, running);
        writer.Finish();
        return;
    }

    // Weighted squared distances between palette entries, capped (only those within the
    // limit matter), and the most a swap may cost.
    const bool lossy = tolerance > 0;
    const int limit = lossy ? std::min(tolerance * tolerance * 9, 65534) : 0;
    std::vector<uint16_t> distance;
    if (lossy) {
        distance.resize(static_cast<size_t>(colours) * colours);
        for (int a = 0; a < colours; ++a) {
            for (int b = 0; b < colours; ++b) {
                const int dr = frame.palette[a * 3] - frame.palette[b * 3];
                const int dg = frame.palette[a * 3 + 1] - frame.palette[b * 3 + 1];
                const int db = frame.palette[a * 3 + 2] - frame.palette[b * 3 + 2];
                distance[static_cast<size_t>(a) * colours + b] = static_cast<uint16_t>(
                    std::min(dr * dr * 2 + dg * dg * 4 + db * db * 3, 65535));
            }
        }
    }
    const int transparent = frame.transparentIndex;

    // The dictionary as a tree: exact children in the table, and each code's children as a
    // list for the search of a close one.
    auto child = std::make_unique<ChildTable>();
    std::vector<int16_t> firstChild(lossy ? kMaxCode + 1 : 0, kNone);
    std::vector<int16_t> nextSibling(lossy ? kMaxCode + 1 : 0, kNone);
    std::vector<uint8_t> lastPixel(lossy ? kMaxCode + 1 : 0, 0);

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
        if (lossy && pixel != transparent) {
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
        // The string ends here: its code is written and a new one starts at this pixel.
        writer.Put(current, running);
        if (running >= kMaxCode) {
            writer.Put(clearCode, running);
            child->Clear();
            if (lossy)
                std::fill(firstChild.begin(), firstChild.end(), kNone);
            running = eofCode + 1;
            writer.ResetWidth(bits);
        } else {
            child->Add(current, pixel, running);
            if (lossy) {
                lastPixel[running] = static_cast<uint8_t>(pixel);
                nextSibling[running] = firstChild[current];
                firstChild[current] = static_cast<int16_t>(running);
            }
            ++running;
        }
        current = pixel;
    }
    writer.Put(current, running);
    writer.Put(eofCode, running);
    writer.Finish();
}

} // namespace imgconv
