#pragma once

#include <string>

class ConversionController;

// Closes any running player, then plays `inputPath` with the player tool on a
// thread of its own, registered with the controller so that Convert and Stop
// close it. False when the player or the file is missing or no thread can be
// started; the caller reports "Preview Error!".
bool StartPreview(ConversionController& controller, const std::string& inputPath);

// "\"PLAYER\" \"PATH\"".
std::string PreviewCommandLine(const std::string& player, const std::string& inputPath);
