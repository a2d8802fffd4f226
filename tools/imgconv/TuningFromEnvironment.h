#pragma once

#include "tools/imgconv/QuantizeSettings.h"

namespace imgconv {

// The default settings, overridden for measurements by IMGCONV_TUNING, a list such as
// "speed=4,quality=90,dither=1,still=2,lossy=0".
QuantizeSettings TuningFromEnvironment();

} // namespace imgconv
