#include "tools/imgconv/BudgetedConversion.h"

#include "tools/common/ErrorText.h"
#include "tools/common/PartialFiles.h"
#include "tools/imgconv/ConversionPipeline.h"
#include "tools/imgconv/QualityScale.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace imgconv {

namespace {

    // Aim at the middle of the wanted band: at least 90 % of the budget, never above it.
    // Estimates miss both ways alike, so the last trial aims there too.
    constexpr double kAim = 0.95;
    constexpr double kLowest = 0.9;
    // Encodes' worth of work a budget may take; a trial that stops early counts the share
    // of the frames it wrote.
    constexpr double kMostWork = 3.0;
    // A trial judged before this share of the frames is judged on too little.
    constexpr double kEarliestJudgement = 0.2;
    // How far an estimate may be off at the earliest judgement, shrinking to nothing at
    // the last frame.
    constexpr double kEstimateSlack = 0.15;
    // Past half the frames a trial short of the aim runs to its end: little is saved by
    // stopping it, and it may be the best that fits.
    constexpr double kLatestShortStop = 0.5;
    // Qualities below which a trial goes to quality 1 itself.
    constexpr double kBottom = 3;
    constexpr double kLastBottom = 5;
    // Trials in all, stopped ones included: a bound for clips whose sizes follow no curve.
    constexpr size_t kMostTrials = 8;

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
    for (Trial& trial : m_trials)
        Remove(trial);
}

double BudgetedConversion::Work() const
{
    double work = 0;
    for (const Trial& trial : m_trials)
        work += trial.share;
    return work;
}

bool BudgetedConversion::Encode(double quality, bool defaultSettings, Stops stops)
{
    // A hidden name of our own beside the target, remembered for the stop signals; the
    // trial's writer then replaces this empty file.
    Trial trial;
    trial.quality = quality;
    const std::string stem
        = FolderOf(m_command.output) + "/.imgconv-budget-" + std::to_string(getpid()) + "-";
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        trial.path
            = stem + std::to_string(m_trials.size()) + "-" + std::to_string(attempt) + ".gif";
        fd = partial_files::CreateRemembered(trial.path, &trial.slot);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        m_error = CannotWrite(m_command.output, errno);
        return false;
    }
    close(fd);
    m_trials.push_back(trial);
    Trial& current = m_trials.back();

    CommandLine command = m_command;
    command.output = current.path;
    ConversionPipeline pipeline(command, m_files,
        defaultSettings ? m_base : SettingsForQuality(m_base, quality), m_threads);
    pipeline.WatchSize([this, &current, stops](long sourceNumber, long long bytes) {
        return Watch(current, stops, sourceNumber, bytes);
    });
    // The whole search, not this trial, is what a progress bar can follow: its work
    // is bounded, in encodes, by kMostWork (or by the work done so far and one more).
    const double frames = static_cast<double>(m_files.size());
    pipeline.ReportWithin(std::llround(Work() * frames),
        std::llround(std::max(kMostWork, Work() + 1) * frames), static_cast<int>(m_trials.size()));
    const bool done = pipeline.Run();
    const bool trace = std::getenv("IMGCONV_BUDGET_TRACE") != nullptr;
    if (!done && pipeline.Stopped()) {
        Remove(current);
        // For the benchmark: how the budget was reached.
        if (trace)
            std::fprintf(stderr,
                "imgconv: trial %zu quality %.2f: stopped at %.2f, about %lld bytes\n",
                m_trials.size(), quality, current.share, current.size);
        return true;
    }
    struct stat info
    {
    };
    if (!done || stat(current.path.c_str(), &info) != 0) {
        m_error = done ? "cannot read back '" + current.path + "'" : pipeline.Error();
        m_error = Replaced(m_error, current.path, m_command.output);
        Remove(current);
        return false;
    }
    current.size = static_cast<long long>(info.st_size);
    current.complete = true;
    current.share = 1;
    // Only the largest that fits may still be chosen: the rest need no room on the disk.
    const Trial* keep = LargestFitting();
    for (Trial& trial : m_trials) {
        if (&trial != keep)
            Remove(trial);
    }
    if (trace)
        std::fprintf(stderr, "imgconv: trial %zu quality %.2f: %lld bytes\n", m_trials.size(),
            quality, current.size);
    return true;
}

bool BudgetedConversion::Watch(Trial& trial, Stops stops, long sourceNumber, long long bytes)
{
    const size_t frames = m_files.size();
    const size_t index
        = static_cast<size_t>(std::clamp<long>(sourceNumber, 1, static_cast<long>(frames))) - 1;
    if (trial.firstFrameBytes == 0)
        trial.firstFrameBytes = bytes;
    trial.share = static_cast<double>(index + 1) / static_cast<double>(frames);
    if (&trial == &m_trials.front()) {
        m_firstBytes[index] = bytes;
        if (m_firstFrameBytes == 0)
            m_firstFrameBytes = bytes;
        return true;
    }

    // Sizes against quality keep their proportion from frame to frame far better than
    // frames keep theirs: the rest of the clip is estimated from the first encode's rest,
    // scaled as the frames so far were. The first frame, a whole picture, scales unlike
    // the changes that follow it and is left out of the proportion once they weigh enough.
    const double first = static_cast<double>(m_firstBytes[index]);
    const double firstTotal = static_cast<double>(m_firstBytes.back());
    const double changes = first - static_cast<double>(m_firstFrameBytes);
    double scale = first > 0 ? static_cast<double>(bytes) / first : 1;
    if (changes > 0.05 * firstTotal && bytes > trial.firstFrameBytes)
        scale = static_cast<double>(bytes - trial.firstFrameBytes) / changes;
    const double estimate = static_cast<double>(bytes) + (firstTotal - first) * scale;
    trial.size = std::llround(estimate);

    const double budget = static_cast<double>(*m_command.maxSize);
    if (stops.over && static_cast<double>(bytes) > budget)
        return false;
    if (trial.share < kEarliestJudgement)
        return true;
    const double slack = kEstimateSlack * (1 - trial.share);
    if (stops.overByEstimate && estimate > budget * (1 + slack))
        return false;
    if (trial.share <= stops.shortUntil && estimate < kLowest * budget * (1 - slack))
        return false;
    return true;
}

double BudgetedConversion::NextQuality() const
{
    const double budget = static_cast<double>(*m_command.maxSize);
    const double target = std::log(kAim * budget);
    // Sizes follow the typical curve up to a factor and a stretch that depend on the clip:
    // log size = a + k * u with u = log TypicalSizeRatio(quality).
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

    if (fits && over) {
        // Secant between the two that bracket the band. When the last two trials ended on
        // the same side, the estimate on the other side is likely off: it counts half as far
        // from the aim (the Illinois rule), which moves the guess towards it.
        double belowBy = target - logSize(*fits);
        double aboveBy = logSize(*over) - target;
        const size_t n = m_trials.size();
        if (n >= 2) {
            const bool lastOver = static_cast<double>(m_trials[n - 1].size) > budget;
            if (lastOver == (static_cast<double>(m_trials[n - 2].size) > budget))
                (lastOver ? belowBy : aboveBy) /= 2;
        }
        const double share
            = belowBy + aboveBy > 1e-9 ? std::clamp(belowBy / (belowBy + aboveBy), 0.1, 0.9) : 0.5;
        const double guess
            = QualityForSizeRatio(std::exp(u(*fits) + share * (u(*over) - u(*fits))));
        // Sizes need not grow with quality everywhere: then the bound below the larger
        // trial wins.
        return std::clamp(
            std::min(std::max(guess, fits->quality), over->quality - 0.25), 1.0, 100.0);
    }

    // Beyond the trials: one gives a (k = 1), two give both, from the two nearest to the
    // aim. A flat stretch of the curve would send the guess far off: the stretch is taken
    // as at least a third of the typical one.
    std::vector<const Trial*> byDistance;
    for (const Trial& trial : m_trials)
        byDistance.push_back(&trial);
    std::sort(byDistance.begin(), byDistance.end(), [&](const Trial* x, const Trial* y) {
        return std::abs(logSize(*x) - target) < std::abs(logSize(*y) - target);
    });
    const Trial* first = byDistance[0];
    const Trial* second = nullptr;
    for (size_t i = 1; i < byDistance.size() && !second; ++i) {
        if (std::abs(u(*byDistance[i]) - u(*first)) > 1e-3)
            second = byDistance[i];
    }
    double k = 1;
    if (second) {
        const double du = u(*second) - u(*first);
        k = std::clamp((logSize(*second) - logSize(*first)) / du, 0.35, 5.0);
    }
    double guess = QualityForSizeRatio(std::exp(u(*first) + (target - logSize(*first)) / k));
    if (over)
        guess = std::min(guess, over->quality - 0.25);
    return std::clamp(guess, 1.0, 100.0);
}

const BudgetedConversion::Trial* BudgetedConversion::LargestFitting() const
{
    const Trial* best = nullptr;
    for (const Trial& trial : m_trials) {
        if (trial.complete && trial.size <= *m_command.maxSize
            && (!best || trial.size > best->size))
            best = &trial;
    }
    return best;
}

bool BudgetedConversion::Run()
{
    const long long budget = *m_command.maxSize;
    const bool given = m_command.quality.has_value();
    m_firstBytes.assign(m_files.size(), 0);
    // The default settings sit at 90 on the quality scale.
    if (!Encode(given ? *m_command.quality : 90.0, !given, Stops {}))
        return Finish(nullptr);
    // Frames merged into the one before them added nothing.
    for (size_t i = 1; i < m_firstBytes.size(); ++i)
        m_firstBytes[i] = std::max(m_firstBytes[i], m_firstBytes[i - 1]);

    // What the requested quality makes fits: nothing to lower.
    if (m_trials.front().size <= budget)
        return Finish(&m_trials.front());

    for (;;) {
        const Trial* best = LargestFitting();
        if (best && static_cast<double>(best->size) >= kLowest * static_cast<double>(budget))
            return Finish(best);
        const Trial* lowest = nullptr;
        for (const Trial& trial : m_trials) {
            if (trial.complete && trial.quality <= 1.0)
                lowest = &trial;
        }
        if (!best && lowest) {
            m_error = "cannot fit in " + std::to_string(budget)
                + " bytes: the smallest GIF, at quality 1, takes " + std::to_string(lowest->size)
                + " bytes";
            return Finish(nullptr);
        }
        const double left = kMostWork - Work();
        // Too little left for another whole encode: settle for what fits.
        if (best && (left < 1 || m_trials.size() >= kMostTrials))
            return Finish(best);
        // Room for one more whole encode at most: it runs to its end and must fit.
        const bool last = left < 1 + kEarliestJudgement + 0.1;
        double quality = NextQuality();
        // Near the bottom of the scale the sizes hardly differ: try the lowest itself, which
        // also settles whether the budget can be met at all. With nothing fitting yet and
        // room for one more whole encode at most, go there from further up: so low a guess
        // rests on a stretch where sizes follow the curve least.
        if (quality < (left < 2 && !best ? kLastBottom : kBottom) || m_trials.size() >= kMostTrials)
            quality = 1.0;
        const bool tried = std::any_of(m_trials.begin(), m_trials.end(),
            [&](const Trial& t) { return t.complete && std::abs(t.quality - quality) < 0.01; });
        if (tried && best)
            return Finish(best);
        if (tried)
            quality = 1.0;
        // Only the exact size at quality 1 tells whether anything fits.
        Stops stops;
        stops.over = quality > 1.0;
        stops.overByEstimate = stops.over && !last;
        stops.shortUntil = last ? 0 : std::min(left - 1, kLatestShortStop);
        if (!Encode(quality, false, stops))
            return Finish(nullptr);
    }
}

bool BudgetedConversion::Finish(const Trial* chosen)
{
    if (chosen && rename(chosen->path.c_str(), m_command.output.c_str()) != 0) {
        m_error = CannotWrite(m_command.output, errno);
        chosen = nullptr;
    }
    for (Trial& trial : m_trials) {
        if (&trial == chosen) {
            partial_files::Forget(trial.slot);
            trial.slot = -1;
            trial.path.clear();
        }
        Remove(trial);
    }
    return chosen != nullptr;
}

void BudgetedConversion::Remove(Trial& trial)
{
    if (!trial.path.empty())
        unlink(trial.path.c_str());
    trial.path.clear();
    partial_files::Forget(trial.slot);
    trial.slot = -1;
}

} // namespace imgconv
