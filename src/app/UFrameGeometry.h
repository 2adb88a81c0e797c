#pragma once

#include <QRect>

// a * b / c with a 64-bit product, rounded to the nearest integer with halves
// away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

// The rectangle in which a w x h picture fills a W x H panel as far as its
// aspect ratio allows, centred. Smaller pictures are enlarged.
QRect FitRectCentered(int w, int h, int W, int H);
