#pragma once

#include "tools/imgconv/QuantizeSettings.h"

namespace imgconv {

// One quality scale, 1 (smallest) to 100 (best), that moves every size lever together:
// libimagequant's target quality, dithering, the still-pixel thresholds and the lossy LZW
// tolerance. Fractional values lie between the integer points, so that a size budget can
// aim between them. The default settings are not a point on this scale: without a quality
// the tool keeps its measured operating point.
QuantizeSettings SettingsForQuality(QuantizeSettings base, double quality);

// The size of a GIF made at `quality` relative to one made with the default settings,
// typical over the benchmark clips; a first guess that a size budget then corrects.
double TypicalSizeRatio(double quality);

// The quality with TypicalSizeRatio(quality) == ratio, clamped to 1..100.
double QualityForSizeRatio(double ratio);

} // namespace imgconv
