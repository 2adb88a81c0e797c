#include "widgets/TShadowPanel.h"

#include <QPainter>

TShadowPanel::TShadowPanel(QWidget* parent)
    : TPaintPanel(parent)
{
    RebuildShape();
}

void TShadowPanel::SetShadow(bool value)
{
    if (shadow == value)
        return;
    shadow = value;
    RebuildShape();
    update();
}

void TShadowPanel::SetShadowColor(const QColor& value)
{
    shadowColor = value;
    update();
}

void TShadowPanel::SetShadowWidth(int value)
{
    value = std::max(value, 0);
    if (shadowWidth == value)
        return;
    shadowWidth = value;
    RebuildShape();
    update();
}

void TShadowPanel::SetPen(const QPen& value)
{
    pen = value;
    update();
}

QRegion TShadowPanel::ShapeFor(QSize size, bool shadow, int shadowWidth)
{
    const int w = size.width();
    const int h = size.height();
    if (!shadow || shadowWidth <= 0)
        return QRegion(0, 0, w, h);
    const int s = shadowWidth;
    return QRegion(0, 0, std::max(w - s, 0), std::max(h - s, 0))
        .united(QRegion(s, s, std::max(w - s, 0), std::max(h - s, 0)));
}

void TShadowPanel::RebuildShape()
{
    setMask(ShapeFor(size(), shadow, shadowWidth));
}

void TShadowPanel::resizeEvent(QResizeEvent* event)
{
    TPaintPanel::resizeEvent(event);
    RebuildShape();
}

void TShadowPanel::PaintFace(QPainter& painter)
{
    int w = width();
    int h = height();
    if (shadow && shadowWidth > 0) {
        painter.fillRect(QRect(QPoint(shadowWidth, shadowWidth), QPoint(w - 1, h - 1)), shadowColor);
        w -= shadowWidth;
        h -= shadowWidth;
    }
    // The outline covers the outermost pixels of the face, as a rectangle
    // from (0, 0) to (w, h) exclusive.
    painter.setPen(pen);
    painter.setBrush(Brush());
    painter.drawRect(QRect(0, 0, w - 1, h - 1));
}
