#pragma once

#include "tools/common/FfmpegHandles.h"

namespace video {

using ::CodecContextPtr;
using ::FormatContextPtr;
using ::FramePtr;
using ::PacketPtr;
using SwsPtr = ::ScalerPtr;

inline std::string ffmpegError(int code) { return FfmpegError(code); }

} // namespace video
