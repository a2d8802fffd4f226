#pragma once

namespace imgconv {

// Knobs of the palette and size trade-off, chosen by measurement (bench/imgconv-bench.sh).
struct QuantizeSettings
{
    int speed = 7; // libimagequant speed, 1 (slow, best) to 10
    int maxQuality = 100; // libimagequant target quality; fewer colours when they suffice
    int maxColors = 256; // palette entries at most, 2..256
    float dithering = 0.3f; // error-diffusion strength 0..1
    int stillThreshold = 4; // most colour distance that counts as noise on a still pixel
    float stillBase = 1.0f; // the same on flat areas
    float stillGain = 0.5f; // how fast the noise limit grows with the local contrast
    int lossy = 3; // LZW tolerance: 0 is lossless
    int paletteRun = 4; // frames that may share one palette search (1: each its own)
    double reuseTolerance = 1.3; // how much worse a shared palette may map a frame ...
    double reuseSlack = 2.0; // ... plus this, as mean squared error, before it gets its own
    // Mapping onto a shared palette: speed 8 skips the dither map, which makes mapping about
    // a third faster; slightly weaker dithering keeps the files as small as with the map.
    int reuseSpeed = 8;
    float reuseDithering = 0.2f;
};

} // namespace imgconv
