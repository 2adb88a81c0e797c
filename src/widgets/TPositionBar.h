#pragma once

#include <QColor>
#include <QSlider>

#include <vector>

class QPainter;

// A horizontal position bar whose selection band (SelStart..SelEnd, full
// 32-bit values in the bar's unit) is drawn as a strip of its own colour just
// under the groove, with dark edges at both ends reaching over the groove.
// Marks (the cuts between shots) are short ticks standing on the groove.
class TPositionBar : public QSlider
{
    Q_OBJECT
public:
    // Amber, far from the highlight colour of the played part.
    static inline const QColor SplitRangeColor{255, 170, 0};
    static inline const QColor SplitRangeEdgeColor{110, 55, 0};
    // Dark blue: apart from the amber range and the played part.
    static inline const QColor CutMarkColor{20, 60, 170};
    static constexpr int CutMarkHeight = 6;

    explicit TPositionBar(QWidget* parent = nullptr);

    int SelStart() const { return selStart; }
    int SelEnd() const { return selEnd; }
    void SetSelection(int start, int end);
    bool ShowSelRange() const { return showSelRange; }
    void SetShowSelRange(bool value);
    // Positions (in the bar's unit) marked with a tick; empty: none.
    const std::vector<int>& CutMarks() const { return cutMarks; }
    void SetCutMarks(std::vector<int> positions);

    // The pixel span of value range [from, to] along the groove.
    QRect BandRect(int from, int to) const;
    // Where the selection band's strip is drawn.
    QRect SplitRangeRect() const;
    static constexpr int SplitRangeHeight = 5;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintSplitRange(QPainter& painter) const;
    void PaintCutMarks(QPainter& painter) const;

    int selStart = 0;
    int selEnd = 0;
    bool showSelRange = true;
    std::vector<int> cutMarks;
};
