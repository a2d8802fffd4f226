#include "ui/CFrameCropView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kHandleSize = 8.0;

} // namespace

CFrameCropView::CFrameCropView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("frameView");
    setAccessibleName(tr("Frame"));
    setAccessibleDescription(tr("The frame at the current position. Drag on it to draw the crop "
                                "rectangle; the Crop fields set it from the keyboard."));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CFrameCropView::SetFrameSize(QSize size)
{
    m_frameSize = size;
    update();
}

void CFrameCropView::SetImage(const QImage& image, const QString& message)
{
    m_image = image;
    m_message = message;
    if (!image.isNull())
        m_frameSize = image.size();
    update();
}

void CFrameCropView::SetCrop(const QRect& crop)
{
    if (crop == m_crop)
        return;
    m_crop = crop;
    update();
}

void CFrameCropView::SetCaption(const QString& text, bool top)
{
    m_caption = text;
    m_captionTop = top;
    update();
}

QRectF CFrameCropView::PictureArea() const
{
    const QRectF area
        = QRectF(rect()).adjusted(kHandleSize, kHandleSize, -kHandleSize, -kHandleSize);
    if (m_frameSize.isEmpty() || area.isEmpty())
        return area;
    const double scale
        = std::min(area.width() / m_frameSize.width(), area.height() / m_frameSize.height());
    const QSizeF shown(m_frameSize.width() * scale, m_frameSize.height() * scale);
    return QRectF(area.center() - QPointF(shown.width() / 2, shown.height() / 2), shown);
}

QPointF CFrameCropView::WidgetPoint(QPointF framePoint) const
{
    const QRectF area = PictureArea();
    if (m_frameSize.isEmpty())
        return area.topLeft();
    return area.topLeft()
        + QPointF(framePoint.x() * area.width() / m_frameSize.width(),
            framePoint.y() * area.height() / m_frameSize.height());
}

QPoint CFrameCropView::FramePoint(QPointF widgetPoint) const
{
    const QRectF area = PictureArea();
    if (m_frameSize.isEmpty() || area.isEmpty())
        return {};
    const QPointF p = widgetPoint - area.topLeft();
    const int x = static_cast<int>(std::lround(p.x() * m_frameSize.width() / area.width()));
    const int y = static_cast<int>(std::lround(p.y() * m_frameSize.height() / area.height()));
    return { std::clamp(x, 0, m_frameSize.width()), std::clamp(y, 0, m_frameSize.height()) };
}

QRectF CFrameCropView::WidgetRect(const QRect& frameRect) const
{
    return QRectF(WidgetPoint(frameRect.topLeft()),
        WidgetPoint(
            QPointF(frameRect.x() + frameRect.width(), frameRect.y() + frameRect.height())));
}

CropHandle CFrameCropView::HandleAt(QPointF p) const
{
    if (m_crop.isEmpty())
        return CropHandle::None;
    const QRectF r = WidgetRect(m_crop);
    const double reach = kHandleSize;
    const bool nearLeft = std::abs(p.x() - r.left()) <= reach;
    const bool nearRight = std::abs(p.x() - r.right()) <= reach;
    const bool nearTop = std::abs(p.y() - r.top()) <= reach;
    const bool nearBottom = std::abs(p.y() - r.bottom()) <= reach;
    const bool withinX = p.x() >= r.left() - reach && p.x() <= r.right() + reach;
    const bool withinY = p.y() >= r.top() - reach && p.y() <= r.bottom() + reach;
    if (nearTop && nearLeft)
        return CropHandle::TopLeft;
    if (nearTop && nearRight)
        return CropHandle::TopRight;
    if (nearBottom && nearLeft)
        return CropHandle::BottomLeft;
    if (nearBottom && nearRight)
        return CropHandle::BottomRight;
    if (nearLeft && withinY)
        return CropHandle::Left;
    if (nearRight && withinY)
        return CropHandle::Right;
    if (nearTop && withinX)
        return CropHandle::Top;
    if (nearBottom && withinX)
        return CropHandle::Bottom;
    if (r.contains(p))
        return CropHandle::Move;
    return CropHandle::None;
}

void CFrameCropView::UpdateCursor(QPointF p)
{
    switch (m_dragging != CropHandle::None ? m_dragging : HandleAt(p)) {
    case CropHandle::Left:
    case CropHandle::Right:
        setCursor(Qt::SizeHorCursor);
        break;
    case CropHandle::Top:
    case CropHandle::Bottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case CropHandle::TopLeft:
    case CropHandle::BottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case CropHandle::TopRight:
    case CropHandle::BottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case CropHandle::Move:
        setCursor(Qt::SizeAllCursor);
        break;
    case CropHandle::None:
        setCursor(m_frameSize.isEmpty() ? Qt::ArrowCursor : Qt::CrossCursor);
        break;
    }
}

void CFrameCropView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_frameSize.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_pressedAt = FramePoint(event->position());
    m_cropAtPress = m_crop;
    m_dragging = HandleAt(event->position());
    if (m_dragging == CropHandle::None) {
        // A new rectangle, drawn from here.
        m_dragging = CropHandle::BottomRight;
        m_cropAtPress = QRect(m_pressedAt, QSize(0, 0));
    }
    event->accept();
}

void CFrameCropView::mouseMoveEvent(QMouseEvent* event)
{
    UpdateCursor(event->position());
    if (m_dragging == CropHandle::None)
        return;
    const QPoint at = FramePoint(event->position());
    QRect crop;
    if (m_cropAtPress.isEmpty())
        crop = at == m_pressedAt ? QRect() : CropFromDrag(m_pressedAt, at, m_aspect, m_frameSize);
    else
        crop = ResizeCrop(m_cropAtPress, m_dragging, at - m_pressedAt, m_aspect, m_frameSize);
    if (crop != m_crop) {
        m_crop = crop;
        update();
        emit CropChanged(m_crop);
    }
}

void CFrameCropView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = CropHandle::None;
    UpdateCursor(event->position());
}

void CFrameCropView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(32, 32, 32));
    const QRectF area = PictureArea();
    if (m_image.isNull()) {
        painter.setPen(QColor(220, 220, 220));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_message);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(area, m_image);
    }
    if (m_frameSize.isEmpty())
        return;
    const QRectF shownArea = m_crop.isEmpty() ? area : WidgetRect(m_crop);
    if (!m_caption.isEmpty()) {
        // About where and how large the GIF shows it: white with a dark outline.
        QFont font = painter.font();
        const int lines = static_cast<int>(m_caption.count('\n')) + 1;
        font.setPixelSize(std::max(8, static_cast<int>(shownArea.height() / 12)));
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        QPainterPath path;
        const QStringList texts = m_caption.split('\n');
        const double lineHeight = metrics.lineSpacing();
        double y = m_captionTop
            ? shownArea.top() + lineHeight * 0.4 + metrics.ascent()
            : shownArea.bottom() - lineHeight * (lines - 1) - lineHeight * 0.4 - metrics.descent();
        for (const QString& line : texts) {
            const double x = shownArea.center().x() - metrics.horizontalAdvance(line) / 2;
            path.addText(QPointF(x, y), font, line);
            y += lineHeight;
        }
        painter.save();
        painter.setClipRect(shownArea);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(path, QPen(QColor(0, 0, 0, 220), std::max(2.0, font.pixelSize() / 8.0)));
        painter.fillPath(path, Qt::white);
        painter.restore();
    }
    if (m_crop.isEmpty())
        return;
    // Outside the crop is dimmed; the rectangle has a border and eight handles.
    const QRectF r = WidgetRect(m_crop);
    QPainterPath outside;
    outside.addRect(area);
    outside.addRect(r);
    painter.fillPath(outside, QColor(0, 0, 0, 150));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    const double h = kHandleSize;
    const QPointF centre = r.center();
    for (const QPointF& p : { r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
             QPointF(r.left(), centre.y()), QPointF(r.right(), centre.y()),
             QPointF(centre.x(), r.top()), QPointF(centre.x(), r.bottom()) }) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(p.x() - h / 2, p.y() - h / 2, h, h));
    }
}
