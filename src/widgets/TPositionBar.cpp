#include "widgets/TPositionBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

TPositionBar::TPositionBar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
}

void TPositionBar::SetSelection(int start, int end)
{
    if (start == selStart && end == selEnd)
        return;
    selStart = start;
    selEnd = end;
    update();
}

void TPositionBar::SetShowSelRange(bool value)
{
    showSelRange = value;
    update();
}

QRect TPositionBar::BandRect(int from, int to) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre travels over the groove less one handle width.
    const int span = std::max(groove.width() - handle.width(), 0);
    const int offset = groove.left() + handle.width() / 2;
    const auto x = [&](int value) {
        value = std::clamp(value, minimum(), std::max(minimum(), maximum()));
        return offset + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown);
    };
    const int left = std::min(x(from), x(to));
    const int right = std::max(x(from), x(to));
    return QRect(left, groove.top(), right - left + 1, groove.height());
}

void TPositionBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    // Groove and ticks first, then the band, then the handle on top.
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != QSlider::NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    // Both ends at 0 means no band at all.
    if (showSelRange && maximum() > minimum() && selEnd >= selStart && (selStart != 0 || selEnd != 0)) {
        const QRect band = BandRect(selStart, selEnd).adjusted(0, 1, 0, -1);
        painter.fillRect(band, palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                               QPalette::Highlight));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawLine(band.left(), band.top() - 3, band.left(), band.bottom() + 3);
        painter.drawLine(band.right(), band.top() - 3, band.right(), band.bottom() + 3);
    }
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}
