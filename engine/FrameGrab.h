#pragma once

#include <string>

class ToolProcesses;

// One frame of a video for the window to show, written by the video tool as a
// PNG: the first frame at or after `seconds`, at the video's displayed size.

// "\"TOOL\" \"-i\" \"INPUT\" \"-y\" \"-ss\" \"S\" \"-t\" \"D\" \"-r\" \"R\" \"PATTERN\"":
// one frame's length at the clip's frame rate (25 when it is not known), so
// that exactly one frame is written.
std::string FrameGrabCommandLine(const std::string& videoTool, const std::string& input,
    double seconds, double frameRate, const std::string& outputPattern);

// Runs the video tool of the program folder for that frame into `folder`
// (ending with '/'), registered with `owner` while it runs so that it can be
// ended. The path of the frame written, or empty when none was (past the end,
// not a video, the tool ended).
std::string GrabFrame(const std::string& input, double seconds, double frameRate,
    const std::string& folder, ToolProcesses& owner);
