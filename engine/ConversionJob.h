#pragma once

#include "engine/FileEdit.h"
#include "engine/Settings.h"

#include <string>
#include <vector>

struct ConversionEntry
{
    std::string InputPath;
    std::string OutputPath;
    std::string VideoOptions;
    std::string ImageOptions;
    // Not empty: the file is not converted and fails for this reason.
    std::string Refusal;
};

// The snapshot of one batch, taken when Convert is pressed.
struct ConversionJob
{
    std::vector<ConversionEntry> Entries;
    std::string Mode; // "No", "StillGIF" or "AnimationGIF"
    // A GIF that its size limit cannot take at the lowest quality gives up frames and size.
    bool FitByFrames = false;
};

// Builds the job's entries for `inputs` into `folder` (ending with '/'). An output
// name that would share a file with an earlier entry of the same job gets
// " (2)", " (3)", … before its extension, so two inputs never overwrite each
// other's output; so does one that would replace an input of the job (the same
// file by device and inode, or for numbered outputs a frame's name beside it).
// Names that collide with nothing stay as they are.
// With `keepExisting`, a file that exists already in the folder is taken as well:
// the new output gets the next free name beside it.
ConversionJob BuildConversionJob(const std::vector<std::string>& inputs, const std::string& folder,
    const std::string& storedFileFormat, const std::string& videoOptions,
    const std::string& imageOptions, bool keepExisting = false);

// The same with each file's edit (`edits[i]` for `inputs[i]`; missing ones are empty): the
// entry's options come from `settings` plus its edit, and an edit that CheckFileEdit
// refuses makes the entry's Refusal. With no edit set the entries are those above.
ConversionJob BuildConversionJob(const std::vector<std::string>& inputs,
    const std::vector<FileEdit>& edits, const std::string& folder,
    const ConversionSettings& settings, bool keepExisting = false);

// Whether writing `output` would replace a file that exists: the output
// itself, or for numbered outputs (STEM%d.EXT) a file STEM + N + EXT.
bool OutputExists(const std::string& output, bool numbered);

// Whether two output paths of one job would write a common file: the same path
// for an animation; for numbered outputs (STEM%d.EXT), stems where one is the
// other followed by the leading digits of a frame number.
bool OutputsCollide(const std::string& a, const std::string& b, bool numbered);
