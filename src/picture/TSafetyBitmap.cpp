#include "picture/TSafetyBitmap.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TBmpReader.h"
#include "picture/TMetafile.h"
#include "picture/UImageWriter.h"

#include <QIODevice>
#include <QPainter>

namespace {

TPixelFormat formatOf(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Invalid: return TPixelFormat::Custom;
    case QImage::Format_Mono: return TPixelFormat::Indexed1;
    case QImage::Format_Indexed8: return TPixelFormat::Indexed8;
    case QImage::Format_RGB555: return TPixelFormat::Rgb555;
    case QImage::Format_RGB16: return TPixelFormat::Rgb565;
    case QImage::Format_BGR888: return TPixelFormat::Bgr24;
    case QImage::Format_RGB32: return TPixelFormat::Rgb32;
    default: return TPixelFormat::Custom;
    }
}

TPixelFormat formatOfBits(int bits)
{
    switch (bits) {
    case 1: return TPixelFormat::Indexed1;
    case 4: return TPixelFormat::Indexed4;
    case 8: return TPixelFormat::Indexed8;
    case 15: return TPixelFormat::Rgb555;
    case 16: return TPixelFormat::Rgb565;
    case 32: return TPixelFormat::Rgb32;
    default: return TPixelFormat::Bgr24;
    }
}

int bitsOf(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::Indexed1: return 1;
    case TPixelFormat::Indexed4: return 4;
    case TPixelFormat::Indexed8: return 8;
    case TPixelFormat::Rgb555:
    case TPixelFormat::Rgb565: return 16;
    case TPixelFormat::Rgb32: return 32;
    default: return 24;
    }
}

} // namespace

TSafetyBitmap::TSafetyBitmap(const TSafetyBitmap& other)
    : TGraphic(),
      image(other.image),
      pixelFormat(other.pixelFormat),
      transparentMode(other.transparentMode),
      transparentColor(other.transparentColor)
{
    CopyTransparencyFrom(other);
}

TSafetyBitmap& TSafetyBitmap::operator=(const TSafetyBitmap& other)
{
    if (this != &other) {
        image = other.image;
        pixelFormat = other.pixelFormat;
        transparentMode = other.transparentMode;
        transparentColor = other.transparentColor;
        CopyTransparencyFrom(other);
        Changed();
    }
    return *this;
}

void TSafetyBitmap::SetSize24(int width, int height)
{
    if (image.width() != width || image.height() != height || image.format() != QImage::Format_BGR888)
        image = QImage(width, height, QImage::Format_BGR888);
    image.fill(Qt::black);
    pixelFormat = TPixelFormat::Bgr24;
    Changed();
}

void TSafetyBitmap::Clear()
{
    if (image.isNull())
        return;
    image = QImage();
    pixelFormat = TPixelFormat::Custom;
    Changed();
}

void TSafetyBitmap::TakeImage(const QImage& source, TPixelFormat format)
{
    image = source;
    pixelFormat = format;
    if (!image.isNull() && pixelFormat == TPixelFormat::Custom) {
        image = image.convertToFormat(QImage::Format_BGR888);
        pixelFormat = TPixelFormat::Bgr24;
    }
    Changed();
}

void TSafetyBitmap::SetImage(const QImage& source)
{
    TakeImage(source, formatOf(source));
}

void TSafetyBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == pixelFormat || format == TPixelFormat::Custom || image.isNull())
        return;
    switch (format) {
    case TPixelFormat::Indexed1: image = image.convertToFormat(QImage::Format_Mono); break;
    case TPixelFormat::Indexed4: {
        QList<QRgb> palette = image.format() == QImage::Format_Indexed8 ? image.colorTable() : QList<QRgb>();
        if (palette.isEmpty() || palette.size() > 16) {
            // The standard 16-colour palette.
            palette = {qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0),
                       qRgb(0, 0, 128), qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
                       qRgb(192, 192, 192), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0),
                       qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
            image = image.convertToFormat(QImage::Format_Indexed8, palette);
        }
        break;
    }
    case TPixelFormat::Indexed8: image = image.convertToFormat(QImage::Format_Indexed8); break;
    case TPixelFormat::Rgb555: image = image.convertToFormat(QImage::Format_RGB555); break;
    case TPixelFormat::Rgb565: image = image.convertToFormat(QImage::Format_RGB16); break;
    case TPixelFormat::Rgb32: image = image.convertToFormat(QImage::Format_RGB32); break;
    default: image = image.convertToFormat(QImage::Format_BGR888); break;
    }
    pixelFormat = format;
    Changed();
}

void TSafetyBitmap::LoadFromStream(QIODevice& stream)
{
    // The reader works on its own buffer: a refused file leaves this bitmap as it was.
    TBmpReader::Result result = TBmpReader::Read(stream);
    TakeImage(result.image, formatOfBits(result.bitsPerPixel));
}

void TSafetyBitmap::SaveToStream(QIODevice& stream) const
{
    if (image.isNull())
        return;
    const QByteArray data = EncodeBmp(image, bitsOf(pixelFormat));
    if (stream.write(data) != data.size())
        throw EImageWriteError(QStringLiteral("Cannot write bitmap: %1").arg(stream.errorString()));
}

void TSafetyBitmap::ReadData(QIODevice& stream)
{
    char length[4];
    if (stream.read(length, 4) != 4)
        throw EReadError();
    LoadFromStream(stream);
}

bool TSafetyBitmap::Equals(const TGraphic& other) const
{
    const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&other);
    if (!bitmap)
        return false;
    if (image.isNull() || bitmap->image.isNull())
        return image.isNull() && bitmap->image.isNull();
    return image.constBits() == bitmap->image.constBits();
}

void TSafetyBitmap::Assign(const TGraphic& source)
{
    if (&source == this)
        return;
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&source)) {
        if (Equals(*bitmap)) {
            // Same pixels: only the transparency settings can differ.
            CopyTransparencyFrom(*bitmap);
            transparentMode = bitmap->transparentMode;
            if (transparentMode == TTransparentMode::Fixed)
                transparentColor = bitmap->transparentColor;
            Changed();
            return;
        }
        *this = *bitmap;
        return;
    }
    if (const auto* metafile = dynamic_cast<const TMetafile*>(&source)) {
        QImage drawn(qMax(0, metafile->Width()), qMax(0, metafile->Height()), QImage::Format_BGR888);
        if (!drawn.isNull()) {
            drawn.fill(Qt::white);
            QPainter painter(&drawn);
            metafile->Draw(painter, QRect(0, 0, drawn.width(), drawn.height()));
        }
        TakeImage(drawn, drawn.isNull() ? TPixelFormat::Custom : TPixelFormat::Bgr24);
        return;
    }
    if (!source.AssignTo(*this))
        throw EInvalidGraphic(QStringLiteral("Cannot assign this graphic to a bitmap"));
}

QColor TSafetyBitmap::TransparentColor() const
{
    if (transparentMode == TTransparentMode::Fixed)
        return transparentColor;
    if (image.isNull())
        return QColor();
    return image.pixelColor(0, image.height() - 1);
}

void TSafetyBitmap::SetTransparentColor(const QColor& color)
{
    transparentColor = color;
    transparentMode = TTransparentMode::Fixed;
    Changed();
}

void TSafetyBitmap::Draw(QPainter& canvas, const QRect& rect) const
{
    if (image.isNull() || rect.isEmpty())
        return;
    if (!Transparent()) {
        canvas.drawImage(rect, image);
        return;
    }
    // Pixels of the transparent colour leave the canvas as it is.
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = TransparentColor().rgb() | 0xFF000000u;
    for (int y = 0; y < masked.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if (row[x] == key)
                row[x] = 0;
    }
    canvas.drawImage(rect, masked);
}

std::unique_ptr<TGraphic> TSafetyBitmap::Clone() const
{
    return std::make_unique<TSafetyBitmap>(*this);
}
