#include "app/UFrameGeometry.h"

#include <cstdlib>
#include <limits>

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 product = static_cast<qint64>(a) * b;
    const qint64 magnitude = (std::llabs(product) + std::llabs(static_cast<qint64>(c)) / 2) / std::llabs(static_cast<qint64>(c));
    const qint64 result = ((product < 0) != (c < 0)) ? -magnitude : magnitude;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1; // does not fit: reported like a division by zero
    return static_cast<int>(result);
}

QRect FitRectCentered(int w, int h, int W, int H)
{
    int fw = MulDiv(w, H, h);
    int fh = H;
    if (W < fw) {
        fh = MulDiv(h, W, w);
        fw = W;
    }
    const int left = W / 2 - fw / 2;
    const int top = H / 2 - fh / 2;
    return QRect(QPoint(left, top), QSize(fw, fh));
}
