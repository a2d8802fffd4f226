#include "engine/FrameFitting.h"

#include "engine/CommandLineSplitter.h"
#include "engine/SettingsText.h"
#include "engine/ToolCommandLines.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Until two trials measure it, how the lowest quality's size follows the frame rate and the
// long side: fewer frames differ more from each other, so the size falls more slowly than
// their number; smaller pictures lose pixels by the square, but compress a little worse.
constexpr double kRateExponent = 0.8;
constexpr double kSideExponent = 1.6;

// The exponent of size against `x` measured between two trials, within [low, high].
double Exponent(double x1, long long bytes1, double x2, long long bytes2, double low, double high,
    double otherwise)
{
    if (std::abs(std::log(x1 / x2)) < 1e-3 || bytes1 <= 0 || bytes2 <= 0)
        return otherwise;
    const double e
        = std::log(static_cast<double>(bytes1) / static_cast<double>(bytes2)) / std::log(x1 / x2);
    return std::isfinite(e) ? std::clamp(e, low, high) : otherwise;
}

std::string RateText(double rate)
{
    if (std::abs(rate - std::round(rate)) < 0.005)
        return FormatInteger(std::llround(rate));
    std::string text = FormatFixed2(rate);
    while (text.back() == '0')
        text.pop_back();
    return text;
}

} // namespace

FrameFitting::FrameFitting(long long budget, Step first)
    : m_budget(budget)
    , m_first(first)
{ }

int FrameFitting::LongSide(const Step& step) const
{
    return std::max(step.Width, step.Height);
}

FrameFitting::Step FrameFitting::Scaled(int longSide, double rate) const
{
    const double scale = static_cast<double>(longSide) / LongSide(m_first);
    return { rate, std::max(1, static_cast<int>(std::lround(m_first.Width * scale))),
        std::max(1, static_cast<int>(std::lround(m_first.Height * scale))) };
}

void FrameFitting::Record(const Step& step, bool fits, long long bytes)
{
    m_trials.push_back({ step, fits, bytes });
}

std::optional<FrameFitting::Step> FrameFitting::Fitted() const
{
    for (auto t = m_trials.rbegin(); t != m_trials.rend(); ++t)
        if (t->Fits)
            return t->At;
    return std::nullopt;
}

bool FrameFitting::FitsWell() const
{
    for (auto t = m_trials.rbegin(); t != m_trials.rend(); ++t)
        if (t->Fits)
            return static_cast<double>(t->Bytes) >= kLowestShare * static_cast<double>(m_budget);
    return false;
}

std::optional<FrameFitting::Step> FrameFitting::Next() const
{
    if (m_trials.empty() || FitsWell() || static_cast<int>(m_trials.size()) >= kMostTrials)
        return std::nullopt;
    // Steps give up the rate first, then the size: (long side, rate) orders them, the
    // larger the less given up.
    const auto lessGivenUp = [this](const Step& a, const Step& b) {
        return LongSide(a) != LongSide(b) ? LongSide(a) > LongSide(b) : a.Rate > b.Rate + 1e-9;
    };
    // The step that gave up most without fitting, and the one that gave up least among those
    // that fitted beyond it (it gave up too much: what fits well lies between the two).
    const Trial* over = nullptr;
    for (const Trial& t : m_trials)
        if (!t.Fits && (!over || lessGivenUp(over->At, t.At)))
            over = &t;
    if (!over)
        return std::nullopt;
    const Trial* under = nullptr;
    for (const Trial& t : m_trials)
        if (t.Fits && lessGivenUp(over->At, t.At) && (!under || lessGivenUp(t.At, under->At)))
            under = &t;

    const double aim = kAimAtLowestQuality * static_cast<double>(m_budget)
        / static_cast<double>(std::max<long long>(over->Bytes, 1));
    const double lowestRate = std::min(m_first.Rate, kLowestRate);
    const int firstSide = LongSide(m_first);
    const int overSide = LongSide(over->At);

    if (overSide == firstSide && over->At.Rate > lowestRate + 1e-9) {
        // The rate: measured against another trial at the full size, if there is one.
        double exponent = kRateExponent;
        for (const Trial& t : m_trials)
            if (&t != over && !t.Fits && LongSide(t.At) == firstSide)
                exponent = Exponent(
                    t.At.Rate, t.Bytes, over->At.Rate, over->Bytes, 0.3, 1.5, kRateExponent);
        double rate = over->At.Rate * std::pow(aim, 1 / exponent);
        const bool between = under && LongSide(under->At) == firstSide;
        if (between)
            rate = std::sqrt(under->At.Rate * over->At.Rate);
        rate = std::min(rate, over->At.Rate * 0.97);
        // Whole frame rates read best; two decimals where no whole one lies between.
        double chosen = std::max(std::floor(rate), lowestRate);
        if (between && chosen <= under->At.Rate + 0.005)
            chosen = std::round(rate * 100) / 100;
        if (chosen >= over->At.Rate - 0.005 || (between && chosen <= under->At.Rate + 0.005))
            return std::nullopt;
        return Step { chosen, m_first.Width, m_first.Height };
    }

    // The size, at the lowest rate.
    if (overSide <= kShortestLongSide)
        return std::nullopt;
    double exponent = kSideExponent;
    for (const Trial& t : m_trials)
        if (&t != over && !t.Fits && std::abs(t.At.Rate - over->At.Rate) < 1e-9)
            exponent
                = Exponent(LongSide(t.At), t.Bytes, overSide, over->Bytes, 0.8, 2.5, kSideExponent);
    double side = overSide * std::pow(aim, 1 / exponent);
    int floorSide = kShortestLongSide - 1;
    if (under && std::abs(under->At.Rate - over->At.Rate) < 1e-9) {
        floorSide = LongSide(under->At);
        side = std::sqrt(static_cast<double>(floorSide) * overSide);
    }
    int chosen = static_cast<int>(std::floor(std::min(side, overSide * 0.97)));
    chosen = std::max(chosen, kShortestLongSide);
    if (chosen >= overSide || chosen <= floorSide)
        return std::nullopt;
    return Scaled(chosen, over->At.Rate);
}

std::string FrameFitting::GivenUp(const Step& step) const
{
    std::string text;
    if (step.Rate < m_first.Rate - 1e-9)
        text = RateText(step.Rate) + " fps";
    if (LongSide(step) < LongSide(m_first))
        text += (text.empty() ? "" : ", ") + FormatInteger(step.Width) + "\u00d7"
            + FormatInteger(step.Height);
    return text;
}

bool ParseCannotFit(const std::string& line, long long* smallest)
{
    if (line.find("cannot fit") == std::string::npos)
        return false;
    // The first number before " bytes" is the limit, the last the smallest size reached.
    const std::size_t at = line.rfind(" bytes");
    if (at == std::string::npos || line.find(" bytes") == at)
        return false;
    std::size_t begin = at;
    while (begin > 0 && line[begin - 1] >= '0' && line[begin - 1] <= '9')
        --begin;
    if (begin == at || at - begin > 15)
        return false;
    *smallest = std::stoll(line.substr(begin, at - begin));
    return *smallest > 0;
}

bool ParseKeptQuality(const std::string& line, int* quality)
{
    static const std::string prefix = "kept quality ";
    if (line.compare(0, prefix.size(), prefix) != 0)
        return false;
    const double value = RealValue(line.substr(prefix.size()));
    if (!(value >= 1 && value <= 100))
        return false;
    *quality = static_cast<int>(std::lround(value));
    return true;
}

std::string WithOption(const std::string& options, const std::string& name,
    const std::string& value, const std::vector<std::string>& before)
{
    std::vector<std::string> args = SplitCommandLine(options);
    bool replaced = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) {
            args[i + 1] = value;
            replaced = true;
        }
    if (!replaced) {
        auto at = std::find_first_of(args.begin(), args.end(), before.begin(), before.end());
        args.insert(args.insert(at, name) + 1, value);
    }
    std::string out;
    for (const std::string& arg : args)
        out += (out.empty() ? "" : " ") + QuotePath(arg);
    return out;
}

std::string OptionValue(const std::string& options, const std::string& name)
{
    const std::vector<std::string> args = SplitCommandLine(options);
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name)
            return args[i + 1];
    return {};
}

bool ReadPngSize(const std::string& path, int* width, int* height)
{
    // The signature, then the IHDR chunk: length, type, width and height (big-endian).
    unsigned char head[24];
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    static const unsigned char kSignature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    if (got != static_cast<ssize_t>(sizeof head) || !std::equal(kSignature, kSignature + 8, head)
        || !std::equal(head + 12, head + 16, "IHDR"))
        return false;
    auto number = [&](int at) {
        return (std::uint32_t { head[at] } << 24) | (std::uint32_t { head[at + 1] } << 16)
            | (std::uint32_t { head[at + 2] } << 8) | std::uint32_t { head[at + 3] };
    };
    const std::uint32_t w = number(16);
    const std::uint32_t h = number(20);
    if (w == 0 || h == 0 || w > 100000 || h > 100000)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}
