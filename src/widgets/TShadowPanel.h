#pragma once

#include "widgets/TPaintPanel.h"

#include <QPen>

// A framed face with a drop shadow to the lower right. The window is shaped
// so that the two corner squares the shadow leaves free show what is behind.
class TShadowPanel : public TPaintPanel
{
    Q_OBJECT
public:
    explicit TShadowPanel(QWidget* parent = nullptr);

    bool Shadow() const { return shadow; }
    void SetShadow(bool value);
    QColor ShadowColor() const { return shadowColor; }
    void SetShadowColor(const QColor& value);
    int ShadowWidth() const { return shadowWidth; }
    void SetShadowWidth(int value);
    const QPen& Pen() const { return pen; }
    void SetPen(const QPen& value);

    // The window shape for a panel of the given size.
    static QRegion ShapeFor(QSize size, bool shadow, int shadowWidth);

protected:
    void PaintFace(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RebuildShape();

    bool shadow = true;
    QColor shadowColor = Qt::black;
    int shadowWidth = 2;
    QPen pen{Qt::black, 1, Qt::SolidLine};
};
