#pragma once

#include "tools/imgconv/IndexedFrame.h"

namespace imgconv {

// Compresses the frame's indices into GIF image data: LZW codes packed as giflib packs
// them, in sub-blocks (without the closing empty block), byte for byte what giflib's
// encoder makes of the same indices. Done beforehand so that frames are compressed on
// several threads and written in order later.
//
// With a tolerance above 0 the compressor also finds longer strings: where the dictionary
// has no entry for the next pixel but has one for a colour within `tolerance` of it, the
// pixel takes that colour (the frame's indices change accordingly). Transparent pixels are
// never changed or made.
void CompressImageData(IndexedFrame& frame, int tolerance);

} // namespace imgconv
