#include "tools/imgconv/TuningFromEnvironment.h"

#include <cstdlib>
#include <sstream>
#include <string>

namespace imgconv {

QuantizeSettings TuningFromEnvironment()
{
    QuantizeSettings settings;
#ifndef SABLEWICK_BENCH_TUNING
    return settings; // the shipped tool always makes the same GIF of the same frames
#endif
    const char* text = std::getenv("IMGCONV_TUNING");
    if (!text)
        return settings;
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const size_t equals = item.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = item.substr(0, equals);
        const double value = std::atof(item.c_str() + equals + 1);
        if (key == "speed" && value >= 1 && value <= 10)
            settings.speed = static_cast<int>(value);
        else if (key == "quality" && value >= 0 && value <= 100)
            settings.maxQuality = static_cast<int>(value);
        else if (key == "colors" && value >= 2 && value <= 256)
            settings.maxColors = static_cast<int>(value);
        else if (key == "dither" && value >= 0 && value <= 1)
            settings.dithering = static_cast<float>(value);
        else if (key == "still" && value >= 0 && value <= 255)
            settings.stillThreshold = static_cast<int>(value);
        else if (key == "base" && value >= 0 && value <= 255)
            settings.stillBase = static_cast<float>(value);
        else if (key == "gain" && value >= 0 && value <= 100)
            settings.stillGain = static_cast<float>(value);
        else if (key == "lossy" && value >= 0 && value <= 255)
            settings.lossy = static_cast<int>(value);
        else if (key == "run" && value >= 1 && value <= 64)
            settings.paletteRun = static_cast<int>(value);
        else if (key == "tolerance" && value >= 1 && value <= 100)
            settings.reuseTolerance = value;
        else if (key == "slack" && value >= 0 && value <= 10000)
            settings.reuseSlack = value;
        else if (key == "rspeed" && value >= 1 && value <= 10)
            settings.reuseSpeed = static_cast<int>(value);
        else if (key == "rdither" && value >= 0 && value <= 1)
            settings.reuseDithering = static_cast<float>(value);
    }
    return settings;
}

} // namespace imgconv
