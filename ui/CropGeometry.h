#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The rules of the crop rectangle that is dragged on a frame, in the frame's
// own pixels. `aspect` is width / height, 0 for a free rectangle. Every result
// lies within the frame and is at least one pixel wide and high when the frame is.

enum class CropHandle
{
    None,
    Move,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

// A new rectangle drawn from `from` towards `to`; with an aspect, the wider of
// the two spans decides the size.
QRect CropFromDrag(QPoint from, QPoint to, double aspect, QSize frame);

// `start` with a handle dragged by `delta`. Corners keep the opposite corner in
// place; an edge keeps the opposite edge, and with an aspect the other side
// follows, centred where it was.
QRect ResizeCrop(const QRect& start, CropHandle handle, QPoint delta, double aspect, QSize frame);

// `start` moved by `delta`, stopped at the frame's borders.
QRect MoveCrop(const QRect& start, QPoint delta, QSize frame);

// The largest rectangle of `aspect` inside `within` (the whole frame when it is
// empty), centred on it; `within` itself, kept inside the frame, when free.
QRect FitCropToAspect(const QRect& within, double aspect, QSize frame);
