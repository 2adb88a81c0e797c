#pragma once

#include "widgets/TIntegerList.h"

#include <QMargins>

// Four insets (left, top, right, bottom) by which a panel shrinks the area in
// which its child controls are aligned.
class TAlignOffset : public TIntegerList
{
public:
    enum Side { sideLeft, sideTop, sideRight, sideBottom };

    TAlignOffset() : TIntegerList(4) {}

    int Left() const { return Value(sideLeft); }
    int Top() const { return Value(sideTop); }
    int Right() const { return Value(sideRight); }
    int Bottom() const { return Value(sideBottom); }
    void SetLeft(int value) { SetValue(sideLeft, value); }
    void SetTop(int value) { SetValue(sideTop, value); }
    void SetRight(int value) { SetValue(sideRight, value); }
    void SetBottom(int value) { SetValue(sideBottom, value); }
    void SetAll(int left, int top, int right, int bottom);

    QMargins Margins() const { return QMargins(Left(), Top(), Right(), Bottom()); }
};
