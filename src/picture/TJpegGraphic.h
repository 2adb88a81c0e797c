#pragma once

#include "picture/TGraphic.h"

#include <QByteArray>
#include <QImage>

enum class TJpegScale { FullSize, Half, Quarter, Eighth };
enum class TJpegPerformance { BestQuality, BestSpeed };

// A JPEG picture: keeps the compressed data and decodes it through libjpeg
// on first use, at the chosen scale (libjpeg's DCT scaling to 1/2, 1/4, 1/8)
// and speed. Width and Height are those of the decoded picture.
class TJpegGraphic : public TGraphic
{
public:
    TJpegGraphic() = default;
    TJpegGraphic(const TJpegGraphic& other);
    TJpegGraphic& operator=(const TJpegGraphic& other);

    int Width() const override;
    int Height() const override;
    bool Empty() const override { return data.isEmpty(); }

    // Size of the full picture, whatever the scale.
    int JpegWidth() const { return jpegWidth; }
    int JpegHeight() const { return jpegHeight; }

    TJpegScale Scale() const { return scale; }
    void SetScale(TJpegScale value);
    TJpegPerformance Performance() const { return performance; }
    void SetPerformance(TJpegPerformance value);
    bool Smoothing() const { return smoothing; }
    void SetSmoothing(bool value);

    // Reads the rest of the stream as JPEG data and its header.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) const override;
    // Stored form: a 4-byte length, then that many bytes of JPEG data.
    virtual void ReadData(QIODevice& stream);

    void Assign(const TGraphic& source) override;
    bool AssignTo(TGraphic& destination) const override;

    // The decoded picture (24-bit BGR), decoded now if needed. Raises
    // EInvalidGraphic when libjpeg cannot decode it.
    const QImage& Bitmap() const;

    void Draw(QPainter& canvas, const QRect& rect) const override;
    std::unique_ptr<TGraphic> Clone() const override;

protected:
    // Takes the JPEG data; raises EInvalidGraphic when libjpeg refuses the header.
    void SetData(const QByteArray& jpegData);

private:
    int ScaleDenominator() const;
    void DropDecoded();

    QByteArray data;
    int jpegWidth = 0;
    int jpegHeight = 0;
    TJpegScale scale = TJpegScale::FullSize;
    TJpegPerformance performance = TJpegPerformance::BestQuality;
    bool smoothing = true;
    mutable QImage decoded;
};
