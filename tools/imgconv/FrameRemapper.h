#pragma once

#include <cstdint>
#include <vector>

namespace imgconv {

// Maps RGBA pixels onto a palette with error diffusion (Floyd-Steinberg, serpentine). The
// nearest entry is searched among the few that can be nearest anywhere in a small cube of
// colour space, worked out once per cube and palette: exact, and a fraction of the cost of a
// search of the whole palette. One remapper per palette, used by one thread.
class FrameRemapper
{
public:
    // `palette`: r, g, b per entry; `usable[i]` false leaves entry i out of every search
    // (see-through entries). `transparent` is the index written for see-through pixels.
    FrameRemapper(
        const std::vector<uint8_t>& palette, const std::vector<bool>& usable, int transparent);

    // `strength` 0..1 scales the error passed on, fully on smooth areas, less on busy ones.
    // With `refine`, the entries first move to the mean of the pixels nearest to them.
    void Remap(
        const uint8_t* rgba, int width, int height, float strength, bool refine, uint8_t* out);
    // The palette as used, r, g, b per entry.
    const std::vector<uint8_t>& Palette() const { return m_palette; }

    // The nearest usable entry to a colour, or the transparent index when there is none.
    int Nearest(int r, int g, int b);

private:
    static constexpr int kCellBits = 3; // a cube of 8 levels a side
    static constexpr int kCellsPerSide = 256 >> kCellBits;

    struct Entry
    {
        int r, g, b, index;
    };

    struct Candidate
    {
        int lowest; // the least distance from the entry to the cell (the first: the count)
        int r, g, b, index;
    };

    const Candidate* Candidates(int r, int g, int b);
    void MoveToMeans(const std::vector<uint64_t>& sums);
    void BuildCell(int cell);

    std::vector<uint8_t> m_palette;
    std::vector<Entry> m_entries; // the usable entries
    int m_transparent;
    // Per cell: where its list starts in m_lists (-1 while not yet needed); a list is a
    // head holding its length, then the candidates, closest to the cell first.
    std::vector<int32_t> m_cellStart;
    std::vector<Candidate> m_lists;
    std::vector<int> m_nearBox; // scratch: per entry, its least distance to the cell
    std::vector<uint16_t> m_order; // scratch: the cell's candidates
};

} // namespace imgconv
