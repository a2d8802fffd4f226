#pragma once

#include "tools/imgconv/ImgconvOptions.h"
#include "tools/imgconv/QuantizeSettings.h"

#include <string>
#include <vector>

namespace imgconv {

// Makes the best animation that fits in command.maxSize bytes. The first encode is at the
// requested quality (or the default settings); when it is too big, the size it reached and
// the typical size-against-quality curve give a quality to try, and the sizes reached so
// far correct the next guess (secant in log size). Trials go to hidden files beside the
// target, so memory stays that of one encode; the chosen one is renamed into place.
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
    int Encodes() const { return static_cast<int>(m_trials.size()); }

private:
    struct Trial
    {
        double quality = 0;
        long long size = 0;
        std::string path; // empty once removed
    };

    bool Encode(double quality, bool defaultSettings);
    double NextQuality() const;
    void RemoveTrials(const Trial* keep);

    const CommandLine m_command;
    const std::vector<std::string> m_files;
    const QuantizeSettings m_base;
    const int m_threads;
    std::vector<Trial> m_trials;
    std::string m_error;
};

} // namespace imgconv
