#include "ui/DialogUnits.h"

#include <QFontMetrics>

namespace {

// a * b / c, rounded half away from zero.
int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

} // namespace

DialogUnits DialogUnits::FromFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    DialogUnits units;
    units.BaseX = AverageWidth(metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")));
    units.BaseY = metrics.height();
    if (units.BaseX <= 0)
        units.BaseX = 4;
    if (units.BaseY <= 0)
        units.BaseY = 8;
    return units;
}

int DialogUnits::X(int units) const
{
    return MulDiv(units, BaseX, 4);
}

int DialogUnits::Y(int units) const
{
    return MulDiv(units, BaseY, 8);
}

QRect DialogUnits::Map(int x, int y, int width, int height) const
{
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}
