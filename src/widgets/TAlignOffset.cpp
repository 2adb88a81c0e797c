#include "widgets/TAlignOffset.h"

void TAlignOffset::SetAll(int left, int top, int right, int bottom)
{
    SetLeft(left);
    SetTop(top);
    SetRight(right);
    SetBottom(bottom);
}
