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

void TPositionBar::SetCutMarks(std::vector<int> positions)
{
    if (positions == cutMarks)
        return;
    cutMarks = std::move(positions);
    update();
}

void TPositionBar::PaintCutMarks(QPainter& painter) const
{
    const QColor colour = isEnabled() ? CutMarkColor : palette().color(QPalette::Disabled, QPalette::WindowText);
    for (int position : cutMarks) {
        const QRect at = BandRect(position, position);
        painter.fillRect(QRect(at.left(), at.top() - CutMarkHeight, 1, CutMarkHeight + at.height() / 2), colour);
    }
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

void TPositionBar::PaintSplitRange(QPainter& painter) const
{
    // A strip of its own colour right under the groove, so that the range is
    // never confused with the groove's filled (played) part, which stays as
    // the style draws it; dark edges reach from above the groove to below the
    // strip, so that an end can be found wherever the handle stands.
    const bool enabled = isEnabled();
    const QColor fill = enabled ? SplitRangeColor : QColor(200, 185, 150);
    const QColor edge = enabled ? SplitRangeEdgeColor : palette().color(QPalette::Disabled, QPalette::WindowText);
    const QRect band = SplitRangeRect();
    painter.save();
    painter.fillRect(band, fill);
    painter.setPen(edge);
    painter.drawLine(band.bottomLeft(), band.bottomRight());
    const QRect groove = BandRect(selStart, selEnd);
    const int top = groove.top() - 3, height = band.bottom() + 2 - top;
    painter.fillRect(QRect(band.left() - 1, top, 2, height), edge);
    painter.fillRect(QRect(band.right(), top, 2, height), edge);
    painter.restore();
}

QRect TPositionBar::SplitRangeRect() const
{
    const QRect groove = BandRect(selStart, selEnd);
    return QRect(groove.left(), groove.bottom() + 2, groove.width(), SplitRangeHeight);
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
    if (showSelRange && maximum() > minimum() && selEnd >= selStart && (selStart != 0 || selEnd != 0))
        PaintSplitRange(painter);
    if (maximum() > minimum())
        PaintCutMarks(painter);
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}
