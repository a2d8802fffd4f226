#pragma once

#include "tools/imgconv/IndexedFrame.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <string>

namespace imgconv {

struct QuantizeResult
{
    IndexedFrame frame;
    std::string error;
};

// Finds a palette for the job's opaque pixels with libimagequant and maps the rectangle
// onto it, dithered; pixels with alpha 0 get the transparent index.
QuantizeResult QuantizeFrame(const FrameJob& job, const QuantizeSettings& settings);

} // namespace imgconv
