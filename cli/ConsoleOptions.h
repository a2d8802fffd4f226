#pragma once

#include "engine/FileEdit.h"
#include "engine/Settings.h"

#include <string>
#include <vector>

// How much the console program prints.
enum class Verbosity
{
    Quiet, // errors and failed files only
    Normal, // progress and every file's result
    Verbose, // also the tools' command lines
};

// One value of the settings file replaced for one run, in its stored form.
struct SettingOverride
{
    std::string ConversionSettings::*Field = nullptr;
    std::string Text;
    const char* Option = ""; // the option that gave it, for messages
};

struct ConsoleOptions
{
    std::string OutputFolder; // empty: the current folder
    bool MakeFolder = false;
    bool NoClobber = false; // existing outputs fail their files instead of being replaced
    Verbosity Level = Verbosity::Normal;
    bool Help = false;
    bool Json = false; // one JSON line per file in place of the plain lines
    bool Estimate = false; // estimate each GIF instead of making it
    std::vector<std::string> Files;
    std::vector<SettingOverride> Overrides; // in the order given; a later one wins
    bool IntervalGiven = false; // --interval or --rate
    bool PlaybackRateGiven = false; // --playback-fps
    // The GIF options, checked against the format once the file is read (they replace the
    // file's GifQuality and MaxSize): empty when not given.
    std::string GifQuality; // 1..100
    std::string MaxSize; // bytes
    // The shape of every file of the run (--trim, --crop, --speed, --reverse, --bounce,
    // --caption, --caption-at); checked when read.
    FileEdit Edit;
    bool CaptionPlaceGiven = false;
    bool StartOrEndGiven = false; // --start or --end
};

struct ParsedConsoleOptions
{
    ConsoleOptions Options;
    std::string Error; // empty when the command line is good; names the option otherwise
};

// Reads the command line (without the program name). Each value is checked by
// the rules the settings file and the options dialog apply to the same key and
// stored in the form a save would give it; a value those rules would replace by
// a default is refused instead, since on a command line it is a mistake.
ParsedConsoleOptions ParseConsoleOptions(const std::vector<std::string>& args);

// Puts the overrides into `settings` (read from the file) and checks what
// depends on the file's other values (the end against the start). Returns an
// error naming the option, or an empty text.
std::string ApplyOverrides(const ConsoleOptions& options, ConversionSettings& settings);

// The option lines of --help, each with the settings key it stands for.
std::string ConsoleOptionsHelp();
