#pragma once

#include <optional>
#include <string>
#include <vector>

// Fitting a GIF into its size limit when the image tool cannot, even at its lowest quality:
// the frames are taken again at a lower frame rate (never below kLowestRate), then at a
// smaller size (never below kShortestLongSide on the long side), each step chosen from
// what the trials so far measured. The first GIF that fits at kLowestShare of the limit or
// more wins.
class FrameFitting
{
public:
    static constexpr double kLowestRate = 5;
    static constexpr int kShortestLongSide = 120;
    static constexpr double kLowestShare = 0.9;
    // The image tool's own search lowers the quality from its start until the GIF fits:
    // a step aims the lowest quality's size at this share of the limit, leaving the tool
    // room for a better quality than its lowest.
    static constexpr double kAimAtLowestQuality = 0.5;
    // Extractions in all, the first one's included.
    static constexpr int kMostTrials = 7;

    struct Step
    {
        double Rate = 0; // frames per second taken from the video
        int Width = 0;
        int Height = 0;
        bool operator==(const Step&) const = default;
    };

    // The limit in bytes, and the frame rate and size of the first extraction.
    FrameFitting(long long budget, Step first);

    // What the trial at `step` gave: a GIF of `bytes` that fits, or, when it does not fit,
    // the smallest size the image tool reached (at its lowest quality).
    void Record(const Step& step, bool fits, long long bytes);
    // The next step to try; none when a GIF fits well enough, or nothing is left to give up.
    std::optional<Step> Next() const;
    // The step of the last GIF that fitted (the one the output holds), if any.
    std::optional<Step> Fitted() const;
    bool FitsWell() const; // the last GIF that fitted takes kLowestShare or more

    // "8 fps, 400×225": what `step` gave up against the first extraction.
    std::string GivenUp(const Step& step) const;

private:
    struct Trial
    {
        Step At;
        bool Fits = false;
        long long Bytes = 0;
    };
    int LongSide(const Step& step) const;
    Step Scaled(int longSide, double rate) const;

    long long m_budget;
    Step m_first;
    std::vector<Trial> m_trials;
};

// The smallest size a failed budget reached, from the image tool's last line ("cannot fit
// in 2000000 bytes: the smallest GIF, at quality 1, takes 3100000 bytes"); false for any
// other line.
bool ParseCannotFit(const std::string& line, long long* smallest);
// The quality the image tool kept, from a line "kept quality 34 ..." (after the tool's name);
// false for any other line.
bool ParseKeptQuality(const std::string& line, int* quality);

// Option strings with one option's value replaced or, when missing, added before the first
// of the options `before` (the video tool takes its options in a fixed order), else at the
// end; each argument comes back in double quotes.
std::string WithOption(const std::string& options, const std::string& name,
    const std::string& value, const std::vector<std::string>& before = {});
// The value of option `name` in an option string; empty when it is missing.
std::string OptionValue(const std::string& options, const std::string& name);

// The width and height of a PNG file; false when it is none.
bool ReadPngSize(const std::string& path, int* width, int* height);
