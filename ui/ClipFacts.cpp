#include "ui/ClipFacts.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

// Frame times in milliseconds are rounded down, with room for the error of a
// time that is a whole number of milliseconds (3 / 25 gives 0.11999...).
double FloorToMillisecond(double seconds)
{
    return std::floor(seconds * 1000.0 + 1e-6) / 1000.0;
}

} // namespace

int ClipFacts::FrameCount() const
{
    const double length = Duration > 0 ? LongestDuration() : 600.0;
    const double frames = std::floor(length * StepRate() + 1e-6);
    return std::clamp(static_cast<int>(std::min(frames, 1e9)), 1, 1000000000);
}

double ClipFacts::FrameStart(int frame) const
{
    return FloorToMillisecond(std::max(frame, 0) / StepRate());
}

int ClipFacts::FrameAt(double seconds) const
{
    if (!(seconds > 0))
        return 0;
    // The frame that a tool starting at `seconds` takes first.
    const int frame = static_cast<int>(std::ceil(seconds * StepRate() - 1e-3));
    return std::clamp(frame, 0, FrameCount() - 1);
}

ClipFacts ParseClipFacts(const QString& description)
{
    ClipFacts facts;
    static const QRegularExpression duration(QStringLiteral("^(\\d+):(\\d\\d):(\\d\\d)$"));
    static const QRegularExpression size(QStringLiteral("^(\\d+)x(\\d+)$"));
    static const QRegularExpression rate(QStringLiteral("^(\\d+(?:\\.\\d+)?) fps$"));
    for (const QString& part : description.split(QStringLiteral(", "))) {
        const QString text = part.trimmed();
        if (auto m = duration.match(text); m.hasMatch())
            facts.Duration = m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60
                + m.captured(3).toDouble();
        else if (auto m = size.match(text); m.hasMatch()) {
            facts.Width = m.captured(1).toInt();
            facts.Height = m.captured(2).toInt();
        } else if (auto m = rate.match(text); m.hasMatch())
            facts.FrameRate = m.captured(1).toDouble();
    }
    return facts;
}

QString ClipTimeText(double seconds)
{
    const long long ms = std::llround(std::max(seconds, 0.0) * 1000.0);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QChar('0'))
        .arg(ms / 1000 % 60, 2, 10, QChar('0'))
        .arg(ms % 1000, 3, 10, QChar('0'));
}
