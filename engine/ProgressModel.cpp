#include "engine/ProgressModel.h"

#include <algorithm>
#include <charconv>

FileProgressModel::FileProgressModel(int index, int count, bool makesGif)
    : m_framesShare(makesGif ? kFramesShare : 1.0)
    , m_first(FirstPosition(index, count))
    , m_last(LastPosition(index, count))
{
    m_current.Row = index;
    m_current.Position = m_first;
}

int FileProgressModel::FirstPosition(int index, int count)
{
    if (count <= 0)
        return 0;
    return static_cast<int>(static_cast<long long>(index) * 100 / count);
}

int FileProgressModel::LastPosition(int index, int count)
{
    // With more than 100 files several share one position.
    return std::max(FirstPosition(index, count), FirstPosition(index + 1, count) - 1);
}

bool FileProgressModel::Report(ConversionPhase phase, long long done, long long expected, int trial)
{
    if (done < 0 || expected < 0)
        return false;
    // An earlier phase's late line changes nothing once the next one has begun.
    if (phase == ConversionPhase::Frames && m_current.Phase == ConversionPhase::Gif)
        return false;
    const FileProgress before = m_current;
    m_current.Phase = phase;
    m_current.Done = done;
    m_current.Expected = expected;
    m_current.Trial = trial;

    // Within a phase: its share of the frames, short of all of it until the
    // file is done, since an estimate can fall short.
    double within = expected > 0 ? static_cast<double>(done) / static_cast<double>(expected) : 0;
    within = std::clamp(within, 0.0, 1.0);
    const double fraction = phase == ConversionPhase::Frames
        ? within * m_framesShare
        : m_framesShare + within * (1.0 - m_framesShare);
    m_current.Fraction = std::max(m_current.Fraction, std::min(fraction, 1.0));

    const int span = m_last - m_first + 1;
    const int step = std::min(span - 1, static_cast<int>(m_current.Fraction * span));
    m_current.Position = std::max(m_current.Position, m_first + step);

    return m_current.Done != before.Done || m_current.Expected != before.Expected
        || m_current.Phase != before.Phase || m_current.Position != before.Position
        || m_current.Trial != before.Trial;
}

bool ParseProgressLine(const std::string& line, long long* done, long long* expected, int* trial)
{
    static const std::string prefix = "progress ";
    if (line.compare(0, prefix.size(), prefix) != 0)
        return false;
    const char* p = line.data() + prefix.size();
    const char* end = line.data() + line.size();
    long long d = 0;
    long long e = 0;
    auto first = std::from_chars(p, end, d);
    if (first.ec != std::errc() || first.ptr == end || *first.ptr != '/')
        return false;
    auto second = std::from_chars(first.ptr + 1, end, e);
    if (second.ec != std::errc() || d < 0 || e < 0)
        return false;
    int t = 0;
    static const std::string trialWord = " trial ";
    if (second.ptr != end) {
        const std::string rest(second.ptr, end);
        if (rest.compare(0, trialWord.size(), trialWord) != 0)
            return false;
        const char* n = second.ptr + trialWord.size();
        auto third = std::from_chars(n, end, t);
        if (third.ec != std::errc() || third.ptr != end || t < 1)
            return false;
    }
    if (trial)
        *trial = t;
    *done = d;
    *expected = e;
    return true;
}
