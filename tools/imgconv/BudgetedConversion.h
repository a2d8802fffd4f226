#pragma once

#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <string>
#include <vector>

namespace imgconv {

// Makes the best animation that fits in command.maxSize bytes. Short stretches of the clip
// spread over it (frames already on disk) are encoded first, at the requested quality and
// at the ones the typical size curve points to: their sizes, scaled to the whole clip, give
// the clip's own size-against-quality curve. One whole encode follows at the quality the
// curve gives for the aim; when it misses the wanted band, the curve is moved through it
// and one more encode corrects it. A whole encode stops as soon as it passes the budget.
// Short clips are sampled whole: every sample is then a candidate. Encodes go to hidden
// files beside the target, so memory stays that of one encode; the chosen one is renamed
// into place.
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
    // Encodes' worth of work done: each encode counts the share of the clip's frames it
    // encoded.
    double Work() const;

private:
    struct Trial
    {
        double quality = 0;
        bool sample = false; // of the sampled frames only (unless they are the whole clip)
        long long size = 0; // bytes of the whole clip: exact, or estimated
        bool complete = false; // a whole clip's GIF, run to its end: a candidate
        double share = 0; // of the clip's frames encoded
        std::string path; // empty once removed
        int slot = -1; // where a stop signal finds the path
        // The file's bytes once each encoded frame was written (index: frame - 1).
        std::vector<long long> bytes;
    };

    void ChooseSample();
    bool Encode(double quality, bool sample, bool mayStop);
    bool Watch(Trial& trial, bool mayStop, long sourceNumber, long long bytes);
    long long Estimate(const Trial& trial) const;
    double QualityFor(double size) const;
    const Trial* LargestFitting() const;
    // Renames the chosen trial into place (none: the budget failed) and removes the rest.
    bool Finish(const Trial* chosen);
    void Remove(Trial& trial);

    const CommandLine m_command;
    const std::vector<std::string> m_files;
    const QuantizeSettings m_base;
    const bool m_defaultSettings; // no -quality: the first encode uses the settings as given
    const int m_threads;
    std::vector<std::string> m_sampleFiles;
    std::vector<size_t> m_segmentAt; // per sampled frame: its place in its stretch
    bool m_sampleIsClip = false;
    std::vector<Trial> m_trials;
    std::string m_error;
};

} // namespace imgconv
