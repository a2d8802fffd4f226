#pragma once

namespace imgconv {

// Knobs of the palette and size trade-off, chosen by measurement (bench/imgconv-bench.sh).
struct QuantizeSettings
{
    int speed = 4; // libimagequant speed, 1 (slow, best) to 10
    int maxQuality = 90; // libimagequant target quality; fewer colours when they suffice
    float dithering = 1.0f; // error-diffusion strength 0..1
    int stillThreshold = 0; // colour distance under which a pixel counts as unchanged
    int lossy = 0; // LZW tolerance: 0 is lossless
};

} // namespace imgconv
