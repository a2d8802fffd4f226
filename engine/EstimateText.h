#pragma once

#include "engine/GifEstimate.h"

#include <string>

// Sizes as people read them: "850 kB", "4.2 MB" (powers of 1000, as -max-size takes them).
std::string SizeText(long long bytes);

// "about 4.2 MB (3.8–4.7 MB), 80 frames of 480×270, about 6 s to convert"
std::string EstimateLine(const GifEstimate& estimate);

// The short form for a list column: "4.2 MB" (the line says the rest).
std::string EstimateCell(const GifEstimate& estimate);

// Whether a GIF of this estimate fits in `budget` bytes: "fits in 2 MB", "may not fit in
// 2 MB" or "too big for 2 MB".
std::string BudgetVerdict(const GifEstimate& estimate, long long budget);
