#include "tools/imgconv/FrameQuantizer.h"

#include "tools/imgconv/LossyLzw.h"

#include <libimagequant.h>
#include <memory>

namespace imgconv {

namespace {

    struct LiqDeleter
    {
        void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
        void operator()(liq_image* image) const { liq_image_destroy(image); }
        void operator()(liq_result* result) const { liq_result_destroy(result); }
    };

    int PaletteBits(int colours)
    {
        int bits = 1;
        while ((1 << bits) < colours)
            ++bits;
        return bits;
    }

} // namespace

QuantizeResult QuantizeFrame(const FrameJob& job, const QuantizeSettings& settings)
{
    QuantizeResult result;
    IndexedFrame& out = result.frame;
    out.sequence = job.sequence;
    out.sourceNumber = job.sourceNumber;
    out.rect = job.rect;

    const int width = job.rect.width;
    const int height = job.rect.height;
    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr) {
        result.error = "out of memory";
        return result;
    }
    liq_set_speed(attr.get(), settings.speed);
    liq_set_quality(attr.get(), 0, settings.maxQuality);
    liq_set_max_colors(attr.get(), 256);

    std::unique_ptr<liq_image, LiqDeleter> image(
        liq_image_create_rgba(attr.get(), job.rgba.data(), width, height, 0));
    if (!image) {
        result.error
            = "cannot quantise a frame of " + std::to_string(width) + "x" + std::to_string(height);
        return result;
    }
    liq_result* rawResult = nullptr;
    const liq_error quantized = liq_image_quantize(image.get(), attr.get(), &rawResult);
    std::unique_ptr<liq_result, LiqDeleter> quantization(rawResult);
    if (quantized != LIQ_OK || !quantization) {
        result.error
            = "quantisation failed (libimagequant error " + std::to_string(quantized) + ")";
        return result;
    }
    liq_set_dithering_level(quantization.get(), settings.dithering);

    out.indices.resize(static_cast<size_t>(width) * height);
    if (liq_write_remapped_image(
            quantization.get(), image.get(), out.indices.data(), out.indices.size())
        != LIQ_OK) {
        result.error = "remapping failed";
        return result;
    }

    // GIF knows one transparent entry and no partial alpha: every entry that libimagequant
    // made see-through is folded into the first one.
    const liq_palette* palette = liq_get_palette(quantization.get());
    const int count = static_cast<int>(palette->count);
    uint8_t remap[256];
    bool needsRemap = false;
    for (int i = 0; i < count; ++i) {
        remap[i] = static_cast<uint8_t>(i);
        if (palette->entries[i].a < 128) {
            if (out.transparentIndex < 0) {
                out.transparentIndex = i;
            } else {
                remap[i] = static_cast<uint8_t>(out.transparentIndex);
                needsRemap = true;
            }
        }
    }
    if (needsRemap) {
        for (uint8_t& index : out.indices)
            index = remap[index];
    }

    const int size = 1 << PaletteBits(count < 2 ? 2 : count);
    out.palette.assign(static_cast<size_t>(size) * 3, 0);
    for (int i = 0; i < count; ++i) {
        const liq_color& c = palette->entries[i];
        out.palette[i * 3] = c.r;
        out.palette[i * 3 + 1] = c.g;
        out.palette[i * 3 + 2] = c.b;
    }
    ReduceForLzw(out, settings.lossy);
    return result;
}

} // namespace imgconv
