#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A PNG read back as 8-bit RGB, with its text chunks.
struct PngFile
{
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    std::map<std::string, std::string> texts;
};

PngFile readPng(const std::string& path);

// Mean absolute difference per channel of two pictures of the same size (255 when they differ).
double meanDifference(const PngFile& a, const PngFile& b);
