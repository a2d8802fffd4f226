#include "tools/imgconv/FrameQuantizer.h"

#include "tools/imgconv/FrameRemapper.h"

#include <algorithm>
#include <libimagequant.h>
#include <memory>
#include <omp.h>

namespace imgconv {

namespace {

    struct LiqDeleter
    {
        void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
        void operator()(liq_image* image) const { liq_image_destroy(image); }
        void operator()(liq_result* result) const { liq_result_destroy(result); }
        void operator()(liq_histogram* histogram) const { liq_histogram_destroy(histogram); }
    };
    using Attr = std::unique_ptr<liq_attr, LiqDeleter>;
    using Image = std::unique_ptr<liq_image, LiqDeleter>;
    using Result = std::unique_ptr<liq_result, LiqDeleter>;
    using Histogram = std::unique_ptr<liq_histogram, LiqDeleter>;

    bool HasSeeThroughPixel(const FrameJob& job)
    {
        for (size_t i = 3; i < job.rgba.size(); i += 4) {
            if (job.rgba[i] < 128)
                return true;
        }
        return false;
    }

    Image MakeImage(liq_attr* attr, const FrameJob& job)
    {
        return Image(
            liq_image_create_rgba(attr, job.rgba.data(), job.rect.width, job.rect.height, 0));
    }

    // A result whose palette is exactly the kept one, for mapping another frame onto it.
    Result ResultFromKept(liq_attr* attr, const KeptPalette& kept)
    {
        Histogram histogram(liq_histogram_create(attr));
        if (!histogram)
            return nullptr;
        std::vector<liq_histogram_entry> entries(kept.rgba.size() / 4);
        for (size_t i = 0; i < entries.size(); ++i) {
            const uint8_t* c = &kept.rgba[i * 4];
            entries[i].color = liq_color { c[0], c[1], c[2], c[3] };
            entries[i].count = 1;
        }
        if (liq_histogram_add_colors(
                histogram.get(), attr, entries.data(), static_cast<int>(entries.size()), 0)
            != LIQ_OK)
            return nullptr;
        liq_result* result = nullptr;
        if (liq_histogram_quantize(histogram.get(), attr, &result) != LIQ_OK)
            return nullptr;
        return Result(result);
    }

    // Maps the job onto the result's palette and fills in the frame's palette and indices.
    void Remap(
        liq_result* result, const FrameJob& job, float dithering, bool refine, IndexedFrame& out)
    {
        // GIF knows one transparent entry and no partial alpha: every entry that
        // libimagequant made see-through is folded into the first one.
        const liq_palette* palette = liq_get_palette(result);
        const int count = static_cast<int>(palette->count);
        const int size = 1 << ColourBits(static_cast<size_t>(count));
        out.palette.assign(static_cast<size_t>(size) * 3, 0);
        std::vector<bool> usable(static_cast<size_t>(count), true);
        out.transparentIndex = -1;
        for (int i = 0; i < count; ++i) {
            const liq_color& c = palette->entries[i];
            out.palette[i * 3] = c.r;
            out.palette[i * 3 + 1] = c.g;
            out.palette[i * 3 + 2] = c.b;
            if (c.a < 128) {
                usable[static_cast<size_t>(i)] = false;
                if (out.transparentIndex < 0)
                    out.transparentIndex = i;
            }
        }
        const size_t pixels = static_cast<size_t>(out.rect.width) * out.rect.height;
        out.indices.resize(pixels);
        FrameRemapper remapper(out.palette, usable, out.transparentIndex);
        remapper.Remap(job.rgba.data(), out.rect.width, out.rect.height, dithering, refine,
            out.indices.data());
        out.palette = remapper.Palette();
    }

    // Mean squared colour error of the opaque pixels as mapped.
    double MappedError(const FrameJob& job, const IndexedFrame& frame)
    {
        double sum = 0;
        size_t opaque = 0;
        for (size_t i = 0; i < frame.indices.size(); ++i) {
            const uint8_t* source = &job.rgba[i * 4];
            if (source[3] < 128)
                continue;
            const uint8_t* mapped = &frame.palette[frame.indices[i] * 3];
            const int dr = source[0] - mapped[0];
            const int dg = source[1] - mapped[1];
            const int db = source[2] - mapped[2];
            sum += dr * dr + dg * dg + db * db;
            ++opaque;
        }
        return opaque ? sum / static_cast<double>(opaque) : 0.0;
    }

    KeptPalette Keep(const IndexedFrame& frame, double error)
    {
        KeptPalette kept;
        kept.error = error;
        const int count = static_cast<int>(frame.palette.size() / 3);
        for (int i = 0; i < count; ++i) {
            if (i == frame.transparentIndex)
                continue;
            kept.rgba.insert(kept.rgba.end(),
                { frame.palette[i * 3], frame.palette[i * 3 + 1], frame.palette[i * 3 + 2], 255 });
        }
        // Entries past the colours in use are padding, and the later frames need a
        // see-through entry whether or not this one had one.
        if (kept.rgba.size() / 4 > 255)
            kept.rgba.resize(255 * 4);
        kept.rgba.insert(kept.rgba.end(), { 0, 0, 0, 0 });
        return kept;
    }

} // namespace

FrameQuantizer::FrameQuantizer(const QuantizeSettings& settings)
    : m_settings(settings)
    , m_attr(liq_attr_create())
    , m_reuseAttr(liq_attr_create())
{
    // Some of libimagequant's settings follow the number of threads it may use, and the
    // GIF must not depend on the number of cores: the settings are made as if there were
    // two, while the palette search itself runs on one thread per pipeline thread.
    const int threads = omp_get_max_threads();
    omp_set_num_threads(std::max(threads, 2));
    if (m_attr) {
        liq_set_speed(m_attr, settings.speed);
        liq_set_quality(m_attr, 0, settings.maxQuality);
        liq_set_max_colors(m_attr, settings.maxColors);
    }
    if (m_reuseAttr)
        liq_set_speed(m_reuseAttr, settings.reuseSpeed);
    omp_set_num_threads(threads);
}

FrameQuantizer::~FrameQuantizer()
{
    if (m_attr)
        liq_attr_destroy(m_attr);
    if (m_reuseAttr)
        liq_attr_destroy(m_reuseAttr);
}

void FrameQuantizer::UseOneThreadHere()
{
    omp_set_num_threads(1);
}

QuantizeResult FrameQuantizer::Quantize(const FrameJob& job, const KeptPalette* earlier) const
{
    QuantizeResult result;
    IndexedFrame& out = result.frame;
    out.sequence = job.sequence;
    out.sourceNumber = job.sourceNumber;
    out.rect = job.rect;

    if (earlier && !earlier->rgba.empty() && m_reuseAttr) {
        Attr reuseAttr(liq_attr_copy(m_reuseAttr));
        Result kept = reuseAttr ? ResultFromKept(reuseAttr.get(), *earlier) : nullptr;
        if (kept) {
            Remap(kept.get(), job, m_settings.reuseDithering, false, out);
            const double error = MappedError(job, out);
            if (error <= earlier->error * m_settings.reuseTolerance + m_settings.reuseSlack) {
                result.reused = true;
                return result;
            }
        }
    }

    Attr attr(m_attr ? liq_attr_copy(m_attr) : nullptr);
    if (!attr) {
        result.error = "out of memory";
        return result;
    }
    // A palette that later frames may share keeps an entry free for their see-through
    // pixels.
    if (job.keepPalette && !HasSeeThroughPixel(job))
        liq_set_max_colors(attr.get(), std::min(m_settings.maxColors, 255));
    Image image = MakeImage(attr.get(), job);
    if (!image) {
        result.error = "cannot quantise a frame of " + std::to_string(job.rect.width) + "x"
            + std::to_string(job.rect.height);
        return result;
    }
    liq_result* rawResult = nullptr;
    const liq_error quantized = liq_image_quantize(image.get(), attr.get(), &rawResult);
    Result quantization(rawResult);
    if (quantized != LIQ_OK || !quantization) {
        result.error
            = "quantisation failed (libimagequant error " + std::to_string(quantized) + ")";
        return result;
    }
    Remap(quantization.get(), job, m_settings.dithering, true, out);
    if (job.keepPalette)
        result.palette = Keep(out, MappedError(job, out));
    return result;
}

} // namespace imgconv
