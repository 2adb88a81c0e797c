#pragma once

#include <QByteArray>
#include <QImage>

// JPEG files of the kinds the loader must tell apart, made with libjpeg.
enum class JpegKind { Baseline, Progressive, Arithmetic, Cmyk, Grayscale };

QByteArray MakeJpeg(JpegKind kind, int width, int height);
