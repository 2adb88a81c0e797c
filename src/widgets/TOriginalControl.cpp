#include "widgets/TOriginalControl.h"

TOriginalControl::TOriginalControl(QWidget* parent)
    : QWidget(parent)
{
    // Painting covers every pixel, so the toolkit need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    brush = QBrush(palette().color(QPalette::Button));
}

void TOriginalControl::SetBrush(const QBrush& value)
{
    if (brush == value)
        return;
    brush = value;
    update();
}

void TOriginalControl::SetFullRepaint(bool value)
{
    fullRepaint = value;
    setAttribute(Qt::WA_StaticContents, !value);
}

void TOriginalControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (fullRepaint)
        update();
}

void TOriginalControl::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (fullRepaint)
        update();
}
