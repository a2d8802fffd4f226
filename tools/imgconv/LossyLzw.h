#pragma once

#include "tools/imgconv/IndexedFrame.h"

namespace imgconv {

// Lets the LZW compressor find longer strings: where the dictionary has no entry for the
// next pixel but has one for a colour within `tolerance` of it, the pixel takes that
// colour. The pass follows the very dictionary that giflib's encoder builds (greedy
// longest match, cleared when 4095 codes are used), so every substitution it makes turns
// into a longer match in the written file. Transparent pixels are never changed or made.
void ReduceForLzw(IndexedFrame& frame, int tolerance);

} // namespace imgconv
