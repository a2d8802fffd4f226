#pragma once

#include <cstddef>
#include <string>

// Captions are built in a buffer of 200 bytes, so a product name is cut to 199 bytes (never in
// the middle of a UTF-8 character).
constexpr std::size_t kMaxWindowTitleLength = 199;

// The main window's caption for the given product name.
std::string MainWindowTitle(const std::string& softwareName);
