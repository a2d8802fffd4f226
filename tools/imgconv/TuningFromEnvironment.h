#pragma once

#include "tools/imgconv/QuantizeSettings.h"

namespace imgconv {

// The default settings. A benchmark build (SABLEWICK_BENCH_TUNING=ON) lets IMGCONV_TUNING
// override them for measurements, a list such as "speed=4,quality=90,dither=1,still=2,lossy=0".
QuantizeSettings TuningFromEnvironment();

} // namespace imgconv
