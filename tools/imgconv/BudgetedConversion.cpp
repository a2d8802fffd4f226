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
    // Encodes before settling for a fitting one below 90 %; a fourth only to learn whether
    // quality 1 fits at all when none of them did.
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
    // Sizes follow the typical curve up to a factor and a stretch that depend on the clip:
    // log size = a + k * u with u = log TypicalSizeRatio(quality). One trial gives a (k = 1);
    // two give both, from the pair that brackets the band when there is one, else from the
    // two nearest to it.
    auto u = [](const Trial& t) { return std::log(TypicalSizeRatio(t.quality)); };
    auto logSize = [](const Trial& t) { return std::log(static_cast<double>(t.size)); };
    const Trial* fits = nullptr; // the largest that fits
    const Trial* over = nullptr; // the smallest over the budget
    for (const Trial& trial : m_trials) {
        if (static_cast<double>(trial.size) <= budget) {
            if (!fits || trial.size > fits->size)
                fits = &trial;
        } else if (!over || trial.size < over->size) {
            over = &trial;
        }
    }
    const Trial* first = fits && over ? fits : nullptr;
    const Trial* second = fits && over ? over : nullptr;
    if (!first) {
        std::vector<const Trial*> byDistance;
        for (const Trial& trial : m_trials)
            byDistance.push_back(&trial);
        std::sort(byDistance.begin(), byDistance.end(), [&](const Trial* x, const Trial* y) {
            return std::abs(logSize(*x) - target) < std::abs(logSize(*y) - target);
        });
        first = byDistance[0];
        for (size_t i = 1; i < byDistance.size() && !second; ++i) {
            if (std::abs(u(*byDistance[i]) - u(*first)) > 1e-3)
                second = byDistance[i];
        }
    }
    double k = 1;
    if (second) {
        const double du = u(*second) - u(*first);
        if (std::abs(du) > 1e-3)
            k = std::clamp((logSize(*second) - logSize(*first)) / du, 0.2, 5.0);
    }
    double guess = QualityForSizeRatio(std::exp(u(*first) + (target - logSize(*first)) / k));
    // Stay strictly between the trials that bracket the band.
    if (over)
        guess = std::min(guess, over->quality - 0.25);
    if (fits && over)
        guess = std::max(guess, fits->quality + 0.1 * (over->quality - fits->quality));
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
        if (best && m_trials.size() >= kMostEncodes) {
            chosen = best;
            break;
        }
        const bool triedLowest = std::any_of(
            m_trials.begin(), m_trials.end(), [](const Trial& t) { return t.quality <= 1.0; });
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
        // Nothing fitted in the encodes allowed: only the lowest quality can tell whether
        // anything does (rare: the clip's sizes follow no curve).
        if (!best && m_trials.size() >= kMostEncodes)
            quality = 1.0;
        // Near the bottom of the scale the sizes hardly differ: try the lowest itself, which
        // also settles whether the budget can be met at all.
        if (quality < 3.0)
            quality = 1.0;
        const bool tried = std::any_of(m_trials.begin(), m_trials.end(),
            [&](const Trial& t) { return std::abs(t.quality - quality) < 0.01; });
        if (tried && best) {
            chosen = best;
            break;
        }
        if (tried)
            quality = 1.0;
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
