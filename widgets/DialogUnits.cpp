#include "widgets/DialogUnits.h"

#include <QFontMetrics>
#include <cstdint>

int ScaleRounded(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = (c > 0 ? c : -c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / (c > 0 ? c : -c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogUnits DialogUnits::FromFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    DialogUnits units;
    units.BaseX = AverageWidth(LettersWidth(metrics));
    units.BaseY = metrics.height();
    if (units.BaseX <= 0)
        units.BaseX = 4;
    if (units.BaseY <= 0)
        units.BaseY = 8;
    return units;
}

int DialogUnits::LettersWidth(const QFontMetrics& metrics)
{
    return metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
}

int DialogUnits::X(int units) const
{
    return ScaleRounded(units, BaseX, 4);
}

int DialogUnits::Y(int units) const
{
    return ScaleRounded(units, BaseY, 8);
}

QRect DialogUnits::Map(int x, int y, int width, int height) const
{
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}
