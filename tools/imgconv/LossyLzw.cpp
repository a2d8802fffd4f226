#include "tools/imgconv/LossyLzw.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace imgconv {

namespace {

    constexpr int kMaxCode = 4095; // giflib clears the dictionary when this many are in use
    constexpr int kNone = -1;

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

    // Weighted squared distances between palette entries, and the most a swap may cost.
    std::vector<int> distance(static_cast<size_t>(colours) * colours);
    for (int a = 0; a < colours; ++a) {
        for (int b = 0; b < colours; ++b) {
            const int dr = frame.palette[a * 3] - frame.palette[b * 3];
            const int dg = frame.palette[a * 3 + 1] - frame.palette[b * 3 + 1];
            const int db = frame.palette[a * 3 + 2] - frame.palette[b * 3 + 2];
            distance[static_cast<size_t>(a) * colours + b]
                = dr * dr * 2 + dg * dg * 4 + db * db * 3;
        }
    }
    const int limit = tolerance * tolerance * 9;
    const int transparent = frame.transparentIndex;

    // The dictionary as a tree: child[code * 256 + pixel], and each code's children as a list.
    // The 2 MB table is kept per thread and left all zero after each use.
    thread_local std::vector<uint16_t> child(static_cast<size_t>(kMaxCode + 1) * 256, 0);
    std::vector<int16_t> firstChild(kMaxCode + 1, kNone);
    std::vector<int16_t> nextSibling(kMaxCode + 1, kNone);
    std::vector<int16_t> parent(kMaxCode + 1, kNone);
    std::vector<uint8_t> lastPixel(kMaxCode + 1, 0);
    int running = eofCode + 1;

    uint8_t* pixels = frame.indices.data();
    const size_t count = frame.indices.size();
    int current = pixels[0];
    for (size_t i = 1; i < count; ++i) {
        const int pixel = pixels[i];
        const int exact = child[static_cast<size_t>(current) * 256 + pixel];
        if (exact != 0) {
            current = exact;
            continue;
        }
        if (pixel != transparent) {
            int best = kNone;
            int bestDistance = limit + 1;
            for (int c = firstChild[current]; c != kNone; c = nextSibling[c]) {
                const int candidate = lastPixel[c];
                if (candidate == transparent)
                    continue;
                const int d = distance[static_cast<size_t>(candidate) * colours + pixel];
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
            for (int code = eofCode + 1; code < running; ++code)
                child[static_cast<size_t>(parent[code]) * 256 + lastPixel[code]] = 0;
            std::fill(firstChild.begin(), firstChild.end(), kNone);
            running = eofCode + 1;
        } else {
            child[static_cast<size_t>(current) * 256 + pixel] = static_cast<uint16_t>(running);
            parent[running] = static_cast<int16_t>(current);
            lastPixel[running] = static_cast<uint8_t>(pixel);
            nextSibling[running] = firstChild[current];
            firstChild[current] = static_cast<int16_t>(running);
            ++running;
        }
        current = pixel;
    }
    for (int code = eofCode + 1; code < running; ++code)
        child[static_cast<size_t>(parent[code]) * 256 + lastPixel[code]] = 0;
}

} // namespace imgconv
