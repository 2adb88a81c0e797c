#include "picture/TSafetyBitmap.h"

void TSafetyBitmap::SetSize24(int width, int height)
{
    if (image.width() != width || image.height() != height || image.format() != QImage::Format_BGR888)
        image = QImage(width, height, QImage::Format_BGR888);
    image.fill(Qt::black);
}
