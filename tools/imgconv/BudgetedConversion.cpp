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
    constexpr double kAim = 0.95;
    constexpr double kLowest = 0.9;
    // Stretches of the clip that are sampled, and their frames. The first frames of each
    // are not like the clip's: the first is a jump from the stretch before, and right after
    // it the picture shown is up to date, so that slowly drifting pixels stay below the
    // still threshold for a while. The rest give the rate of the clip's frames.
    constexpr size_t kSegments = 3;
    constexpr size_t kSegmentFrames = 6;
    constexpr size_t kWarmUp = 2;
    // A clip this short is sampled whole: its samples are whole encodes.
    constexpr size_t kWholeClip = 2 * kSegments * kSegmentFrames;
    // Qualities sampled at most, whole encodes at most (quality 1 to settle a failure aside).
    constexpr int kMostSamples = 2;
    constexpr int kMostWhole = 4;
    // A sampled estimate this close to the aim (in log size) needs no further sample.
    constexpr double kCloseEnough = 0.04;
    // Sampled estimates miss the whole clip by up to about this factor: a requested quality
    // estimated within it of the budget gets a whole encode, which may fit as it is.
    constexpr double kMayFit = 1.12;
    // Qualities below which an encode goes to quality 1 itself; once two whole encodes
    // were too big, from higher up: so low a guess lies where sizes hardly move.
    constexpr double kBottom = 3;
    constexpr double kBottomAfterMisses = 10;
    // Encodes' worth of work a search is shown as, in progress lines, until it takes more:
    // a bound for most searches (samples and two whole encodes), so that the bar does not
    // run back.
    constexpr double kExpectedWork = 3.0;

    using Curve = std::vector<std::pair<double, double>>; // (u, log size), u ascending

    // The log size a curve gives at u: between its points linearly, beyond them along its
    // end segment with a slope kept within what clips show, flat bottoms included (a single
    // point: the typical curve's own slope).
    double Slope(const Curve& curve, size_t i)
    {
        const double du = curve[i + 1].first - curve[i].first;
        return du > 1e-9 ? std::clamp((curve[i + 1].second - curve[i].second) / du, 0.1, 5.0) : 1.0;
    }

    double Evaluate(const Curve& curve, double u)
    {
        if (curve.size() == 1)
            return curve[0].second + (u - curve[0].first);
        if (u <= curve.front().first)
            return curve.front().second + (u - curve.front().first) * Slope(curve, 0);
        if (u >= curve.back().first) {
            return curve.back().second + (u - curve.back().first) * Slope(curve, curve.size() - 2);
        }
        size_t i = 0;
        while (curve[i + 1].first < u)
            ++i;
        const double t = (u - curve[i].first) / (curve[i + 1].first - curve[i].first);
        return curve[i].second + t * (curve[i + 1].second - curve[i].second);
    }

    // The u at which the curve reaches a log size: the highest crossing (sizes need not grow
    // with quality everywhere), else beyond the end nearest to it.
    double Solve(const Curve& curve, double target)
    {
        if (curve.size() == 1)
            return curve[0].first + (target - curve[0].second);
        for (size_t i = curve.size() - 1; i-- > 0;) {
            const double a = curve[i].second;
            const double b = curve[i + 1].second;
            if ((a <= target && target <= b) || (b <= target && target <= a)) {
                const double t = std::abs(b - a) > 1e-12 ? (target - a) / (b - a) : 0.5;
                return curve[i].first + t * (curve[i + 1].first - curve[i].first);
            }
        }
        if (target > curve.back().second)
            return curve.back().first
                + (target - curve.back().second) / Slope(curve, curve.size() - 2);
        return curve.front().first + (target - curve.front().second) / Slope(curve, 0);
    }

    double U(double quality)
    {
        return std::log(TypicalSizeRatio(quality));
    }

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
    , m_defaultSettings(!m_command.quality.has_value())
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

void BudgetedConversion::ChooseSample()
{
    const size_t frames = m_files.size();
    m_sampleFiles.clear();
    m_segmentAt.clear();
    if (frames <= kWholeClip) {
        m_sampleFiles = m_files;
        m_segmentAt.assign(frames, kSegmentFrames);
        m_sampleIsClip = true;
        return;
    }
    // Stretches centred on equal parts of the clip, so that its beginning, middle and end
    // all count.
    for (size_t k = 0; k < kSegments; ++k) {
        const size_t centre = frames * (2 * k + 1) / (2 * kSegments);
        const size_t start
            = std::min(centre - std::min(centre, kSegmentFrames / 2), frames - kSegmentFrames);
        for (size_t j = 0; j < kSegmentFrames; ++j) {
            m_sampleFiles.push_back(m_files[start + j]);
            m_segmentAt.push_back(j);
        }
    }
}

bool BudgetedConversion::Encode(double quality, bool sample, bool mayStop)
{
    // A hidden name of our own beside the target, remembered for the stop signals; the
    // trial's writer then replaces this empty file.
    Trial trial;
    trial.quality = quality;
    trial.sample = sample && !m_sampleIsClip;
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
    const std::vector<std::string>& files = trial.sample ? m_sampleFiles : m_files;
    trial.bytes.assign(files.size(), 0);
    m_trials.push_back(trial);
    Trial& current = m_trials.back();

    CommandLine command = m_command;
    command.output = current.path;
    // The requested settings, exactly: without -quality, the ones given (90 on the scale).
    const bool given = std::abs(quality - (m_defaultSettings ? 90.0 : *m_command.quality)) < 1e-9;
    const QuantizeSettings settings
        = given && m_defaultSettings ? m_base : SettingsForQuality(m_base, quality);
    ConversionPipeline pipeline(command, files, settings, m_threads);
    pipeline.WatchSize([this, &current, mayStop](long sourceNumber, long long bytes) {
        return Watch(current, mayStop, sourceNumber, bytes);
    });
    // The whole search, not this encode, is what a progress bar can follow.
    const double frames = static_cast<double>(m_files.size());
    pipeline.ReportWithin(std::llround(Work() * frames),
        std::llround(std::max(kExpectedWork, Work() + 1) * frames),
        static_cast<int>(m_trials.size()));
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
    // Frames merged into the one before them added nothing.
    for (size_t i = 1; i < current.bytes.size(); ++i)
        current.bytes[i] = std::max(current.bytes[i], current.bytes[i - 1]);
    if (current.sample) {
        current.size = Estimate(current);
        Remove(current);
    } else {
        current.size = static_cast<long long>(info.st_size);
        current.complete = true;
    }
    current.share = static_cast<double>(files.size()) / frames;
    // Only the largest that fits may still be chosen: the rest need no room on the disk.
    const Trial* keep = LargestFitting();
    for (Trial& other : m_trials) {
        if (&other != keep)
            Remove(other);
    }
    if (trace) {
        if (current.sample)
            std::fprintf(stderr,
                "imgconv: trial %zu quality %.2f: sample at %.2f, about %lld bytes\n",
                m_trials.size(), quality, current.share, current.size);
        else
            std::fprintf(stderr, "imgconv: trial %zu quality %.2f: %lld bytes\n", m_trials.size(),
                quality, current.size);
    }
    return true;
}

bool BudgetedConversion::Watch(Trial& trial, bool mayStop, long sourceNumber, long long bytes)
{
    const size_t frames = trial.bytes.size();
    const size_t index
        = static_cast<size_t>(std::clamp<long>(sourceNumber, 1, static_cast<long>(frames))) - 1;
    trial.bytes[index] = bytes;
    trial.share = static_cast<double>(index + 1) / static_cast<double>(m_files.size());
    if (!mayStop)
        return true;

    // Past the budget it can no longer be chosen. Its size at the end, for the next guess:
    // the rest of the clip at the rate of the frames after the first so far.
    const double budget = static_cast<double>(*m_command.maxSize);
    if (static_cast<double>(bytes) <= budget)
        return true;
    const double first = static_cast<double>(trial.bytes[0]);
    const double rate
        = index > 0 ? (static_cast<double>(bytes) - first) / static_cast<double>(index) : 0;
    trial.size
        = std::llround(static_cast<double>(bytes) + rate * static_cast<double>(frames - 1 - index));
    return false;
}

long long BudgetedConversion::Estimate(const Trial& trial) const
{
    // The first frame is a whole picture, once per clip; every other sampled frame but the
    // jumps between stretches changes the picture as the clip's frames do.
    const std::vector<long long>& bytes = trial.bytes;
    double changes = 0;
    size_t counted = 0;
    for (size_t i = 1; i < bytes.size(); ++i) {
        if (m_segmentAt[i] < kWarmUp)
            continue;
        changes += static_cast<double>(bytes[i] - bytes[i - 1]);
        ++counted;
    }
    const double rate = counted ? changes / static_cast<double>(counted) : 0;
    return std::llround(
        static_cast<double>(bytes[0]) + rate * static_cast<double>(m_files.size() - 1) + 1);
}

double BudgetedConversion::QualityFor(double size) const
{
    const double target = std::log(size);
    Curve wholes;
    Curve samples;
    const Trial* fits = nullptr; // the largest whole encode that fits
    const Trial* over = nullptr; // the smallest one over the budget
    const double budget = static_cast<double>(*m_command.maxSize);
    for (const Trial& trial : m_trials) {
        if (trial.size <= 0)
            continue;
        (trial.sample ? samples : wholes)
            .emplace_back(U(trial.quality), std::log(static_cast<double>(trial.size)));
        if (trial.sample)
            continue;
        if (static_cast<double>(trial.size) <= budget) {
            if (!fits || trial.size > fits->size)
                fits = &trial;
        } else if (!over || trial.size < over->size) {
            over = &trial;
        }
    }
    std::sort(wholes.begin(), wholes.end());
    std::sort(samples.begin(), samples.end());

    double u = 0;
    if (fits && over) {
        // The clip's own sizes on both sides: between them.
        const Curve bracket = { { U(fits->quality), std::log(static_cast<double>(fits->size)) },
            { U(over->quality), std::log(static_cast<double>(over->size)) } };
        Curve sorted = bracket;
        std::sort(sorted.begin(), sorted.end());
        u = Solve(sorted, target);
    } else if (wholes.size() >= 2) {
        // Two whole encodes on one side: the clip's own slope near them beats the samples'.
        std::sort(wholes.begin(), wholes.end(), [&](const auto& a, const auto& b) {
            return std::abs(a.second - target) < std::abs(b.second - target);
        });
        Curve nearest(wholes.begin(), wholes.begin() + 2);
        std::sort(nearest.begin(), nearest.end());
        u = Solve(nearest, target);
    } else if (!wholes.empty() && !samples.empty()) {
        // The sampled curve's shape, moved through the whole encode nearest to the aim.
        const auto nearest
            = *std::min_element(wholes.begin(), wholes.end(), [&](const auto& a, const auto& b) {
                  return std::abs(a.second - target) < std::abs(b.second - target);
              });
        const double shift = nearest.second - Evaluate(samples, nearest.first);
        u = Solve(samples, target - shift);
    } else {
        u = Solve(samples.empty() ? wholes : samples, target);
    }
    double quality = QualityForSizeRatio(std::exp(u));
    // Sizes grow with quality, give or take: stay strictly between the two that bracket.
    if (over)
        quality = std::min(quality, over->quality - 0.25);
    if (fits)
        quality = std::max(quality, std::min(fits->quality + 0.25, 100.0));
    return std::clamp(quality, 1.0, 100.0);
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
    const double aim = kAim * static_cast<double>(budget);
    const double requested = m_command.quality ? *m_command.quality : 90.0;
    ChooseSample();

    // The requested quality first: sampled, and whole when it may fit as it is.
    if (!Encode(requested, true, false))
        return Finish(nullptr);
    if (m_trials.back().complete && m_trials.back().size <= budget)
        return Finish(&m_trials.back());
    if (m_trials.back().sample
        && static_cast<double>(m_trials.back().size) <= kMayFit * static_cast<double>(budget)) {
        if (!Encode(requested, false, true))
            return Finish(nullptr);
        if (m_trials.back().complete && m_trials.back().size <= budget)
            return Finish(&m_trials.back());
    }

    const auto triedAt = [&](double quality, bool sample) {
        return std::any_of(m_trials.begin(), m_trials.end(), [&](const Trial& t) {
            return t.sample == sample && std::abs(t.quality - quality) < 0.01;
        });
    };
    // The clip's curve near the aim, from samples.
    if (!m_sampleIsClip) {
        for (int samples = 1; samples < kMostSamples; ++samples) {
            const double quality = std::max(QualityFor(aim), 1.0);
            if (triedAt(quality, true))
                break;
            if (!Encode(quality, true, false))
                return Finish(nullptr);
            if (std::abs(std::log(static_cast<double>(m_trials.back().size) / aim)) <= kCloseEnough)
                break;
        }
    }

    // Whole encodes at the curve's quality for the aim, each one moving the curve.
    int wholes = 0;
    for (const Trial& t : m_trials)
        wholes += !t.sample;
    for (;;) {
        const Trial* best = LargestFitting();
        if (best && static_cast<double>(best->size) >= kLowest * static_cast<double>(budget))
            return Finish(best);
        if (wholes >= kMostWhole)
            break;
        double quality = QualityFor(aim);
        if (quality < (!best && wholes >= 2 ? kBottomAfterMisses : kBottom))
            quality = 1.0;
        if (triedAt(quality, false)) {
            if (best || quality <= 1.0)
                break;
            quality = 1.0;
            if (triedAt(quality, false))
                break;
        }
        // Only the exact size at quality 1 tells whether anything fits.
        if (!Encode(quality, false, quality > 1.0))
            return Finish(nullptr);
        ++wholes;
    }
    if (const Trial* best = LargestFitting())
        return Finish(best);

    // Nothing fits yet: quality 1, run to its end, settles it.
    const Trial* lowest = nullptr;
    for (const Trial& trial : m_trials) {
        if (trial.complete && trial.quality <= 1.0)
            lowest = &trial;
    }
    if (!lowest) {
        if (!Encode(1.0, false, false))
            return Finish(nullptr);
        if (m_trials.back().size <= budget)
            return Finish(&m_trials.back());
        lowest = &m_trials.back();
    }
    m_error = "cannot fit in " + std::to_string(budget)
        + " bytes: the smallest GIF, at quality 1, takes " + std::to_string(lowest->size)
        + " bytes";
    return Finish(nullptr);
}

bool BudgetedConversion::Finish(const Trial* chosen)
{
    if (chosen && rename(chosen->path.c_str(), m_command.output.c_str()) != 0) {
        m_error = CannotWrite(m_command.output, errno);
        chosen = nullptr;
    }
    // The caller tells a person what the budget cost; the engine reads this line.
    if (chosen)
        std::fprintf(
            stderr, "imgconv: kept quality %.0f (%lld bytes)\n", chosen->quality, chosen->size);
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
