#pragma once

#include "tools/imgconv/IndexedFrame.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <cstdint>
#include <string>
#include <vector>

struct liq_attr;

namespace imgconv {

// A frame's palette, kept so that the frames after it can be mapped onto it without a
// palette search of their own.
struct KeptPalette
{
    std::vector<uint8_t> rgba; // r, g, b, a per entry; exactly one entry is see-through
    double error = 0; // mean squared error of the frame it was made for, after dithering
};

struct QuantizeResult
{
    IndexedFrame frame;
    KeptPalette palette; // for a job that keeps its palette: that palette
    bool reused = false; // the earlier palette was good enough
    std::string error;
};

// Finds a palette for a job's opaque pixels with libimagequant and maps the rectangle onto
// it, dithered (FrameRemapper); pixels with alpha 0 get the transparent index. Safe to use
// from several threads at once.
class FrameQuantizer
{
public:
    explicit FrameQuantizer(const QuantizeSettings& settings);
    ~FrameQuantizer();
    FrameQuantizer(const FrameQuantizer&) = delete;
    FrameQuantizer& operator=(const FrameQuantizer&) = delete;

    // With an earlier palette, the job is mapped onto it when that costs little picture
    // quality; otherwise it gets a palette of its own, handed back when the job keeps it.
    QuantizeResult Quantize(const FrameJob& job, const KeptPalette* earlier = nullptr) const;

    // Run once on each thread that quantises: libimagequant's own threads would only
    // compete with the pipeline's, which already keep every core busy.
    static void UseOneThreadHere();

private:
    QuantizeSettings m_settings;
    liq_attr* m_attr = nullptr; // set up once: copied for each frame
    liq_attr* m_reuseAttr = nullptr; // the same for mapping onto a shared palette
};

} // namespace imgconv
