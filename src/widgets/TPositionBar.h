#pragma once

#include <QSlider>

// A horizontal position bar whose selection band (SelStart..SelEnd, full
// 32-bit values in the bar's unit) is drawn inside the groove, under the
// handle, with marks at both ends.
class TPositionBar : public QSlider
{
    Q_OBJECT
public:
    explicit TPositionBar(QWidget* parent = nullptr);

    int SelStart() const { return selStart; }
    int SelEnd() const { return selEnd; }
    void SetSelection(int start, int end);
    bool ShowSelRange() const { return showSelRange; }
    void SetShowSelRange(bool value);

    // The pixel span of value range [from, to] along the groove.
    QRect BandRect(int from, int to) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int selStart = 0;
    int selEnd = 0;
    bool showSelRange = true;
};
