#include "widgets/TPaintPanel.h"

#include <QPainter>

TPaintPanel::TPaintPanel(QWidget* parent)
    : TOriginalControl(parent)
    , alignment(this)
{
    resize(100, 100);
}

void TPaintPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setBrush(Brush());
    if (OnPaint)
        OnPaint(painter);
    else
        PaintFace(painter);
}

void TPaintPanel::PaintFace(QPainter& painter)
{
    painter.fillRect(rect(), Brush());
}

void TPaintPanel::resizeEvent(QResizeEvent* event)
{
    TOriginalControl::resizeEvent(event);
    alignment.Realign();
}
