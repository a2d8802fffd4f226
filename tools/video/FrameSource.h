#pragma once

#include "tools/common/FfmpegHandles.h"
#include "tools/common/Outcome.h"
#include "tools/video/StreamColour.h"

#include <optional>
#include <string>
#include <vector>

namespace video {

// One decoded frame and where it lies on the clip's time line.
struct SourceFrame
{
    double time = 0.0; // seconds from the requested start (negative before it)
    double duration = 0.0; // seconds the frame is shown
};

// Demuxes and decodes the best video stream of a file, with threaded decoding, starting at the
// keyframe before the requested start.
class FrameSource
{
public:
    enum class Status
    {
        Frame,
        End,
        Error
    };

    static Outcome<FrameSource> Open(const std::string& path, double start);

    // Decodes the next frame into `frame` (which the caller owns and unreferences).
    Status Next(AVFrame* frame, SourceFrame& info);
    const std::string& Error() const { return m_error; }

    // Seconds from the requested start to the end of the file, when the file says.
    std::optional<double> RemainingLength() const { return m_remaining; }

    // The keyframes the file's index lists, in seconds from the beginning of the file (as a
    // start counts); empty when it lists none.
    std::vector<double> KeyframeTimes() const;

    // Clockwise rotation (0, 90, 180 or 270) that the file asks for when shown.
    int Rotation() const { return m_rotation; }
    AVRational SampleAspectRatio(const AVFrame* frame) const;

private:
    FrameSource() = default;

    FormatContextPtr m_format;
    CodecContextPtr m_decoder;
    PacketPtr m_packet;
    int m_stream = -1;
    AVRational m_timeBase { 1, 1 };
    double m_origin = 0.0; // seconds on the stream's time line that map to time 0
    double m_defaultDuration = 0.0;
    double m_lastTime = 0.0;
    bool m_haveLastTime = false;
    bool m_draining = false;
    std::optional<double> m_remaining;
    int m_rotation = 0;
    StreamColour m_colour;
    int m_errorsInRow = 0;
    std::string m_error;
};

} // namespace video
