#pragma once

#include "ui/CropGeometry.h"

#include <QImage>
#include <QRect>
#include <QWidget>

// The edit dialog's picture: the frame at the current position, scaled to fit,
// with the crop rectangle on it. Dragging on the picture draws a rectangle;
// its eight handles resize it and dragging inside moves it. Rectangles are in
// the frame's pixels (the video's displayed size); an empty one is no crop.
class CFrameCropView : public QWidget
{
    Q_OBJECT
public:
    explicit CFrameCropView(QWidget* parent);

    // The frame size the rectangle refers to, before any picture has come.
    void SetFrameSize(QSize size);
    QSize FrameSize() const { return m_frameSize; }
    // A null image shows `message` instead of a picture.
    void SetImage(const QImage& image, const QString& message = QString());
    const QImage& Image() const { return m_image; }
    QString Message() const { return m_message; }
    void SetCrop(const QRect& crop);
    QRect Crop() const { return m_crop; }
    void SetAspect(double aspect) { m_aspect = aspect; }
    // Shown over the picture roughly where the GIF will have it.
    void SetCaption(const QString& text, bool top);

    // Where the frame is drawn in the widget, and the mapping between the two.
    QRectF PictureArea() const;
    QPointF WidgetPoint(QPointF framePoint) const;
    QPoint FramePoint(QPointF widgetPoint) const;

signals:
    void CropChanged(const QRect& crop);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QSize sizeHint() const override { return { 480, 270 }; }

private:
    CropHandle HandleAt(QPointF widgetPoint) const;
    QRectF WidgetRect(const QRect& frameRect) const;
    void UpdateCursor(QPointF widgetPoint);

    QImage m_image;
    QString m_message;
    QSize m_frameSize;
    QRect m_crop;
    double m_aspect = 0.0;
    QString m_caption;
    bool m_captionTop = false;
    // The drag under way.
    CropHandle m_dragging = CropHandle::None;
    QPoint m_pressedAt; // in frame pixels
    QRect m_cropAtPress;
};
