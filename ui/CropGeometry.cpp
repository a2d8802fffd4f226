#include "ui/CropGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

int Round(double value)
{
    return static_cast<int>(std::lround(value));
}

QPoint Inside(QPoint p, QSize frame)
{
    return { std::clamp(p.x(), 0, frame.width()), std::clamp(p.y(), 0, frame.height()) };
}

// The rectangle at least 1 x 1 and shifted, then cut, to lie in the frame.
QRect Contained(QRect r, QSize frame)
{
    if (frame.isEmpty())
        return {};
    r.setWidth(std::clamp(r.width(), 1, frame.width()));
    r.setHeight(std::clamp(r.height(), 1, frame.height()));
    r.moveLeft(std::clamp(r.left(), 0, frame.width() - r.width()));
    r.moveTop(std::clamp(r.top(), 0, frame.height() - r.height()));
    return r;
}

} // namespace

QRect CropFromDrag(QPoint from, QPoint to, double aspect, QSize frame)
{
    if (frame.isEmpty())
        return {};
    from = Inside(from, frame);
    to = Inside(to, frame);
    const int sx = to.x() >= from.x() ? 1 : -1;
    const int sy = to.y() >= from.y() ? 1 : -1;
    double w = std::abs(to.x() - from.x());
    double h = std::abs(to.y() - from.y());
    if (aspect > 0) {
        const double roomX = sx > 0 ? frame.width() - from.x() : from.x();
        const double roomY = sy > 0 ? frame.height() - from.y() : from.y();
        if (h == 0 || w / h > aspect)
            h = w / aspect;
        else
            w = h * aspect;
        if (w > roomX) {
            w = roomX;
            h = w / aspect;
        }
        if (h > roomY) {
            h = roomY;
            w = h * aspect;
        }
    }
    const int width = std::max(Round(w), 1);
    const int height = std::max(Round(h), 1);
    const QRect r(
        sx > 0 ? from.x() : from.x() - width, sy > 0 ? from.y() : from.y() - height, width, height);
    return Contained(r, frame);
}

QRect ResizeCrop(const QRect& start, CropHandle handle, QPoint delta, double aspect, QSize frame)
{
    if (frame.isEmpty())
        return {};
    const int left = start.x();
    const int top = start.y();
    const int right = start.x() + start.width();
    const int bottom = start.y() + start.height();
    switch (handle) {
    case CropHandle::TopLeft:
        return CropFromDrag({ right, bottom }, QPoint(left, top) + delta, aspect, frame);
    case CropHandle::TopRight:
        return CropFromDrag({ left, bottom }, QPoint(right, top) + delta, aspect, frame);
    case CropHandle::BottomLeft:
        return CropFromDrag({ right, top }, QPoint(left, bottom) + delta, aspect, frame);
    case CropHandle::BottomRight:
        return CropFromDrag({ left, top }, QPoint(right, bottom) + delta, aspect, frame);
    case CropHandle::Move:
        return MoveCrop(start, delta, frame);
    case CropHandle::None:
        return start;
    default:
        break;
    }
    const bool horizontal = handle == CropHandle::Left || handle == CropHandle::Right;
    QRect r = start;
    if (horizontal) {
        // The dragged edge, at least one pixel from the other, inside the frame.
        if (handle == CropHandle::Left)
            r.setLeft(std::clamp(left + delta.x(), 0, right - 1));
        else
            r.setRight(std::clamp(right + delta.x(), left + 1, frame.width()) - 1);
        if (aspect > 0) {
            double w = r.width();
            double h = w / aspect;
            if (h > frame.height()) {
                h = frame.height();
                w = h * aspect;
                if (handle == CropHandle::Left)
                    r.setLeft(right - Round(w));
                else
                    r.setWidth(Round(w));
            }
            const double centre = top + start.height() / 2.0;
            r.setTop(Round(centre - h / 2));
            r.setHeight(std::max(Round(h), 1));
        }
    } else {
        if (handle == CropHandle::Top)
            r.setTop(std::clamp(top + delta.y(), 0, bottom - 1));
        else
            r.setBottom(std::clamp(bottom + delta.y(), top + 1, frame.height()) - 1);
        if (aspect > 0) {
            double h = r.height();
            double w = h * aspect;
            if (w > frame.width()) {
                w = frame.width();
                h = w / aspect;
                if (handle == CropHandle::Top)
                    r.setTop(bottom - Round(h));
                else
                    r.setHeight(Round(h));
            }
            const double centre = left + start.width() / 2.0;
            r.setLeft(Round(centre - w / 2));
            r.setWidth(std::max(Round(w), 1));
        }
    }
    return Contained(r, frame);
}

QRect MoveCrop(const QRect& start, QPoint delta, QSize frame)
{
    return Contained(start.translated(delta), frame);
}

QRect FitCropToAspect(const QRect& within, double aspect, QSize frame)
{
    if (frame.isEmpty())
        return {};
    const QRect area = within.isEmpty() ? QRect(QPoint(0, 0), frame) : Contained(within, frame);
    if (!(aspect > 0))
        return area;
    double w = area.width();
    double h = w / aspect;
    if (h > area.height()) {
        h = area.height();
        w = h * aspect;
    }
    const int width = std::max(Round(w), 1);
    const int height = std::max(Round(h), 1);
    const QRect r(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2,
        width, height);
    return Contained(r, frame);
}
