#pragma once

#include <string>

// The two tools a file goes through: the frame extractor, then (for GIFs) the
// GIF assembler.
enum class ConversionPhase
{
    Frames,
    Gif,
};

// How far one file of a batch has come, as its tools report it.
struct FileProgress
{
    int Row = 0;
    ConversionPhase Phase = ConversionPhase::Frames;
    long long Done = 0; // frames of the current phase
    long long Expected = 0; // 0 when not known
    double Fraction = 0; // of the whole file, 0..1, never going back
    int Position = 0; // of the progress bar, 0..99
    int Trial = 0; // of a size budget's search for the right quality, 0 when none
};

// Maps the tools' frame counts of file `index` of `count` onto the bar: the
// file owns index×100/count … (index+1)×100/count − 1, each phase a share of
// it by its cost, and the position never goes back.
class FileProgressModel
{
public:
    // Share of a GIF file's work that the frame extractor does: it decodes every
    // frame but only writes the taken ones, while the assembler quantises and
    // compresses each taken frame (measured on a two-minute clip: about 1 to 8).
    static constexpr double kFramesShare = 0.15;

    FileProgressModel(int index, int count, bool makesGif);

    // A progress line of the phase's tool. True when what a host shows changed.
    bool Report(ConversionPhase phase, long long done, long long expected, int trial = 0);

    const FileProgress& Current() const { return m_current; }

    // The first and the last position of file `index` of `count`.
    static int FirstPosition(int index, int count);
    static int LastPosition(int index, int count);

private:
    double m_framesShare;
    int m_first;
    int m_last;
    FileProgress m_current;
};

// Reads a tool's "progress DONE/EXPECTED" line, perhaps followed by " trial N"
// (0 without); false for any other line.
bool ParseProgressLine(
    const std::string& line, long long* done, long long* expected, int* trial = nullptr);
