#pragma once

#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <string>
#include <vector>

namespace imgconv {

// Makes the best animation that fits in command.maxSize bytes. The first encode is at the
// requested quality (or the default settings); when it is too big, the size it reached and
// the typical size-against-quality curve give a quality to try, and the sizes reached so
// far correct the next guess (secant in log size). A trial is compared frame by frame with
// the first encode as it is written: once the frames so far show that it will end far
// from the aim, it stops, and its estimated size informs the next guess. Trials go to
// hidden files beside the target, so memory stays that of one encode; the chosen one is
// renamed into place.
class BudgetedConversion
{
public:
    BudgetedConversion(
        CommandLine command, std::vector<std::string> files, QuantizeSettings base, int threads);
    ~BudgetedConversion();
    BudgetedConversion(const BudgetedConversion&) = delete;
    BudgetedConversion& operator=(const BudgetedConversion&) = delete;

    bool Run();
    const std::string& Error() const { return m_error; }
    // Encodes' worth of work done: each trial counts the share of the frames it wrote.
    double Work() const;

private:
    struct Trial
    {
        double quality = 0;
        long long size = 0; // bytes, or the estimate of a trial stopped early
        bool complete = false;
        double share = 0; // of the frames written
        long long firstFrameBytes = 0; // the file once its first frame was written
        std::string path; // empty once removed
        int slot = -1; // where a stop signal finds the path
    };

    // When a trial may end early: once it exceeds the budget, or its estimate does (not
    // when only its exact size can tell whether anything fits, nor for the last trial
    // there is room for, whose estimate may be off), and once it will surely fall short
    // of the aim while a whole encode to do better would still be left after it.
    struct Stops
    {
        bool over = false;
        bool overByEstimate = false;
        double shortUntil = 0; // the share of the frames up to which it may stop short
    };

    bool Encode(double quality, bool defaultSettings, Stops stops);
    bool Watch(Trial& trial, Stops stops, long sourceNumber, long long bytes);
    double NextQuality() const;
    const Trial* LargestFitting() const;
    // Renames the chosen trial into place (none: the budget failed) and removes the rest.
    bool Finish(const Trial* chosen);
    void Remove(Trial& trial);

    const CommandLine m_command;
    const std::vector<std::string> m_files;
    const QuantizeSettings m_base;
    const int m_threads;
    std::vector<Trial> m_trials;
    // The first encode's bytes once each source frame was written (index: frame number - 1).
    std::vector<long long> m_firstBytes;
    long long m_firstFrameBytes = 0; // of the first encode after its first frame
    std::string m_error;
};

} // namespace imgconv
