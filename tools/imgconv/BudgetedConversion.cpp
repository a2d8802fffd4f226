#include "tools/imgconv/BudgetedConversion.h"

#include "tools/imgconv/ConversionPipeline.h"
#include "tools/imgconv/QualityScale.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace imgconv {

namespace {

    // Aim at the middle of the wanted band: at least 90 % of the budget, never above it.
    constexpr double kAim = 0.95;
    constexpr double kLowest = 0.9;
    // Encodes before giving up on a fitting one above 90 %; a fourth only to learn whether
    // quality 1 fits at all.
    constexpr size_t kMostEncodes = 3;

    std::string FolderOf(const std::string& path)
    {
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return ".";
        return slash == 0 ? "/" : path.substr(0, slash);
    }

    std::string Replaced(std::string text, const std::string& from, const std::string& to)
    {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            text.replace(at, from.size(), to);
            at += to.size();
        }
        return text;
    }

} // namespace

BudgetedConversion::BudgetedConversion(
    CommandLine command, std::vector<std::string> files, QuantizeSettings base, int threads)
    : m_command(std::move(command))
    , m_files(std::move(files))
    , m_base(base)
    , m_threads(threads)
{ }

BudgetedConversion::~BudgetedConversion()
{
    RemoveTrials(nullptr);
}

bool BudgetedConversion::Encode(double quality, bool defaultSettings)
{
    std::string pattern = FolderOf(m_command.output) + "/.imgconv-budget-XXXXXX.gif";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemps(buffer.data(), 4);
    if (fd < 0) {
        m_error = "cannot write in folder '" + FolderOf(m_command.output)
            + "': " + std::strerror(errno);
        return false;
    }
    close(fd);
    Trial trial;
    trial.quality = quality;
    trial.path = buffer.data();

    CommandLine command = m_command;
    command.output = trial.path;
    ConversionPipeline pipeline(command, m_files,
        defaultSettings ? m_base : SettingsForQuality(m_base, quality), m_threads);
    const bool done = pipeline.Run();
    struct stat info
    {
    };
    if (!done || stat(trial.path.c_str(), &info) != 0) {
        m_error = done ? "cannot read back '" + trial.path + "'" : pipeline.Error();
        m_error = Replaced(m_error, trial.path, m_command.output);
        unlink(trial.path.c_str());
        return false;
    }
    trial.size = static_cast<long long>(info.st_size);
    m_trials.push_back(trial);
    // For the benchmark: how the budget was reached.
    if (std::getenv("IMGCONV_BUDGET_TRACE"))
        std::fprintf(stderr, "imgconv: trial %zu quality %.2f: %lld bytes\n", m_trials.size(),
            quality, trial.size);
    return true;
}

double BudgetedConversion::NextQuality() const
{
    const double budget = static_cast<double>(*m_command.maxSize);
    const double target = std::log(kAim * budget);
    // The best trials on either side of the band: the largest that fits, the smallest over.
    const Trial* fits = nullptr;
    const Trial* over = nullptr;
    for (const Trial& trial : m_trials) {
        if (static_cast<double>(trial.size) <= budget) {
            if (!fits || trial.size > fits->size)
                fits = &trial;
        } else if (!over || trial.size < over->size) {
            over = &trial;
        }
    }
    double guess;
    if (fits && over) {
        // Bracketed: the secant in log size between the two.
        const double logFits = std::log(static_cast<double>(fits->size));
        const double logOver = std::log(static_cast<double>(over->size));
        guess = fits->quality
            + (target - logFits) * (over->quality - fits->quality) / (logOver - logFits);
    } else {
        // All on one side: a secant through distant points misses the curve's bend, so
        // follow the typical curve through the trial nearest the target instead.
        const Trial* nearest = nullptr;
        for (const Trial& trial : m_trials) {
            if (!nearest
                || std::abs(std::log(static_cast<double>(trial.size)) - target)
                    < std::abs(std::log(static_cast<double>(nearest->size)) - target))
                nearest = &trial;
        }
        guess = QualityForSizeRatio(TypicalSizeRatio(nearest->quality)
            * std::exp(target - std::log(static_cast<double>(nearest->size))));
    }
    // Stay strictly between the trials that bracket the band.
    if (over)
        guess = std::min(guess, over->quality - 0.25);
    if (fits && over)
        guess = std::max(guess, fits->quality + 0.25 * (over->quality - fits->quality));
    return std::clamp(guess, 1.0, 100.0);
}

bool BudgetedConversion::Run()
{
    const long long budget = *m_command.maxSize;
    const bool given = m_command.quality.has_value();
    // The default settings sit at 90 on the quality scale.
    if (!Encode(given ? *m_command.quality : 90.0, !given))
        return false;

    const Trial* chosen = nullptr;
    auto fitting = [&]() -> const Trial* {
        const Trial* best = nullptr;
        for (const Trial& trial : m_trials) {
            if (trial.size <= budget && (!best || trial.size > best->size))
                best = &trial;
        }
        return best;
    };
    // What the requested quality makes fits: nothing to lower.
    if (m_trials.front().size <= budget)
        chosen = &m_trials.front();

    while (!chosen) {
        const Trial* best = fitting();
        if (best && static_cast<double>(best->size) >= kLowest * static_cast<double>(budget)) {
            chosen = best;
            break;
        }
        const bool triedLowest = std::any_of(
            m_trials.begin(), m_trials.end(), [](const Trial& t) { return t.quality <= 1.0; });
        if (best && m_trials.size() >= kMostEncodes) {
            chosen = best;
            break;
        }
        if (!best && triedLowest) {
            long long smallest = m_trials.front().size;
            for (const Trial& trial : m_trials)
                smallest = std::min(smallest, trial.size);
            m_error = "cannot fit in " + std::to_string(budget)
                + " bytes: the smallest GIF, at quality 1, takes " + std::to_string(smallest)
                + " bytes";
            RemoveTrials(nullptr);
            return false;
        }
        double quality = NextQuality();
        if (!best && m_trials.size() + 1 >= kMostEncodes)
            quality = std::min(quality, m_trials.back().quality * 0.75);
        if (!best && m_trials.size() >= kMostEncodes)
            quality = 1.0;
        // Reserve the last encode for the lowest quality when nothing fitted yet and the
        // guess already lies near it.
        if (quality < 3.0)
            quality = 1.0;
        m_trials.reserve(m_trials.size() + 1);
        if (!Encode(quality, false)) {
            RemoveTrials(nullptr);
            return false;
        }
    }

    if (rename(chosen->path.c_str(), m_command.output.c_str()) != 0) {
        m_error = "cannot write '" + m_command.output + "': " + std::strerror(errno);
        RemoveTrials(nullptr);
        return false;
    }
    for (Trial& trial : m_trials) {
        if (&trial == chosen)
            trial.path.clear();
    }
    RemoveTrials(nullptr);
    return true;
}

void BudgetedConversion::RemoveTrials(const Trial* keep)
{
    for (Trial& trial : m_trials) {
        if (&trial != keep && !trial.path.empty()) {
            unlink(trial.path.c_str());
            trial.path.clear();
        }
    }
}

} // namespace imgconv
