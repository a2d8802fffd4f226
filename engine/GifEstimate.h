#pragma once

#include "engine/SegmentSamples.h"

// What converting one file at the current settings would give, judged from samples.
struct GifEstimate
{
    bool Valid = false;
    long long Bytes = 0; // the likeliest size
    long long Low = 0; // the size lies in [Low, High] but for rare clips
    long long High = 0;
    long long Frames = 0; // frames of the GIF
    int Width = 0;
    int Height = 0;
    double Seconds = 0.0; // converting it on this machine

    // Scales the stretches up to the whole clip. A stretch's first GIF frame is a whole
    // picture and its header; every later one holds only what changed, as all but the very
    // first frame of the real GIF do. So the clip is one first frame plus the rest of its
    // frames at the later frames' bytes per source frame, averaged over the stretches.
    // The range widens with how much the stretches disagree.
    static GifEstimate FromSamples(const SegmentSamples& samples);
};
